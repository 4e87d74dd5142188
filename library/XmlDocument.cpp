#include "library/XmlDocument.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "library/OrvanException.h"
#include "library/XmlText.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

using orvan::platform::FromUtf8;

// Text is kept in its element rather than in a node of its own: a structure
// document is mostly short texts, so the tree needs a third less memory.
constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_eol | pugi::parse_ws_pcdata_single |
                                   pugi::parse_doctype | pugi::parse_embed_pcdata;

bool IsTrue(pugi::xml_attribute attribute) { return std::strcmp(attribute.value(), XmlNames::kTrue) == 0; }

// Parse trees live in the arena for documents, where a large one is built and
// freed much faster. The setting is process-wide; trees made before it are
// still freed correctly, since the arena hands foreign blocks to free.
void UseArenaForParseTrees() {
    static const bool done = [] {
        pugi::set_memory_management_functions(
            [](std::size_t size) { return HugePageArena::Documents().Allocate(size); },
            [](void* block) { HugePageArena::Documents().Deallocate(block); });
        return true;
    }();
    static_cast<void>(done);
}

// Memory for a document's text, uninitialised: the entry's content fills it.
std::unique_ptr<char[], ArenaDelete> AllocateText(std::size_t size) {
    HugePageArena& arena = HugePageArena::Documents();
    auto* text = static_cast<char*>(arena.Allocate(size));
    if (text == nullptr) {
        throw std::bad_alloc();
    }
    return {text, ArenaDelete{&arena}};
}

std::ptrdiff_t Line(const char* text, std::size_t size, std::ptrdiff_t offset) {
    const auto end = std::min(static_cast<std::size_t>(std::max<std::ptrdiff_t>(offset, 0)), size);
    return std::count(text, text + end, '\n') + 1;
}

}  // namespace

XmlDocument::XmlDocument(const ZipReader& archive, const ZipReader::Entry& entry, std::uint64_t limit)
    : where_(L"archive '" + archive.Path() + L"', entry '" + FromUtf8(entry.name) + L"'"),
      content_(nullptr, ArenaDelete{&HugePageArena::Documents()}),
      size_(0) {
    archive.RequireAtMost(entry, limit);
    size_ = static_cast<std::size_t>(entry.uncompressedSize);
    content_ = AllocateText(size_);
    archive.ReadInto(entry, std::as_writable_bytes(std::span(content_.get(), size_)));
    UseArenaForParseTrees();
    const pugi::xml_parse_result result =
        document_.load_buffer_inplace(content_.get(), size_, kParseOptions, pugi::encoding_utf8);
    if (!result) {
        throw OrvanFormatException(where_ + L", line " + std::to_wstring(Line(content_.get(), size_, result.offset)) +
                                   L": malformed XML (" + FromUtf8(result.description()) + L")");
    }
    for (pugi::xml_node node : document_.children()) {
        if (node.type() == pugi::node_doctype) {
            Fail(node, L"a DOCTYPE is not allowed");
        }
    }
}

std::string_view XmlDocument::Content(pugi::xml_node element, std::string& raw) const {
    // The text before any child node is kept in the element itself.
    const char* embedded = element.value();
    if (!element.first_child() && !std::strchr(embedded, '&')) {
        return embedded;
    }
    const auto appendDecoded = [&](const char* text) {
        const auto decoded = XmlText::DecodeEntities(text);
        if (!decoded) {
            Fail(element, L"unknown entity or malformed character reference");
        }
        raw += *decoded;
    };
    raw.clear();
    appendDecoded(embedded);
    for (pugi::xml_node child : element.children()) {
        if (child.type() == pugi::node_pcdata) {
            appendDecoded(child.value());
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
    const auto line = Line(content_.get(), size_, node.offset_debug());
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
