#pragma once

#include <string>

#include "library/FormatLimits.h"
#include "library/PrimaryClass.h"

namespace Dorv::Orvan::Framework::Common {

// Writes `structure` with its header and attachments as the archive at `path`,
// atomically, and durably unless `durable` is false (for scratch copies that
// go with the structure). Throws the library's exception when the structure
// cannot be saved (an object owned twice, a reference leaving the structure,
// nesting deeper than the format allows) or the file cannot be written; the
// file at `path` is then as it was. An archive beyond the format's limits
// (FormatLimits.h) is refused the same way.
void WriteArchive(const Classes::PrimaryClass& structure, const std::wstring& path, bool durable = true);

}  // namespace Dorv::Orvan::Framework::Common
