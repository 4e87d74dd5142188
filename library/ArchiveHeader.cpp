#include "library/ArchiveHeader.h"

#include <cstring>

#include "library/XmlDocument.h"
#include "library/XmlText.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

constexpr char kRoot[] = "OrvanArchive";
constexpr char kNamespace[] = "urn:orvan:archive:1";
constexpr char kVersion[] = "1";

struct Field {
    const char* name;
    Classes::Text ArchiveHeader::*member;
};
constexpr Field kFields[] = {
    {"OrvanId", &ArchiveHeader::OrvanId},
    {"TemplateOrvanId", &ArchiveHeader::TemplateOrvanId},
    {"Title", &ArchiveHeader::Title},
    {"Language", &ArchiveHeader::Language},
};

}  // namespace

std::string WriteArchiveHeader(const ArchiveHeader& header) {
    std::string out = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<") + kRoot + " xmlns=\"" +
                      kNamespace + "\" " + XmlNames::kFormatVersion + "=\"" + kVersion + "\">\n";
    for (const Field& field : kFields) {
        const Classes::Text& value = header.*field.member;
        if (!value) {
            continue;
        }
        const bool escaped = XmlText::NeedsEscapedForm(*value);
        out += std::string("<") + field.name + (escaped ? " escaped=\"true\">" : ">");
        XmlText::AppendText(out, *value, escaped);
        out += std::string("</") + field.name + ">\n";
    }
    out += std::string("</") + kRoot + ">\n";
    return out;
}

ArchiveHeader ReadArchiveHeader(const XmlDocument& xml) {
    const pugi::xml_node root = xml.Root();
    if (std::strcmp(root.name(), kRoot) != 0 || std::strcmp(root.attribute("xmlns").value(), kNamespace) != 0) {
        xml.Fail(root, L"not an archive header");
    }
    if (std::strcmp(root.attribute(XmlNames::kFormatVersion).value(), kVersion) != 0) {
        xml.Fail(root, L"unsupported format version");
    }
    ArchiveHeader header;
    std::size_t next = 0;  // fields appear in their order, each at most once
    for (pugi::xml_node element : root.children()) {
        if (element.type() != pugi::node_element) {
            continue;
        }
        while (next < std::size(kFields) && std::strcmp(kFields[next].name, element.name()) != 0) {
            ++next;
        }
        if (next == std::size(kFields)) {
            xml.Fail(element, L"unknown, repeated or misplaced element");
        }
        header.*kFields[next++].member = xml.Text(element);
    }
    return header;
}

}  // namespace Dorv::Orvan::Framework::Common
