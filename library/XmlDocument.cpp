#include "library/XmlDocument.h"

#include <algorithm>
#include <cstring>

#include "library/OrvanException.h"
#include "library/XmlText.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

using orvan::platform::FromUtf8;

constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_eol | pugi::parse_ws_pcdata_single |
                                   pugi::parse_doctype;

bool IsTrue(pugi::xml_attribute attribute) { return std::strcmp(attribute.value(), XmlNames::kTrue) == 0; }

}  // namespace

XmlDocument::XmlDocument(std::string content, std::wstring where)
    : content_(std::move(content)), where_(std::move(where)) {
    const pugi::xml_parse_result result =
        document_.load_buffer_inplace(content_.data(), content_.size(), kParseOptions, pugi::encoding_utf8);
    if (!result) {
        const auto offset = static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0));
        const auto line = std::count(content_.begin(), content_.begin() + static_cast<std::ptrdiff_t>(
                                                                             std::min(offset, content_.size())),
                                     '\n') + 1;
        throw OrvanFormatException(where_ + L", line " + std::to_wstring(line) + L": malformed XML (" +
                                   FromUtf8(result.description()) + L")");
    }
    for (pugi::xml_node node : document_.children()) {
        if (node.type() == pugi::node_doctype) {
            Fail(node, L"a DOCTYPE is not allowed");
        }
    }
}

std::string_view XmlDocument::Content(pugi::xml_node element, std::string& raw) const {
    const pugi::xml_node only = element.first_child();
    if (!only) {
        return {};
    }
    if (!only.next_sibling() && only.type() == pugi::node_pcdata && !std::strchr(only.value(), '&')) {
        return only.value();
    }
    raw.clear();
    for (pugi::xml_node child : element.children()) {
        if (child.type() == pugi::node_pcdata) {
            const auto decoded = XmlText::DecodeEntities(child.value());
            if (!decoded) {
                Fail(element, L"unknown entity or malformed character reference");
            }
            raw += *decoded;
        } else if (child.type() == pugi::node_cdata) {
            raw += child.value();
        } else if (child.type() == pugi::node_element) {
            Fail(child, L"unexpected element");
        }
    }
    return raw;
}

std::optional<std::wstring> XmlDocument::Text(pugi::xml_node element) const {
    if (IsTrue(element.attribute(XmlNames::kNil))) {
        return std::nullopt;
    }
    std::string scratch;
    const auto text =
        XmlText::DecodeText(Content(element, scratch), IsTrue(element.attribute(XmlNames::kEscaped)));
    if (!text) {
        Fail(element, L"malformed UTF-8 or escape sequence in text");
    }
    return text;
}

void XmlDocument::Fail(pugi::xml_node at, const std::wstring& problem) const {
    throw OrvanFormatException(Locate(at) + L": " + problem);
}

std::wstring XmlDocument::Locate(pugi::xml_node node) const {
    const auto offset = static_cast<std::size_t>(std::max<std::ptrdiff_t>(node.offset_debug(), 0));
    const auto line = std::count(content_.begin(),
                                 content_.begin() + static_cast<std::ptrdiff_t>(std::min(offset, content_.size())),
                                 '\n') + 1;
    std::wstring path;
    for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent()) {
        std::size_t index = 1;
        std::size_t same = 0;
        for (pugi::xml_node sibling = n.parent().child(n.name()); sibling;
             sibling = sibling.next_sibling(n.name())) {
            ++same;
            if (sibling == n) {
                index = same;
            }
        }
        std::wstring step = L"/" + FromUtf8(n.name());
        if (same > 1) {
            step += L"[" + std::to_wstring(index) + L"]";
        }
        path = step + path;
    }
    return where_ + L", line " + std::to_wstring(line) + (path.empty() ? L"" : L", " + path);
}

}  // namespace Dorv::Orvan::Framework::Common
