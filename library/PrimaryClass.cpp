#include "library/PrimaryClass.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "library/Archive.h"
#include "library/format/ArchiveWriter.h"
#include "library/io/File.h"
#include "library/OrvanException.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common::Classes {

PrimaryClass::PrimaryClass() { owner_ = this; }

PrimaryClass::~PrimaryClass() { Dispose(); }

Object* PrimaryClass::Adopt(std::unique_ptr<Object> object) {
    object->owner_ = this;
    objects_.push_back(std::move(object));
    return objects_.back().get();
}

std::unique_ptr<Archive> PrimaryClass::Save(const std::wstring& path) { return SaveTo(path, true); }

std::unique_ptr<Archive> PrimaryClass::SaveTo(const std::wstring& path, bool durable) {
    if (FaultInjection::FactoryFails("PrimaryClass.Save")) {
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
        scratch_ = std::move(saved);
    }
    return std::make_unique<Archive>(path);
}

std::unique_ptr<Archive> PrimaryClass::Save() {
    if (scratchFolder_.empty()) {
        std::error_code error;
        const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
        std::string pattern = (error ? std::filesystem::path("/tmp") : temporary) / "orvan-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {  // mode 0700
            throw OrvanIoException(L"cannot create a scratch folder: " +
                                   DescribeSystemError(orvan::platform::FromUtf8(pattern), errno));
        }
        scratchFolder_ = orvan::platform::FromUtf8(pattern);
    }
    return SaveTo(scratchFolder_ + L"/structure.orvan", false);
}

void PrimaryClass::Dispose() {
    // Objects refer to each other only by plain pointers, so they can go in any order.
    objects_.clear();
    if (!scratchFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(orvan::platform::ToPath(scratchFolder_), ignored);
        scratchFolder_.clear();
        scratch_.reset();
    }
}

}  // namespace Dorv::Orvan::Framework::Common::Classes
