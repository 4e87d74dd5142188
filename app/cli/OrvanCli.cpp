// orvan: the headless front end. It runs the same Export and Import commands
// as the dialog, and inspects archives.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "app/ArchiveInspection.h"
#include "app/DataDirectory.h"
#include "app/OrvanCommands.h"
#include "app/RecordJson.h"
#include "library/OrvanException.h"
#include "library/Progress.h"
#include "library/io/Quoted.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/ProgramFacts.h"
#include "platform/System.h"
#include "platform/Utf8.h"

namespace {

using orvan::platform::FromUtf8;
using orvan::platform::MessageKind;
using orvan::platform::ToUtf8;

// Exit codes, as documented in --help and the manual page.
enum ExitCode : int { kSuccess = 0, kFailed = 1, kUsage = 2, kInvalidInput = 3 };

constexpr char kExitCodes[] =
    "Exit codes: 0 success, 1 the command failed (or check found differences),\n"
    "2 usage error, 3 invalid input (an archive that is not well-formed).";

void Print(FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

// Every line of output that may carry a text from outside (a path, a record's
// text in the trace) shows control and invisible characters as escapes.
std::string Safe(std::wstring_view text) {
    return ToUtf8(Dorv::Orvan::Framework::Common::TerminalSafe(ToUtf8(std::wstring(text))));
}

void Error(const std::wstring& text) { Print(stderr, "orvan: " + Safe(text) + "\n"); }

constexpr wchar_t kSeeHelp[] = L" (see orvan --help)";

// The trace comes in pieces that end their lines themselves.
void PrintTrace(std::wstring_view text) {
    const bool ends = !text.empty() && text.back() == L'\n';
    Print(stderr, Safe(ends ? text.substr(0, text.size() - 1) : text) + (ends ? "\n" : ""));
}

// Options naming files: never empty (an unset variable in a script would
// quietly mean the default) and UTF-8, which names are kept as.
std::string FileNameProblem(const std::string& value) {
    if (value.empty()) {
        return "must not be empty";
    }
    if (ToUtf8(FromUtf8(value)) != value) {
        return "is not valid UTF-8 (file names are taken as UTF-8)";
    }
    return {};
}
const CLI::Validator kFileName(FileNameProblem, "FILE");

// Prints the commands' messages (errors on standard error, the rest unless
// quiet) and shows their progress on one line of the terminal, at most ten
// times a second, where standard error is one.
class TerminalListener final : public orvan::exchange::CommandListener {
public:
    TerminalListener(bool quiet, bool showProgress) : quiet_(quiet), showProgress_(showProgress) {}
    TerminalListener(const TerminalListener&) = delete;
    TerminalListener& operator=(const TerminalListener&) = delete;

    void ShowMessage(std::wstring_view text, MessageKind kind) override {
        ClearProgress();
        if (kind == MessageKind::Error) {
            Error(std::wstring(text));
        } else if (!quiet_) {
            Print(kind == MessageKind::Information ? stdout : stderr, Safe(text) + "\n");
        }
    }

    void ShowProgress(const Dorv::Orvan::Framework::Common::Progress& progress) override {
        if (!showProgress_) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - shown_ < std::chrono::milliseconds(100)) {
            return;
        }
        shown_ = now;
        char line[128];
        if (progress.unit == "bytes") {
            std::snprintf(line, sizeof line, "\r%.*s: %llu of %llu MiB ", static_cast<int>(progress.stage.size()),
                          progress.stage.data(), static_cast<unsigned long long>(progress.done >> 20),
                          static_cast<unsigned long long>(progress.total >> 20));
        } else {
            std::snprintf(line, sizeof line, "\r%.*s: %llu objects ", static_cast<int>(progress.stage.size()),
                          progress.stage.data(), static_cast<unsigned long long>(progress.done));
        }
        Print(stderr, line);
        dirty_ = true;
    }
    ~TerminalListener() override { ClearProgress(); }

private:
    void ClearProgress() {
        if (std::exchange(dirty_, false)) {
            Print(stderr, "\r\033[K");
        }
    }

    bool quiet_;
    bool showProgress_;
    std::chrono::steady_clock::time_point shown_{};
    bool dirty_ = false;
};

int ExitCodeFor(const orvan::app::CommandOutcome& outcome) {
    switch (outcome.kind) {
        case orvan::app::CommandOutcome::Kind::Succeeded: return kSuccess;
        case orvan::app::CommandOutcome::Kind::InvalidInput: return kInvalidInput;
        case orvan::app::CommandOutcome::Kind::Usage: return kUsage;
        case orvan::app::CommandOutcome::Kind::Failed: break;
    }
    return kFailed;
}

// Runs an inspection and maps every exception to a message and an exit code,
// as the commands do.
template <typename Inspection>
int Inspect(Inspection inspection) {
    try {
        return inspection();
    } catch (...) {
        const orvan::app::CommandOutcome outcome = orvan::app::DescribeFailure();
        Error(outcome.detail);
        return ExitCodeFor(outcome);
    }
}

int RunCheck(const std::wstring& archive, bool quiet, orvan::exchange::CommandListener& listener) {
    return Inspect([&] {
        const orvan::app::CheckReport report = orvan::app::CheckArchive(archive, listener);
        for (const std::string& line : report.removed) {
            Print(stdout, "- " + line + "\n");
        }
        for (const std::string& line : report.added) {
            Print(stdout, "+ " + line + "\n");
        }
        if (!quiet || !report.Passed()) {
            Print(stdout, report.Passed()
                              ? "check: passed: " + std::to_string(report.attachments) +
                                    " attachments intact; the archive imports and exports again unchanged\n"
                              : "check: failed: " + std::to_string(report.removed.size() + report.added.size()) +
                                    " lines differ after an import and an export\n");
        }
        return report.Passed() ? kSuccess : kFailed;
    });
}

// The commands' names, for the message about an unknown one.
std::string CommandNames(const CLI::App& app) {
    std::string names;
    for (const CLI::App* command : app.get_subcommands({})) {
        names += (names.empty() ? "" : ", ") + command->get_name();
    }
    return names;
}

// A word where a command belongs that is none: CLI11 only says that one is required.
bool ReportUnknownCommand(CLI::App& app) {
    const std::vector<std::string> rest = app.remaining();
    if (!app.get_subcommands().empty() || rest.empty() || rest.front().starts_with('-')) {
        return false;
    }
    Error(L"unknown command " + Dorv::Orvan::Framework::Common::Quoted(rest.front()) +
          L"; the commands are: " + FromUtf8(CommandNames(app)) + kSeeHelp);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    orvan::platform::UseBinaryStandardStreams();
    CLI::App app{"Exports and imports patient-record archives, as the " ORVAN_NAME " dialog does.", ORVAN_CLI_NAME};
    app.set_version_flag("--version", ORVAN_CLI_NAME " " ORVAN_VERSION);
    app.footer(kExitCodes);
    app.require_subcommand(1);
    app.fallthrough();  // the global options may follow the command too
    // A path such as "/tmp/x" stays a path on every system, never an option.
    app.allow_windows_style_options(false);
    std::string dataDirectory;
    app.add_option("--data-dir", dataDirectory,
                   "Folder of exportORVAN.orvan, document2export.txt and temp/ (default: the program's data directory)")
        ->check(kFileName);
    bool verbose = false;
    bool quiet = false;
    auto* verboseFlag = app.add_flag("-v,--verbose", verbose, "Show the debug trace and failed debug assertions on standard error");
    app.add_flag("-q,--quiet", quiet, "Show nothing but errors")->excludes(verboseFlag);

    std::string archivePath;
    std::string record;
    auto* exportCommand =
        app.add_subcommand("export", "Write the demonstration record (or --record) to exportORVAN.orvan and read it back");
    exportCommand->add_option("--record", record, "Export the record of this JSON file instead of the demonstration record")
        ->check(kFileName);
    exportCommand->add_option("--archive", archivePath, "Write this archive instead of exportORVAN.orvan")->check(kFileName);
    auto* importCommand = app.add_subcommand("import", "Import exportORVAN.orvan, writing its attachments into temp/");
    importCommand->add_option("--record-out", record, "Also write the imported record as JSON to this file")
        ->check(kFileName);
    importCommand->add_option("--archive", archivePath, "Import this archive instead of exportORVAN.orvan")
        ->check(kFileName);
    auto* dump = app.add_subcommand("dump", "Print an archive's header, structure and attachments");
    std::string archive;
    bool json = false;
    dump->add_option("ARCHIVE", archive, "The archive to print")->required()->check(kFileName);
    dump->add_flag("--json", json, "Print JSON instead of an indented tree");
    auto* check = app.add_subcommand("check", "Check an archive: attachments' CRCs, and an import and export round trip");
    check->add_option("ARCHIVE", archive, "The archive to check")->required()->check(kFileName);
    app.add_subcommand("demo-record", "Print the demonstration record as JSON, attachment paths relative to the current folder");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (ReportUnknownCommand(app)) {
            return kUsage;
        }
        if (error.get_exit_code() != 0) {
            Error(FromUtf8(error.what()) + kSeeHelp);  // one line, as every other message
            return kUsage;
        }
        return app.exit(error) == 0 ? kSuccess : kUsage;  // --help, --version
    }

