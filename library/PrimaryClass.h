#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/Archive.h"
#include "library/format/ArchiveHeader.h"
#include "library/format/ArchiveWriter.h"
#include "library/BaseCollection.h"
#include "library/io/FaultInjection.h"
#include "library/Object.h"

namespace Dorv::Orvan::Framework::Common::Classes {

// The root of a structure: it owns every object made in it and saves the
// whole structure as one archive file.
class PrimaryClass : public Object {
public:
    ~PrimaryClass() override;

    // Saves to a private scratch file, readable by its owner only, in a folder
    // of its own below the system's temporary folder; file and folder are
    // removed when this structure is released. The scratch copy is not worth
    // waiting for the disk: it is not flushed. Returns the archive written.
    std::unique_ptr<Archive> Save();
    // Saves to `path`: atomically (the old file stays intact until the new one
    // is complete and on disk) and deterministically (the same structure gives
    // the same bytes). When the structure is unchanged since the scratch save
    // and the scratch lies on the same file system, the scratch file itself
    // becomes the archive instead of being written again. Returns the archive
    // written, or nothing when nothing was written. Throws the library's
    // exception when the save fails.
    std::unique_ptr<Archive> Save(const std::wstring& path);

    // Frees every object of the structure and removes its scratch files.
    void Dispose();

    // Makes an object of this structure for the factory named `factory`
    // ("Class.NewX"), or nothing when the test seam says so.
    template <typename T>
    T* Create(std::string_view factory) {
        if (FaultInjection::FactoryFails(factory)) {
            return nullptr;
        }
        return static_cast<T*>(Adopt(std::make_unique<T>()));
    }
    // Makes an object for `factory` and makes it the child in `slot`, or
    // appends it to `list`; nothing changes when the factory fails.
    template <typename T>
    T* CreateInto(T*& slot, std::string_view factory) {
        T* made = Create<T>(factory);
        if (made) {
            slot = made;
        }
        return made;
    }
    template <typename T>
    T* CreateInto(BaseCollection<T*>& list, std::string_view factory) {
        T* made = Create<T>(factory);
        if (made) {
            list.Add(made);
        }
        return made;
    }
    // Takes ownership of an object made outside a factory (by the reader).
    Object* Adopt(std::unique_ptr<Object> object);
    std::size_t ObjectCount() const { return objects_.size(); }

    const ArchiveHeader& Header() const { return header_; }
    ArchiveHeader& Header() { return header_; }

protected:
    PrimaryClass();

private:
    std::unique_ptr<Archive> SaveTo(const std::wstring& path, bool durable);

    std::vector<std::unique_ptr<Object>> objects_;
    ArchiveHeader header_;
    std::wstring scratchFolder_;
    std::optional<SavedArchive> scratch_;  // what the last scratch save wrote
};

}  // namespace Dorv::Orvan::Framework::Common::Classes
