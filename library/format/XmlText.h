#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "library/DateTime.h"

// How values are spelled in the archive's XML documents, both directions.
namespace Dorv::Orvan::Framework::Common::XmlText {

// Whether `text` holds a character XML 1.0 cannot carry (most control
// characters, carriage return included, U+FFFE, U+FFFF, surrogates, values
// beyond U+10FFFF). Such a text is written in escaped form: a backslash is
// written "\\" and each such character "\<hex>;".
bool NeedsEscapedForm(std::wstring_view text);

// Appends `text` as UTF-8 element content, in escaped form when asked.
void AppendText(std::string& out, std::wstring_view text, bool escapedForm);

// Replaces the five predefined entities and character references in raw
// element content; nothing for any other '&', a malformed reference or a
// character reference to a character XML does not allow.
std::optional<std::string> DecodeEntities(std::string_view raw);
// Strictly decoded UTF-8: nothing for overlong forms, surrogates, values
// beyond U+10FFFF or broken sequences.
std::optional<std::wstring> DecodeUtf8(std::string_view utf8);
// The text of decoded UTF-8 content; nothing for malformed UTF-8 or escapes.
std::optional<std::wstring> DecodeText(std::string_view utf8, bool escapedForm);

// Numbers, truth values, doubles (shortest exact decimal; "INF", "-INF",
// "NaN") and date-times ("YYYY-MM-DDThh:mm:ss.fff").
void AppendInteger(std::string& out, std::int64_t value);
std::optional<std::int64_t> ParseInteger(std::string_view text);
std::optional<bool> ParseBool(std::string_view text);
// A NaN whose bits are not those of the default quiet NaN also needs its bits,
// as 16 hex digits.
bool NeedsBits(double value);
void AppendDouble(std::string& out, double value);
void AppendBits(std::string& out, double value);
std::optional<double> ParseDouble(std::string_view text);
std::optional<double> ParseBits(std::string_view hex);

}  // namespace Dorv::Orvan::Framework::Common::XmlText

namespace Dorv::Orvan::Framework::Common::XmlNames {

// Namespaces and attribute names of the format's two documents.
inline constexpr char kStructureNamespace[] = "urn:orvan:structure:1";
inline constexpr char kHeaderNamespace[] = "urn:orvan:archive:1";
inline constexpr char kFormatVersion[] = "formatVersion";
inline constexpr char kId[] = "id";
inline constexpr char kRef[] = "ref";
inline constexpr char kNil[] = "nil";
inline constexpr char kEscaped[] = "escaped";
inline constexpr char kBits[] = "bits";
inline constexpr char kEntry[] = "entry";
inline constexpr char kTrue[] = "true";

}  // namespace Dorv::Orvan::Framework::Common::XmlNames