    using orvan::platform::DebugAssertOutput;
    using orvan::platform::DebugTraceOutput;
    DebugTraceOutput().Replace([verbose](std::wstring_view text) {
        if (verbose) {
            PrintTrace(text);
        }
    });
    DebugAssertOutput().Replace([verbose](const orvan::platform::AssertionFailure& failure) {
        if (verbose) {
            Print(stderr, std::string(failure.file) + ":" + std::to_string(failure.line) +
                              ": debug assertion failed: " + std::string(failure.condition) + "\n");
        }
    });
    TerminalListener listener(quiet, !quiet && orvan::platform::IsTerminal(stderr));

    const std::string command = app.get_subcommands().front()->get_name();
    if (command == "dump") {
        return Inspect([&] {
            Print(stdout, orvan::app::DumpArchive(FromUtf8(archive), json));
            return kSuccess;
        });
    }
    if (command == "check") {
        return RunCheck(FromUtf8(archive), quiet, listener);
    }
    if (!dataDirectory.empty()) {
        // Every remaining command writes into it; made owner-only, as the default one is.
        if (!orvan::app::CreateFolders(FromUtf8(dataDirectory))) {
            Error(L"cannot create the data directory " + Dorv::Orvan::Framework::Common::Quoted(dataDirectory));
            return kFailed;
        }
    }
    orvan::app::COrvanCommands commands(dataDirectory.empty() ? std::nullopt
                                                              : std::optional<std::wstring>(FromUtf8(dataDirectory)));
    if (command == "demo-record") {
        return Inspect([&] {
            structOrvanOnePatientComm demo;
            commands.FillOrvanOnePatientCommStruct(demo);
            Print(stdout, orvan::app::RecordToJson(demo, std::filesystem::current_path()));
            return kSuccess;
        });
    }
    if (!archivePath.empty()) {
        commands.SetArchive(FromUtf8(archivePath));
    }
    if (!record.empty()) {
        command == "export" ? commands.SetRecordSource(FromUtf8(record)) : commands.SetRecordTarget(FromUtf8(record));
    }
    const orvan::app::CommandOutcome outcome =
        command == "export" ? commands.OnBnClickedExport(listener) : commands.OnBnClickedImport(listener);
    if (!outcome.Succeeded() && !outcome.shown) {
        Error(outcome.detail);  // a failure the dialog passes over in silence
    }
    return ExitCodeFor(outcome);
}
