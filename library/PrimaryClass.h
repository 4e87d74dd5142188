#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/Archive.h"
#include "library/Object.h"
#include "library/format/ArchiveHeader.h"

namespace Dorv::Orvan::Framework::Common {
class File;
class AttachmentsAhead;
class MimeTypesAhead;
class ReadBack;
struct SavedArchive;
}

namespace Dorv::Orvan::Framework::Common::Classes {

class ObjectStore;

// The root of a structure: its store owns every object made in it (Owner()
// makes them), and it saves the whole structure as one archive file.
class PrimaryClass : public Object {
public:
    ~PrimaryClass() override;

    // Saves to a scratch file, readable by its owner only: beside the target
    // named by SaveScratchBeside, or else in a private folder of its own below
    // the system's temporary folder. The file (and folder) are removed when
    // this structure is released or the next scratch save is done; beside a
    // target it is held locked meanwhile, so that what a killed process left
    // there is told apart and removed by the next scratch save for that target.
    // The scratch copy is not worth waiting for the disk: it is not flushed.
    // Returns the archive written.
    std::unique_ptr<Archive> Save();
    // Makes scratch saves lie beside `target`, the path this structure will be
    // saved to: taking the scratch file over as the archive then needs no
    // second write, and no room outside the target's folder.
    void SaveScratchBeside(const std::wstring& target) { scratchTarget_ = target; }
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

    // Identifying a file's type is the slow part of taking a document in, and
    // it can be done for many files at once, while the structure is built:
    // this starts identifying the files at `paths` on the other cores, so
    // that documents taken in from them later find their types known (as long
    // as the file is unchanged).
    void IdentifyTypesAhead(std::span<const std::wstring> paths);
    // The attachments of the archive this structure was loaded from, being
    // extracted ahead (Archive::ExtractAttachmentsAhead), or nothing.
    AttachmentsAhead* AttachmentsExtractedAhead() const { return attachmentsAhead_.get(); }

    // Sends the progress of saving, loading and writing out documents to `listener`.
    void ReportProgressTo(ProgressListener listener);

    const ArchiveHeader& Header() const { return header_; }
    ArchiveHeader& Header() { return header_; }

protected:
    PrimaryClass();
    // Takes what a structure loaded from `archive` has from it: the header,
    // where progress goes, the attachments extracted ahead.
    void UseArchive(const Archive& archive);

private:
    friend class Common::ReadBack;  // arms the next scratch save, completes the structure read
    void UseAttachmentsAhead(std::shared_ptr<AttachmentsAhead> ahead);
    std::unique_ptr<Archive> SaveTo(const std::wstring& path, bool durable);
    // Lends the store what its objects use beyond it.
    void LendServices();
    // Removes the scratch file beside the target, if there is one.
    void RemoveScratch() noexcept;

    std::unique_ptr<ObjectStore> store_;  // the objects; this is their root
    std::unique_ptr<const MimeTypesAhead> typesAhead_;
    std::shared_ptr<AttachmentsAhead> attachmentsAhead_;
    ProgressListener progress_;
    ArchiveHeader header_;
    std::wstring scratchTarget_;  // beside which scratch saves lie, if set
    std::wstring scratchFolder_;  // the private folder of scratch saves without a target
    std::unique_ptr<File> scratchFile_;  // the locked scratch file beside the target
    std::unique_ptr<SavedArchive> scratch_;  // what the last scratch save wrote, if any
    Common::ReadBack* readBack_ = nullptr;  // told where the next scratch save puts its structure document
};

}  // namespace Dorv::Orvan::Framework::Common::Classes
