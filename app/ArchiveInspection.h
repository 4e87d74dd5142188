#pragma once

#include <string>
#include <vector>

#include "exchange/CommandListener.h"

namespace orvan::app {

// The picture of the archive at `path` (header, every object and property,
// attachment sizes) as an indented tree, or as JSON. Throws the record
// library's exception for an archive that cannot be read.
std::string DumpArchive(const std::wstring& path, bool json);

struct CheckReport {
    std::size_t attachments = 0;        // attachments whose content and CRC were read
    std::vector<std::string> removed;   // "path = value" lines only the archive has
    std::vector<std::string> added;     // lines only the archive made again has
    bool Passed() const { return removed.empty() && added.empty(); }
};

// Loads the archive, reads every attachment to check its CRC, imports it into
// a record, exports that record to a scratch archive and compares the two
// pictures. Scratch files are removed again; what the import and the export
// report goes to `listener`. Throws like DumpArchive.
CheckReport CheckArchive(const std::wstring& path,
                         exchange::CommandListener& listener = exchange::MessageBoxListener());

}  // namespace orvan::app
