#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "library/DateTime.h"
#include "library/Object.h"

// How single values cross between the record model and the record library.
namespace orvan::exchange {

using Dorv::Orvan::Framework::Common::DateTime;
using Dorv::Orvan::Framework::Common::Classes::Text;

// Texts end at their first NUL; the library always gets a text (never a
// missing one) and a missing text of the library arrives as an empty one.
Text ToLibraryText(const std::wstring& text);
std::wstring ToRecordText(const Text& text);
// The same, taking the text's storage rather than copying it: for objects
// that are dropped once imported. `text` is left missing.
std::wstring TakeRecordText(Text& text);

// OLE dates by the OLE automation rules; throws the library's conversion
// exception outside 0100-01-01 to 9999-12-31.
DateTime ToLibraryDate(double oleDate);
double ToRecordDate(const DateTime& date);

// IDs widen with their sign; the way back keeps the low 32 bits.
inline std::int64_t WidenId(std::int32_t id) { return id; }
inline std::int32_t LowBits(std::int64_t id) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(id)); }

// Tri-state flags: -1 no value, 0 false, anything else true (read back as 1).
std::optional<bool> ToLibraryFlag(std::int32_t flag);
std::int32_t ToRecordFlag(const std::optional<bool>& flag);

}  // namespace orvan::exchange
