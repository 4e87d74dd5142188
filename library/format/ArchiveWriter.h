#pragma once

#include <string>

namespace Dorv::Orvan::Framework::Common {

class AtomicFileWriter;

namespace Classes {
class PrimaryClass;
}
struct SavedArchive;

// Writes `structure` with its header and attachments as the archive at `path`,
// atomically, and durably unless `durable` is false (for scratch copies that
// go with the structure). Throws the library's exception when the structure
// cannot be saved (an object owned twice, a reference leaving the structure,
// nesting deeper than the format allows) or the file cannot be written; the
// file at `path` is then as it was. An archive beyond the format's limits
// (FormatFacts.h) is refused the same way.
void WriteArchive(const Classes::PrimaryClass& structure, const std::wstring& path, bool durable = true,
                  SavedArchive* saved = nullptr);
// The same into `out`, which the caller then commits or keeps; `saved` gets
// no path.
void WriteArchive(const Classes::PrimaryClass& structure, AtomicFileWriter& out, SavedArchive* saved);

}  // namespace Dorv::Orvan::Framework::Common
