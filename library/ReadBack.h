#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "library/zip/ZipReader.h"

namespace Dorv::Orvan::Framework::Common {

class Archive;
class StructureLoad;
namespace Classes {
class PrimaryClass;
}

// Reads back the structure a save writes, beside the write. Armed on a
// structure saved beside its target, its next scratch save starts reading the
// structure document from the file, on a thread of its own, as soon as the
// document is there, while the attachments are still being written. Finish
// then takes that read for the archive the save became, as loading the
// archive would, only sooner.
class ReadBack {
public:
    // Arms the next scratch save of `saved` (PrimaryClass::Save()); what is
    // read goes into `into`, a new, empty structure of the same class, which
    // nothing else touches until Finish.
    ReadBack(Classes::PrimaryClass& saved, Classes::PrimaryClass& into);
    ~ReadBack();  // stops a read still going and waits for it
    ReadBack(const ReadBack&) = delete;
    ReadBack& operator=(const ReadBack&) = delete;

    // Waits for the read. True when `archive`, opened (and so checked) after
    // the save, holds the very structure document read, the same entry with
    // the same stored bytes: `into` is then the structure loaded from
    // `archive`, its documents bound to its entries. False, with `into` to be
    // thrown away, when nothing was read ahead (another save, no thread) or the
    // archive holds anything else: the caller loads the archive as usual.
    // Throws what the read found wrong with the document.
    bool Finish(const Archive& archive);

private:
    friend class Classes::PrimaryClass;
    // Called by the save: the structure document is entry `entry` of `file`.
    void Start(const std::wstring& file, const ZipReader::Entry& entry);
    void Read(const std::wstring& file);

    Classes::PrimaryClass* saved_;  // while armed: the structure whose next scratch save starts the read
    Classes::PrimaryClass& into_;
    ZipReader::Entry entry_;
    std::uint32_t storedCrc_ = 0;  // of the entry's bytes as stored
    std::unique_ptr<StructureLoad> load_;
    std::exception_ptr failure_;
    std::atomic<bool> stop_{false};
    std::jthread thread_;  // last: stopped and joined before the rest goes
};

}  // namespace Dorv::Orvan::Framework::Common
