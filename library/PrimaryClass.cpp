#include "library/PrimaryClass.h"

#include <cerrno>
#include <filesystem>

#include "library/Archive.h"
#include "library/format/ArchiveWriter.h"
#include "library/format/ScratchTakeOver.h"
#include "library/io/FaultInjection.h"
#include "library/io/File.h"
#include "library/io/MimeTypesAhead.h"
#include "library/ObjectStore.h"
#include "library/OrvanException.h"
#include "library/ReadBack.h"
#include "platform/FileSystem.h"
#include "platform/UniqueFolder.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common::Classes {

PrimaryClass::PrimaryClass() : store_(std::make_unique<ObjectStore>(*this)) { IdentifyTypesAhead({}); }

void PrimaryClass::IdentifyTypesAhead(std::span<const std::wstring> paths) {
    typesAhead_ = std::make_unique<MimeTypesAhead>(std::vector<std::wstring>(paths.begin(), paths.end()));
    LendServices();
}

void PrimaryClass::UseAttachmentsAhead(std::shared_ptr<AttachmentsAhead> ahead) {
    attachmentsAhead_ = std::move(ahead);
    LendServices();
}

void PrimaryClass::UseArchive(const Archive& archive) {
    header_ = ArchiveHeader{archive.OrvanId, archive.TemplateOrvanId, archive.Title, archive.Language};
    progress_ = archive.ProgressReports();
    UseAttachmentsAhead(archive.AttachmentsExtractedAhead());
}

void PrimaryClass::ReportProgressTo(ProgressListener listener) {
    progress_ = std::move(listener);
    LendServices();
}

void PrimaryClass::LendServices() { store_->Lend({typesAhead_.get(), attachmentsAhead_.get(), progress_}); }

PrimaryClass::~PrimaryClass() { Dispose(); }

std::unique_ptr<Archive> PrimaryClass::Save(const std::wstring& path) { return SaveTo(path, true); }

std::unique_ptr<Archive> PrimaryClass::SaveTo(const std::wstring& path, bool durable) {
    if (FaultInjection::FactoryFails("PrimaryClass.Save")) {
        return nullptr;
    }
    if (durable && scratch_) {
        // The disk writes the scratch file while the structure is compared
        // with it; taking the file over then finds most of its flush done.
        const std::jthread flushing = FlushInBackground(scratch_->path);
        if (ArchiveMatches(*store_, header_, *scratch_) && LinkReplacing(scratch_->path, path)) {
            return std::make_unique<Archive>(path);
        }
    }
    SavedArchive saved;
    WriteArchive(*store_, header_, path, durable, &saved);
    if (!durable) {
        scratch_ = std::make_unique<SavedArchive>(std::move(saved));
    }
    return std::make_unique<Archive>(path);
}

std::unique_ptr<Archive> PrimaryClass::Save() {
    if (!scratchTarget_.empty()) {
        if (FaultInjection::FactoryFails("PrimaryClass.Save")) {
            return nullptr;
        }
        RemoveStaleTemporariesOf(scratchTarget_);  // what killed processes left
        AtomicFileWriter out(scratchTarget_, false);
        SavedArchive saved;
        StructureWritten written;
        if (readBack_ != nullptr) {
            ReadBack* readBack = std::exchange(readBack_, nullptr);
            readBack->saved_ = nullptr;
            written = [readBack](const std::wstring& file, const ZipReader::Entry& entry) { readBack->Start(file, entry); };
        }
        WriteArchive(*store_, header_, out, &saved, written);
        auto file = std::make_unique<File>(out.Keep());
        saved.path = file->Path();
        RemoveScratch();
        scratchFile_ = std::move(file);
        scratch_ = std::make_unique<SavedArchive>(std::move(saved));
        return std::make_unique<Archive>(scratch_->path);
    }
    if (scratchFolder_.empty()) {
        const std::wstring parent = orvan::platform::TemporaryFilesFolder();
        auto created = orvan::platform::CreateUniqueFolder(parent, L"orvan-");
        if (!created) {
            throw OrvanIoException(L"cannot create a scratch folder: " +
                                   DescribeSystemError(parent + L"/orvan-XXXXXX", errno));
        }
        scratchFolder_ = std::move(*created);
    }
    return SaveTo(scratchFolder_ + orvan::platform::kPathSeparator + L"structure.orvan", false);
}

void PrimaryClass::Dispose() {
    if (readBack_ != nullptr) {
        std::exchange(readBack_, nullptr)->saved_ = nullptr;
    }
    store_->Clear();
    RemoveScratch();
    if (!scratchFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(orvan::platform::ToPath(scratchFolder_), ignored);
        scratchFolder_.clear();
        scratch_.reset();
    }
}

void PrimaryClass::RemoveScratch() noexcept {
    if (scratchFile_) {
        const std::wstring path = scratchFile_->Path();
        scratchFile_.reset();  // closed first: Windows removes no file its opener keeps from others
        orvan::platform::RemoveFile(path);
        scratch_.reset();
    }
}

}  // namespace Dorv::Orvan::Framework::Common::Classes
