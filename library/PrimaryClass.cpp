#include "library/PrimaryClass.h"


#include <cerrno>
#include <filesystem>

#include "library/Archive.h"
#include "library/format/ArchiveWriter.h"
#include "library/format/ScratchTakeOver.h"
#include "library/io/FaultInjection.h"
#include "library/io/File.h"
#include "library/io/HugePageArena.h"
#include "library/io/MimeTypesAhead.h"
#include "library/ClassInfo.h"
#include "library/OrvanException.h"
#include "platform/FileSystem.h"
#include "platform/UniqueFolder.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common::Classes {

PrimaryClass::PrimaryClass()
    : memory_(std::make_unique<HugePageArena>()),
      typesAhead_(std::make_unique<MimeTypesAhead>(std::span<const std::wstring>())) {
    owner_ = this;
}

void PrimaryClass::IdentifyTypesAhead(std::span<const std::wstring> paths) {
    typesAhead_ = std::make_unique<MimeTypesAhead>(paths);
}

PrimaryClass::~PrimaryClass() { Dispose(); }

bool PrimaryClass::FactoryFails(std::string_view factory) { return FaultInjection::FactoryFails(factory); }

void* PrimaryClass::Allocate(std::size_t size) {
    if (void* object = memory_->Allocate(size)) {
        return object;
    }
    throw std::bad_alloc();
}

void PrimaryClass::Deallocate(void* object) noexcept { memory_->Deallocate(object); }

Object* PrimaryClass::Adopt(Object* object) {
    try {
        objects_.push_back(object);
    } catch (...) {
        Destroy(object);
        throw;
    }
    object->owner_ = this;
    object->slot_ = static_cast<std::uint32_t>(objects_.size());
    return object;
}

void PrimaryClass::Destroy(Object* object) noexcept {
    object->~Object();
    Deallocate(object);
}

Object* PrimaryClass::Make(const ClassInfo& info) { return Adopt(info.make(*this)); }

std::unique_ptr<Archive> PrimaryClass::Save(const std::wstring& path) { return SaveTo(path, true); }

std::unique_ptr<Archive> PrimaryClass::SaveTo(const std::wstring& path, bool durable) {
    if (FactoryFails("PrimaryClass.Save")) {
        return nullptr;
    }
    if (durable && scratch_) {
        // The disk writes the scratch file while the structure is compared
        // with it; taking the file over then finds most of its flush done.
        const std::jthread flushing = FlushInBackground(scratch_->path);
        if (ArchiveMatches(*this, *scratch_) && LinkReplacing(scratch_->path, path)) {
            return std::make_unique<Archive>(path);
        }
    }
    SavedArchive saved;
    WriteArchive(*this, path, durable, &saved);
    if (!durable) {
        scratch_ = std::make_unique<SavedArchive>(std::move(saved));
    }
    return std::make_unique<Archive>(path);
}

std::unique_ptr<Archive> PrimaryClass::Save() {
    if (!scratchTarget_.empty()) {
        if (FactoryFails("PrimaryClass.Save")) {
            return nullptr;
        }
        RemoveStaleTemporariesOf(scratchTarget_);  // what killed processes left
        AtomicFileWriter out(scratchTarget_, false);
        SavedArchive saved;
        WriteArchive(*this, out, &saved);
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
    // Objects refer to each other only by plain pointers, so they can go in any order.
    for (Object* object : objects_) {
        Destroy(object);
    }
    objects_.clear();
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
        orvan::platform::DeleteFile(path);
        scratch_.reset();
    }
}

}  // namespace Dorv::Orvan::Framework::Common::Classes
