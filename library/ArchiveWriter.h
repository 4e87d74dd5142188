#pragma once

#include <string>

#include "library/PrimaryClass.h"

namespace Dorv::Orvan::Framework::Common {

// Writes `structure` with its header and attachments as the archive at `path`,
// atomically, and durably unless `durable` is false (for scratch copies that
// go with the structure). Throws the library's exception when the structure
// cannot be saved (an object owned twice, a reference leaving the structure,
// nesting deeper than the format allows) or the file cannot be written; the
// file at `path` is then as it was.
void WriteArchive(const Classes::PrimaryClass& structure, const std::wstring& path, bool durable = true);

// Object nesting the format allows: deeper archives are refused when read, so
// they are never written.
inline constexpr std::size_t kMaxNestingDepth = 64;

}  // namespace Dorv::Orvan::Framework::Common
