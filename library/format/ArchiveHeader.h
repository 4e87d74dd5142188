#pragma once

#include <string>

#include "library/Object.h"

namespace Dorv::Orvan::Framework::Common {

class ZipReader;

// The header entry of an archive: what identifies the structure inside.
struct ArchiveHeader {
    Classes::Text OrvanId;
    Classes::Text TemplateOrvanId;
    Classes::Text Title;
    Classes::Text Language;

    bool operator==(const ArchiveHeader&) const = default;
};

// The header as the XML document stored in the archive, and back. Reading
// throws OrvanFormatException naming the entry for anything but a valid header.
std::string WriteArchiveHeader(const ArchiveHeader& header);
ArchiveHeader ReadArchiveHeader(const ZipReader& archive);

}  // namespace Dorv::Orvan::Framework::Common
