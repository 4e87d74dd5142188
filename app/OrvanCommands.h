#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "exchange/CommandListener.h"
#include "record/OrvanOnePatientComm.h"

namespace orvan::app {

// How a command ended, for front ends that report more than the dialog does.
struct CommandOutcome {
    enum class Kind { Succeeded, Failed, InvalidInput, Usage };
    Kind kind = Kind::Succeeded;
    std::wstring detail;  // what went wrong
    bool shown = false;   // whether a message box told the user already; the dialog passes over the rest

    bool Succeeded() const { return kind == Kind::Succeeded; }
};

// The outcome of the exception being handled, tried in the commands' order:
// the framework's exception family (std::bad_alloc included), the record
// library's, anything else. Call only inside a catch block.
CommandOutcome DescribeFailure();

// Runs `command`, turning any exception into an error message to `listener`,
// tried in this order: the framework's exception family, the record library's
// family, anything else ("Unexpected error occurred").
CommandOutcome RunGuarded(exchange::CommandListener& listener, const std::function<CommandOutcome()>& command);

// The program's two commands, Export and Import, free of any toolkit: the
// dialog and the command-line tool run the very same code. Messages and
// progress go to the listener the caller hands over, the busy cursor through
// its guard.
class COrvanCommands {
public:
    // Files live in `dataDirectory` ('/' is appended when missing), or in the
    // program's data directory when none is given.
    explicit COrvanCommands(std::optional<std::wstring> dataDirectory = std::nullopt);

    // The data directory, ending with '/'.
    std::wstring GetProgPath() const;
    // Fills `record` with the demonstration communication; creates the
    // attachment file when it is missing.
    void FillOrvanOnePatientCommStruct(structOrvanOnePatientComm& record);

    // Writes the demonstration record to "exportORVAN.orvan" and reads it back.
    CommandOutcome OnBnClickedExport(exchange::CommandListener& listener = exchange::MessageBoxListener());
    // Reads "exportORVAN.orvan" into a record, attachments into "temp".
    CommandOutcome OnBnClickedImport(exchange::CommandListener& listener = exchange::MessageBoxListener());

    // Export and Import use the archive at `path` instead of "exportORVAN.orvan"
    // in the data directory.
    void SetArchive(std::wstring path) { archive_ = std::move(path); }
    // Export writes the record of the JSON file at `path` instead of the
    // demonstration record; a file that does not fit is refused before
    // anything is written.
    void SetRecordSource(std::wstring path) { recordSource_ = std::move(path); }
    // Import also writes the imported record as JSON to `path`.
    void SetRecordTarget(std::wstring path) { recordTarget_ = std::move(path); }
    // The archive Export writes and Import reads.
    std::wstring ArchivePath() const;

    static constexpr wchar_t kArchiveName[] = L"exportORVAN.orvan";
    static constexpr wchar_t kAttachmentSource[] = L"document2export.txt";
    static constexpr wchar_t kAttachmentFolder[] = L"temp";

private:
    CommandOutcome RunExport(exchange::CommandListener& listener);
    CommandOutcome RunImport(exchange::CommandListener& listener);

    std::optional<std::wstring> dataDirectory_;
    std::optional<std::wstring> archive_;
    std::optional<std::wstring> recordSource_;
    std::optional<std::wstring> recordTarget_;
    std::int32_t m_lLastAddressID = 0;  // address numbers continue across the exports of one run
};

}  // namespace orvan::app
