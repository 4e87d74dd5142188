// orvan: the headless front end. It runs the same Export and Import commands
// as the dialog, and inspects archives.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
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
#include "platform/Memory.h"
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
const CLI::Validator kFileName(FileNameProblem, "");

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

// What the command line gives the commands.
struct Options {
    std::string dataDirectory;
    bool verbose = false;
    bool quiet = false;
    std::string archive;  // --archive, or the archive inspected
    std::string record;   // --record or --record-out
    bool json = false;
};

// The commands, working in the data directory the options name, which is
// created owner-only, as the default one is; nothing when it cannot be.
std::optional<orvan::app::COrvanCommands> CommandsIn(const Options& options) {
    if (options.dataDirectory.empty()) {
        return orvan::app::COrvanCommands();
    }
    const std::wstring folder = FromUtf8(options.dataDirectory);
    if (!orvan::app::CreateFolders(folder)) {
        Error(L"cannot create the data directory " + Dorv::Orvan::Framework::Common::Quoted(options.dataDirectory));
        return std::nullopt;
    }
    return orvan::app::COrvanCommands(folder);
}

// Runs Export or Import as the dialog does.
int RunDialogCommand(const Options& options, orvan::exchange::CommandListener& listener, bool exporting) {
    std::optional<orvan::app::COrvanCommands> commands = CommandsIn(options);
    if (!commands) {
        return kFailed;
    }
    if (!options.archive.empty()) {
        commands->SetArchive(FromUtf8(options.archive));
    }
    if (!options.record.empty()) {
        exporting ? commands->SetRecordSource(FromUtf8(options.record))
                  : commands->SetRecordTarget(FromUtf8(options.record));
    }
    const orvan::app::CommandOutcome outcome =
        exporting ? commands->OnBnClickedExport(listener) : commands->OnBnClickedImport(listener);
    if (!outcome.Succeeded() && !outcome.shown) {
        Error(outcome.detail);  // a failure the dialog passes over in silence
    }
    return ExitCodeFor(outcome);
}

int RunExport(const Options& options, orvan::exchange::CommandListener& listener) {
    return RunDialogCommand(options, listener, true);
}

int RunImport(const Options& options, orvan::exchange::CommandListener& listener) {
    return RunDialogCommand(options, listener, false);
}

int RunDump(const Options& options, orvan::exchange::CommandListener&) {
    return Inspect([&] {
        Print(stdout, orvan::app::DumpArchive(FromUtf8(options.archive), options.json));
        return kSuccess;
    });
}

int RunCheck(const Options& options, orvan::exchange::CommandListener& listener) {
    return Inspect([&] {
        const orvan::app::CheckReport report = orvan::app::CheckArchive(FromUtf8(options.archive), listener);
        for (const std::string& line : report.removed) {
            Print(stdout, "- " + line + "\n");
        }
        for (const std::string& line : report.added) {
            Print(stdout, "+ " + line + "\n");
        }
        if (!options.quiet || !report.Passed()) {
            Print(stdout, report.Passed()
                              ? "check: passed: " + std::to_string(report.attachments) +
                                    " attachments intact; the archive imports and exports again unchanged\n"
                              : "check: failed: " + std::to_string(report.removed.size() + report.added.size()) +
                                    " lines differ after an import and an export\n");
        }
        return report.Passed() ? kSuccess : kFailed;
    });
}

// The demonstration record makes its attachment in the data directory.
int RunDemoRecord(const Options& options, orvan::exchange::CommandListener&) {
    std::optional<orvan::app::COrvanCommands> commands = CommandsIn(options);
    if (!commands) {
        return kFailed;
    }
    return Inspect([&] {
        structOrvanOnePatientComm demo;
        commands->FillOrvanOnePatientCommStruct(demo);
        Print(stdout, orvan::app::RecordToJson(demo, std::filesystem::current_path()));
        return kSuccess;
    });
}

void AddFileOption(CLI::App& command, const char* name, std::string& value, const char* type, const char* help) {
    command.add_option(name, value, help)->check(kFileName)->type_name(type);
}

