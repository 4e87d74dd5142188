#pragma once

#include <pugixml.hpp>

#include <memory>
#include <optional>
#include <string>

#include "library/HugePageArena.h"
#include "library/ZipReader.h"

namespace Dorv::Orvan::Framework::Common {

// One XML document of an archive, parsed strictly: no DOCTYPE (so no entity
// can be declared or expanded), only the predefined entities and character
// references, UTF-8 only. Errors name the entry, the line and the element path.
class XmlDocument {
public:
    // Reads and parses the entry of `archive`, which may hold at most `limit`
    // bytes. Throws OrvanFormatException naming archive and entry when the
    // document is not well-formed, and the reader's exceptions when the entry
    // cannot be read.
    XmlDocument(const ZipReader& archive, const ZipReader::Entry& entry, std::uint64_t limit);

    pugi::xml_node Root() const { return document_.document_element(); }

    // The text of a text element: nothing for an element marked nil, else its
    // content decoded (escaped form when the element says so). Throws for
    // malformed content or child elements.
    std::optional<std::wstring> Text(pugi::xml_node element) const;
    // The character data of an element without children elements, entities
    // decoded: a view of the document when it needs no decoding, else of `scratch`.
    std::string_view Content(pugi::xml_node element, std::string& scratch) const;

    [[noreturn]] void Fail(pugi::xml_node at, const std::wstring& problem) const;

private:
    std::wstring Locate(pugi::xml_node node) const;

    std::wstring where_;
    std::unique_ptr<char[], ArenaDelete> content_;  // parsed in place: the tree points into it
    std::size_t size_;
    pugi::xml_document document_;
};

// Attribute names of the format.
namespace XmlNames {
inline constexpr char kFormatVersion[] = "formatVersion";
inline constexpr char kId[] = "id";
inline constexpr char kRef[] = "ref";
inline constexpr char kNil[] = "nil";
inline constexpr char kEscaped[] = "escaped";
inline constexpr char kBits[] = "bits";
inline constexpr char kEntry[] = "entry";
inline constexpr char kTrue[] = "true";
}  // namespace XmlNames

}  // namespace Dorv::Orvan::Framework::Common
