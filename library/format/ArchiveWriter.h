#pragma once

#include <functional>
#include <string>

#include "library/zip/ZipReader.h"

namespace Dorv::Orvan::Framework::Common {

class AtomicFileWriter;
struct ArchiveHeader;

namespace Classes {
class ObjectStore;
}
struct SavedArchive;

// Writes the structure of `objects` with `header` and its attachments as the archive at `path`,
// atomically, and durably unless `durable` is false (for scratch copies that
// go with the structure). Throws the library's exception when the structure
// cannot be saved (an object owned twice, a reference leaving the structure,
// nesting deeper than the format allows) or the file cannot be written; the
// file at `path` is then as it was. An archive beyond the format's limits
// (FormatFacts.h) is refused the same way.
void WriteArchive(const Classes::ObjectStore& objects, const ArchiveHeader& header, const std::wstring& path,
                  bool durable = true, SavedArchive* saved = nullptr);
// Told, as soon as the structure document is in the file, the file's path and
// the document's entry, while the attachments are still to be written.
using StructureWritten = std::function<void(const std::wstring& file, const ZipReader::Entry& entry)>;

// The same into `out`, which the caller then commits or keeps; `saved` gets
// no path.
void WriteArchive(const Classes::ObjectStore& objects, const ArchiveHeader& header, AtomicFileWriter& out,
                  SavedArchive* saved, const StructureWritten& written = {});

}  // namespace Dorv::Orvan::Framework::Common
