#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace Dorv::Orvan::Framework::Common {

// Identifying a file's type by its content is the slow part of taking an
// attachment in, and it can be done for many files at once, while the caller
// does other work: this identifies the files at `paths` on threads of its own,
// one core fewer than the machine has (at least one), for DetectMimeType to
// take their types from it. Each type is kept with the file's identity
// (device, inode, size, time of last change), so a file changed in between is
// identified afresh; files that cannot be read are simply left out. A
// structure keeps the types its documents are taken in with
// (PrimaryClass::IdentifyTypesAhead). Where no thread can be started, the
// constructor identifies them itself.
class MimeTypesAhead {
public:
    explicit MimeTypesAhead(std::vector<std::wstring> paths);
    ~MimeTypesAhead();  // stops the identification and waits for its threads
    MimeTypesAhead(const MimeTypesAhead&) = delete;
    MimeTypesAhead& operator=(const MimeTypesAhead&) = delete;

    // The type found ahead for the open file `descriptor`, when this identified
    // that very file and it is unchanged since. The first call identifies
    // what is left beside the threads, then waits for them to end.
    std::optional<std::wstring> Lookup(int descriptor) const;

private:
    struct Found {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::uint64_t size = 0;
        std::int64_t changed = 0;  // nanoseconds
        std::wstring type;
    };
    static std::optional<Found> Identify(const std::wstring& path);
    // Identifies the files not taken yet; run by every thread, and by the
    // caller at its first lookup.
    void Work() const noexcept;
    // Waits for the threads and files what they found.
    void Collect() const;

    std::vector<std::wstring> paths_;
    mutable std::vector<std::optional<Found>> results_;  // by path, written by whichever thread took it
    mutable std::atomic<std::size_t> next_{0};  // the next path to take
    std::atomic<bool> stop_{false};
    mutable std::vector<std::jthread> threads_;
    mutable bool collected_ = false;
    mutable std::map<std::pair<std::uint64_t, std::uint64_t>, Found> found_;
};

}  // namespace Dorv::Orvan::Framework::Common
