#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandSession.h"

namespace {

using namespace std::chrono_literals;
using Calls = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

// Writes down what the session asks of it, and keeps the session's clock:
// its queue may hold a request to quit, and its user takes 10 s to
// acknowledge a message box.
class FakeView final : public orvan::app::CommandView {
public:
    Calls calls;
    std::optional<int> queuedQuit;
    Clock::time_point now{};

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
    void ShowMessage(std::wstring_view, orvan::platform::MessageKind) override {
        calls.push_back("message");
        now += 10s;
    }
    void Quit(int exitCode) override { calls.push_back("quit " + std::to_string(exitCode)); }
};

// What a command does `at` after it began: reports `done` bytes of `total` saved, or shows a message.
struct Step {
    std::chrono::milliseconds at;
    std::uint64_t done = 0;
    std::uint64_t total = 100;
    bool message = false;
};

class CommandSessionTest : public ::testing::Test {
protected:
    void Run(const std::vector<Step>& steps) {
        ASSERT_TRUE(session_.Run(L"Exporting...", [&](orvan::exchange::CommandListener& listener) {
            for (const Step& step : steps) {
                view_.now = Clock::time_point{} + step.at;
                step.message ? listener.ShowMessage(L"warning", orvan::platform::MessageKind::Warning)
                             : listener.ShowProgress({"save", "bytes", step.done, step.total});
            }
        }));
        EXPECT_FALSE(session_.Running());
    }

    FakeView view_;
    orvan::app::CommandSession session_{view_, 500ms, [this] { return view_.now; }};
};

TEST_F(CommandSessionTest, ACommandShorterThanTheDelayShowsNoProgress) {
    Run({{0ms, 0}, {499ms, 100}});
    EXPECT_EQ(view_.calls, (Calls{"running", "drop input", "idle"}));
}

TEST_F(CommandSessionTest, ALongCommandShowsProgressAfterTheDelayAndRunsTheQueueAtMostEvery50Ms) {
    Run({{100ms, 1}, {500ms, 1, 3}, {549ms, 7, 0}, {550ms, 9, 3}});
    EXPECT_EQ(view_.calls, (Calls{"running", "progress Exporting... 333", "queue", "progress Exporting... busy",
                                  "progress Exporting... 1000", "queue", "hide", "drop input", "idle"}));
}

// The message box comes at 600 ms and is acknowledged 10 s later: the delay starts again then.
TEST_F(CommandSessionTest, AMessageHidesTheProgressFirstAndTheDelayStartsAgainAfterIt) {
    Run({{600ms, 50}, {.at = 600ms, .message = true}, {10s + 1099ms, 60}});
    EXPECT_EQ(view_.calls, (Calls{"running", "progress Exporting... 500", "queue", "hide", "drop input", "message",
                                  "drop input", "idle"}));
}

// Input is refused from the start and dropped before the view takes input again.
TEST_F(CommandSessionTest, InputAndQuitRequestsDuringACommandWaitForItsEnd) {
    view_.queuedQuit = 3;
    Run({{700ms, 10}});
    EXPECT_EQ(view_.calls, (Calls{"running", "progress Exporting... 100", "queue", "hide", "drop input", "idle",
                                  "quit 3"}));
}

TEST_F(CommandSessionTest, ACommandCannotStartInsideAnotherAndEndsEvenWhenItThrows) {
    EXPECT_THROW(session_.Run(L"Exporting...",
                              [&](orvan::exchange::CommandListener&) {
                                  EXPECT_TRUE(session_.Running());
                                  EXPECT_FALSE(session_.Run(L"Importing...", [](auto&) { ADD_FAILURE() << "ran inside another"; }));
                                  throw std::runtime_error("failed");
                              }),
                 std::runtime_error);
    EXPECT_FALSE(session_.Running());
    EXPECT_EQ(view_.calls, (Calls{"running", "drop input", "idle"}));
}

}  // namespace
