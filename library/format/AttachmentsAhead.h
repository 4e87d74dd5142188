#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "library/Progress.h"
#include "library/io/File.h"
#include "library/io/OpenFileClaim.h"

namespace Dorv::Orvan::Framework::Common {

class ZipReader;

// Writing an archive's attachments out is most of an import, and all it needs
// from the structure document is the names the files get. This extracts every
// attachment of an archive, checked like any extraction, into files without a
// name in `folder`, on a thread of its own, while the structure loads and the
// import maps it; writing a document's content out then only names its file.
// Files nobody takes vanish with this object, or with the process.
//
// Nothing is extracted ahead while a test fault is armed, when the folder's
// file system has no room for the attachments twice over or cannot make
// files without a name, where no thread can be started, beyond the files the
// process may still open (keeping a reserve), and from the first entry that
// fails on: those entries are written out the usual way, which reports
// whatever is wrong with them.
class AttachmentsAhead {
public:
    AttachmentsAhead(std::shared_ptr<const ZipReader> archive, const std::wstring& folder);
    ~AttachmentsAhead();  // stops the extraction and drops what was not taken
    AttachmentsAhead(const AttachmentsAhead&) = delete;
    AttachmentsAhead& operator=(const AttachmentsAhead&) = delete;

    // Gives the entry `entry` of `archive`, extracted ahead, the name `path`,
    // replacing a file there; waits for it while it is being extracted. False,
    // with nothing written, when it is not extracted ahead: the caller writes
    // it out itself. Reports the extraction's progress to `progress` while it waits.
    bool Take(const ZipReader* archive, const std::string& entry, const std::wstring& path,
              const ProgressListener& progress);

private:
    struct Slot {
        std::size_t entry = 0;  // in the archive's entries
        int descriptor = -1;    // the extracted file, until taken
        std::uint64_t done = 0;  // bytes of it extracted so far
    };

    // Opens the folder; whether extracting there ahead is worth it.
    bool Worthwhile(const std::wstring& folder);
    void Run(const std::stop_token& stop);
    // Extracts slot `index` into a new unnamed file; -1 when it cannot.
    int Extract(std::size_t index, const std::stop_token& stop);

    std::shared_ptr<const ZipReader> archive_;
    std::wstring folder_;
    std::vector<Slot> slots_;  // the attachments, in the archive's order
    std::unordered_map<std::string, std::size_t> slotOf_;  // by entry name
    std::optional<OpenFileClaim> claim_;  // how many slots may be extracted

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t decided_ = 0;  // slots before this are extracted or given up
    bool finished_ = false;    // no slot after decided_ will be extracted
    std::jthread worker_;      // last: stopped and joined before the rest goes
};

}  // namespace Dorv::Orvan::Framework::Common