// The commands: their names, their help, their own options and what runs them.
struct Command {
    const char* name;
    const char* help;
    void (*addOptions)(CLI::App& command, Options& options);
    int (*run)(const Options& options, orvan::exchange::CommandListener& listener);
};

const Command kCommands[] = {
    {"export", "Write the demonstration record (or --record) to exportORVAN.orvan and read it back",
     [](CLI::App& command, Options& options) {
         AddFileOption(command, "--record", options.record, "FILE.json",
                       "Export the record of this JSON file instead of the demonstration record");
         AddFileOption(command, "--archive", options.archive, "FILE", "Write this archive instead of exportORVAN.orvan");
     },
     RunExport},
    {"import", "Import exportORVAN.orvan, writing its attachments into temp/",
     [](CLI::App& command, Options& options) {
         AddFileOption(command, "--record-out", options.record, "FILE.json",
                       "Also write the imported record as JSON to this file");
         AddFileOption(command, "--archive", options.archive, "FILE", "Import this archive instead of exportORVAN.orvan");
     },
     RunImport},
    {"dump", "Print an archive's header, structure and attachments",
     [](CLI::App& command, Options& options) {
         AddFileOption(command, "ARCHIVE", options.archive, "FILE", "The archive to print");
         command.get_option("ARCHIVE")->required();
         command.add_flag("--json", options.json, "Print JSON instead of an indented tree");
     },
     RunDump},
    {"check", "Check an archive: attachments' CRCs, and an import and export round trip",
     [](CLI::App& command, Options& options) {
         AddFileOption(command, "ARCHIVE", options.archive, "FILE", "The archive to check");
         command.get_option("ARCHIVE")->required();
     },
     RunCheck},
    {"demo-record", "Print the demonstration record as JSON, attachment paths relative to the current folder",
     [](CLI::App&, Options&) {}, RunDemoRecord},
};

// The debug trace and failed debug assertions show on standard error with -v.
void ShowTraceWhen(bool verbose) {
    orvan::platform::DebugTraceOutput().Replace([verbose](std::wstring_view text) {
        if (verbose) {
            PrintTrace(text);
        }
    });
    orvan::platform::DebugAssertOutput().Replace([verbose](const orvan::platform::AssertionFailure& failure) {
        if (verbose) {
            Print(stderr, std::string(failure.file) + ":" + std::to_string(failure.line) +
                              ": debug assertion failed: " + std::string(failure.condition) + "\n");
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    orvan::platform::ReturnLargeFreedBlocks();
    orvan::platform::UseBinaryStandardStreams();
    CLI::App app{"Exports and imports patient-record archives, as the " ORVAN_NAME " dialog does.", ORVAN_CLI_NAME};
    app.set_version_flag("--version", ORVAN_CLI_NAME " " ORVAN_VERSION);
    app.footer(kExitCodes);
    app.require_subcommand(1);
    app.fallthrough();  // the global options may follow the command too
    // A path such as "/tmp/x" stays a path on every system, never an option.
    app.allow_windows_style_options(false);
    Options options;
    AddFileOption(app, "--data-dir", options.dataDirectory, "DIR",
                  "Folder of exportORVAN.orvan, document2export.txt and temp/ (default: the program's data directory)");
    auto* verbose = app.add_flag("-v,--verbose", options.verbose,
                                 "Show the debug trace and failed debug assertions on standard error");
    app.add_flag("-q,--quiet", options.quiet, "Show nothing but errors")->excludes(verbose);
    for (const Command& command : kCommands) {
        command.addOptions(*app.add_subcommand(command.name, command.help), options);
    }

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

    ShowTraceWhen(options.verbose);
    TerminalListener listener(options.quiet, !options.quiet && orvan::platform::IsTerminal(stderr));
    const std::string chosen = app.get_subcommands().front()->get_name();
    for (const Command& command : kCommands) {
        if (chosen == command.name) {
            return command.run(options, listener);
        }
    }
    return kUsage;  // CLI11 accepts no other command
}
