#include "app/OrvanCommands.h"

#include "app/CommandFiles.h"
#include "app/DataDirectory.h"
#include "app/UsageError.h"
#include "app/RecordJson.h"
#include "exchange/OrvanHandler.h"
#include "library/OrvanException.h"
#include "platform/BusyCursor.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"

namespace orvan::app {
namespace {

using platform::MessageKind;

// The success message names the archive by its file name.
std::wstring Succeeded(const std::wstring& archive, const wchar_t* done) {
    return L"file '" + archive.substr(archive.find_last_of(platform::kPathSeparators) + 1) + L"' successfully " + done + L"!";
}

}  // namespace

CommandOutcome DescribeFailure() {
    using namespace Dorv::Orvan::Framework::Common;
    if (const auto framework = platform::TranslateFrameworkException()) {
        return {CommandOutcome::Kind::Failed, *framework, false};
    }
    try {
        throw;
    } catch (const UsageError& error) {
        return {CommandOutcome::Kind::Usage, error.Message(), false};
    } catch (const OrvanFormatException& error) {
        return {CommandOutcome::Kind::InvalidInput, error.Message(), false};
    } catch (const OrvanConversionException& error) {
        return {CommandOutcome::Kind::InvalidInput, error.Message(), false};
    } catch (const OrvanException& error) {
        return {CommandOutcome::Kind::Failed, error.Message(), false};
    } catch (...) {
        return {CommandOutcome::Kind::Failed, L"Unexpected error occurred", false};
    }
}

// The command's own objects, busy cursor included, are gone before the message shows.
CommandOutcome RunGuarded(exchange::CommandListener& listener, const std::function<CommandOutcome()>& command) {
    CommandOutcome failure;
    try {
        return command();
    } catch (...) {
        failure = DescribeFailure();
    }
    listener.ShowMessage(failure.detail, MessageKind::Error);
    failure.shown = true;
    return failure;
}

COrvanCommands::COrvanCommands(std::optional<std::wstring> dataDirectory) : dataDirectory_(std::move(dataDirectory)) {
    if (dataDirectory_ && (dataDirectory_->empty() || !platform::IsPathSeparator(dataDirectory_->back()))) {
        *dataDirectory_ += platform::kPathSeparator;
    }
}

std::wstring COrvanCommands::GetProgPath() const { return dataDirectory_ ? *dataDirectory_ : ProgramDataDirectory(); }

std::wstring COrvanCommands::ArchivePath() const { return archive_ ? *archive_ : GetProgPath() + kArchiveName; }

CommandOutcome COrvanCommands::OnBnClickedExport(exchange::CommandListener& listener) {
    return RunGuarded(listener, [this, &listener] { return RunExport(listener); });
}

CommandOutcome COrvanCommands::OnBnClickedImport(exchange::CommandListener& listener) {
    return RunGuarded(listener, [this, &listener] { return RunImport(listener); });
}

CommandOutcome COrvanCommands::RunExport(exchange::CommandListener& listener) {
    const platform::BusyCursor busy;
    structOrvanOnePatientComm record;
    record.Reset();
    std::vector<NamedFile> inputs;
    if (recordSource_) {
        inputs.push_back({L"record", *recordSource_});
        record = ReadRecordFile(*recordSource_);
    } else {
        FillOrvanOnePatientCommStruct(record);
    }
    ForEachDocumentLeaf(record.sPatientInfo.vecDocumentTree, [&](const structOrvanDocumentLeaf& leaf, auto) {
        if (!leaf.sDocument.bstrFilename.empty()) {
            inputs.push_back({L"attachment", leaf.sDocument.bstrFilename});
        }
    });
    const NamedFile archive{L"archive", ArchivePath()};
    CheckOutputsAgainstInputs({archive}, inputs);
    COrvanHandler handler(listener);
    if (!ORVAN_ASSERT(handler.DoOrvanExport(WritableTarget(archive, false), &record) != 0)) {
        return CommandOutcome{CommandOutcome::Kind::Failed, L"file '" + archive.path + L"' was not written", false};
    }
    listener.ShowMessage(Succeeded(archive.path, L"exported"), MessageKind::Information);
    return CommandOutcome{};
}

CommandOutcome COrvanCommands::RunImport(exchange::CommandListener& listener) {
    const platform::BusyCursor busy;
    const std::wstring archive = ArchivePath();
    platform::DebugTrace(L"%ls\n", archive);
    if (!ORVAN_ASSERT(platform::GetFileStatus(archive).has_value())) {
        return CommandOutcome{CommandOutcome::Kind::Failed, L"file '" + archive + L"' does not exist: export first", false};
    }
    const std::wstring attachments = GetProgPath() + kAttachmentFolder;
    // An existing folder is normal; what it is, the import checks.
    if (!platform::CreateFolder(attachments) && !platform::GetFileStatus(attachments)) {
        throw platform::CFileException(attachments, L"the attachment folder cannot be created");
    }
    // The import writes into the attachment folder: neither the archive nor
    // the record's file may lie there, nor may the record's file be the archive.
    const NamedFile archiveFile{L"archive", archive};
    const NamedFile folder{L"attachment folder", attachments};
    CheckOutputsAgainstInputs({archiveFile}, {}, {folder});
    std::optional<std::wstring> recordTarget;
    if (recordTarget_) {
        const NamedFile recordFile{L"record output", *recordTarget_};
        CheckOutputsAgainstInputs({recordFile}, {archiveFile}, {folder});
        recordTarget = WritableTarget(recordFile, true);
    }
    structOrvanOnePatientComm record;
    COrvanHandler handler(listener);
    // Success is reported only for an import that succeeded.
    if (!ORVAN_ASSERT(handler.DoOrvanImport(archive, attachments, &record) != 0)) {
        return CommandOutcome{CommandOutcome::Kind::Failed, L"file '" + archive + L"' was not imported", false};
    }
    if (recordTarget) {
        WriteRecordFile(*recordTarget, record);
    }
    listener.ShowMessage(Succeeded(archive, L"imported"), MessageKind::Information);
    return CommandOutcome{};
}

}  // namespace orvan::app
