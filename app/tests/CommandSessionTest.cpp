#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandSession.h"

namespace {

using namespace std::chrono_literals;
using orvan::app::CommandSession;
using orvan::exchange::CommandListener;
using Dorv::Orvan::Framework::Common::Progress;

// Writes down what the session asks of it; its queue may hold a request to quit.
class FakeView final : public orvan::app::CommandView {
public:
    std::vector<std::string> calls;
    std::optional<int> queuedQuit;

    void SetRunning(bool running) override { calls.push_back(running ? "running" : "idle"); }
    void ShowProgress(std::wstring_view text, std::optional<int> perMille) override {
        calls.push_back("progress " + std::string(text.begin(), text.end()) + " " +
                        (perMille ? std::to_string(*perMille) : "busy"));
    }
    void HideProgress() override { calls.push_back("hide"); }
    std::optional<int> RunQueueWithoutInput() override {
        calls.push_back("queue");
        return std::exchange(queuedQuit, std::nullopt);
    }
    void DropInput() override { calls.push_back("drop input"); }
    void ShowMessage(std::wstring_view, orvan::platform::MessageKind) override { calls.push_back("message"); }
    void Quit(int exitCode) override { calls.push_back("quit " + std::to_string(exitCode)); }
};

class CommandSessionTest : public ::testing::Test {
protected:
    FakeView view_;
    std::chrono::steady_clock::time_point now_{};
    CommandSession session_{view_, 500ms, [this] { return now_; }};

    // A report of `done` bytes of `total` saved, `at` after the command began.
    std::function<void(CommandListener&)> ReportAt(std::chrono::milliseconds at, std::uint64_t done,
                                                  std::uint64_t total = 100) {
        return [=, this](CommandListener& listener) {
            now_ = std::chrono::steady_clock::time_point{} + at;
            listener.ShowProgress(Progress{"save", "bytes", done, total});
        };
    }
    void RunSteps(const std::vector<std::function<void(CommandListener&)>>& steps) {
        now_ = {};
        ASSERT_TRUE(session_.Run(L"Exporting...", [&](CommandListener& listener) {
            for (const auto& step : steps) {
                step(listener);
            }
        }));
    }
};

TEST_F(CommandSessionTest, ACommandShorterThanTheDelayShowsNoProgress) {
    RunSteps({ReportAt(0ms, 0), ReportAt(499ms, 100)});
    EXPECT_EQ(view_.calls, (std::vector<std::string>{"running", "drop input", "idle"}));
}

TEST_F(CommandSessionTest, ALongCommandShowsProgressAfterTheDelayAndRunsTheQueueAtMostEvery50Ms) {
    RunSteps({ReportAt(100ms, 1), ReportAt(500ms, 1, 3), ReportAt(549ms, 7, 0), ReportAt(550ms, 9, 3)});
    EXPECT_EQ(view_.calls, (std::vector<std::string>{"running", "progress Exporting... 333", "queue",
                                                     "progress Exporting... busy", "progress Exporting... 1000",
                                                     "queue", "hide", "drop input", "idle"}));
}

TEST_F(CommandSessionTest, AMessageHidesTheProgressFirstAndTheDelayStartsAgainAfterIt) {
    RunSteps({ReportAt(600ms, 50),
              [this](CommandListener& listener) {
                  now_ += 10s;  // the user takes their time to acknowledge it
                  listener.ShowMessage(L"warning", orvan::platform::MessageKind::Warning);
              },
              [this](CommandListener& listener) {
                  now_ += 499ms;
                  listener.ShowProgress(Progress{"save", "bytes", 60, 100});
              }});
    EXPECT_EQ(view_.calls, (std::vector<std::string>{"running", "progress Exporting... 500", "queue", "hide",
                                                     "drop input", "message", "drop input", "idle"}));
}

TEST_F(CommandSessionTest, InputAndQuitRequestsDuringACommandWaitForItsEnd) {
    view_.queuedQuit = 3;
    RunSteps({ReportAt(700ms, 10)});
    // Input is refused from the start and dropped before the view takes input again.
    EXPECT_EQ(view_.calls, (std::vector<std::string>{"running", "progress Exporting... 100", "queue", "hide",
                                                     "drop input", "idle", "quit 3"}));
    EXPECT_FALSE(session_.Running());
}

TEST_F(CommandSessionTest, ACommandCannotStartInsideAnother) {
    bool innerRan = false;
    bool innerStarted = true;
    ASSERT_TRUE(session_.Run(L"Exporting...", [&](CommandListener&) {
        EXPECT_TRUE(session_.Running());
        innerStarted = session_.Run(L"Importing...", [&](CommandListener&) { innerRan = true; });
    }));
    EXPECT_FALSE(innerStarted);
    EXPECT_FALSE(innerRan);
    EXPECT_FALSE(session_.Running());
}

TEST_F(CommandSessionTest, ACommandThatThrowsStillEndsTheSession) {
    EXPECT_THROW(session_.Run(L"Exporting...", [](CommandListener&) { throw std::runtime_error("failed"); }),
                 std::runtime_error);
    EXPECT_FALSE(session_.Running());
    EXPECT_EQ(view_.calls, (std::vector<std::string>{"running", "drop input", "idle"}));
}

}  // namespace
