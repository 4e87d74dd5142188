#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace orvan::exchange {

// A file name that is safe to create directly inside the attachment folder,
// made from a name an archive stored: its last component (after the last '/'
// or '\'), up to its first NUL, as this system lets a file be named
// (platform::UsableFileName: on Windows its forbidden characters become '_'
// and trailing dots and spaces go). When nothing usable is left (empty, "."
// or "..", a device's name, longer than a file name may be, or the name of a
// temporary file) the name is made from the document's ID instead:
// "document-<id>".
std::wstring SafeAttachmentName(const std::wstring& storedName, std::int32_t documentId);

// The file names given out during one import, so that no attachment replaces
// another: a name's first claim gets it unchanged, later claims the variants
// "stem (2).ext", "stem (3).ext", ... that nothing has claimed, each short
// enough for a file name. Names are compared as the file system compares them
// (platform::FileNameKey: "Report.txt" and "REPORT.TXT" are one on Windows),
// and a name that reaches another file in the folder (a short 8.3 alias of a
// long name, on Windows) is never given out.
class AttachmentNames {
public:
    // Starts afresh for an import into `folder` (none: names are only given out).
    void Reset(const std::wstring& folder);
    std::wstring Claim(const std::wstring& name);

private:
    bool Take(const std::wstring& name);

    std::wstring folder_;  // with a separator at its end
    std::set<std::wstring> taken_;  // the keys of the names given out
    std::map<std::wstring, unsigned> nextVariant_;  // by key: where the search for its next variant goes on
};

}  // namespace orvan::exchange
