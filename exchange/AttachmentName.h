#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace orvan::exchange {

// A file name that is safe to create directly inside the attachment folder,
// made from a name an archive stored: its last component (after the last '/'
// or '\'), up to its first NUL. When nothing usable is left (empty, "." or
// "..", longer than a file name may be, or the name of a temporary file) the name is made from the
// document's ID instead: "document-<id>".
std::wstring SafeAttachmentName(const std::wstring& storedName, std::int32_t documentId);

// The file names given out during one import, so that no attachment replaces
// another: a name's first claim gets it unchanged, later claims the variants
// "stem (2).ext", "stem (3).ext", ... that nothing has claimed, each short
// enough for a file name.
class AttachmentNames {
public:
    std::wstring Claim(const std::wstring& name);
    void Clear();

private:
    std::set<std::wstring> taken_;
    std::map<std::wstring, unsigned> nextVariant_;  // where the search for a name's next variant goes on
};

}  // namespace orvan::exchange
