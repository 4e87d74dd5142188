#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace Dorv::Orvan::Framework::Common {

// Identifying a file's type by its content is the slow part of taking an
// attachment in, and it can be done for many files at once: this identifies
// the files at `paths` on all cores, for DetectMimeType to take their types
// from it. Each type is kept with the file's identity (device, inode, size,
// time of last change), so a file changed in between is identified afresh;
// files that cannot be read are simply left out. A structure keeps the types
// its documents are taken in with (PrimaryClass::IdentifyTypesAhead).
class MimeTypesAhead {
public:
    explicit MimeTypesAhead(std::span<const std::wstring> paths);

    // The type found ahead for the open file `descriptor`, when this identified
    // that very file and it is unchanged since.
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

    std::map<std::pair<std::uint64_t, std::uint64_t>, Found> found_;
};

}  // namespace Dorv::Orvan::Framework::Common
