#include "library/format/XmlReader.h"

#include <expat.h>

#include <algorithm>
#include <memory>
#include <new>

#include "library/OrvanException.h"
#include "library/io/Quoted.h"
#include "library/format/XmlText.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

// Separates namespace and local name in the names expat reports.
constexpr char kSeparator = '\x01';
constexpr int kChunk = 256 << 10;

struct ParserDelete {
    void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};

// "{namespace}local" for messages.
std::wstring Spelled(std::string_view name) {
    const std::size_t split = name.find(kSeparator);
    if (split == std::string_view::npos) {
        return Quoted(name);
    }
    return Quoted("{" + std::string(name.substr(0, split)) + "}" + std::string(name.substr(split + 1)));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

bool IsUtf16Mark(const char* start) {
    const std::string_view mark(start, 2);
    return mark == "\xFF\xFE" || mark == "\xFE\xFF";
}

}  // namespace

// What the expat callbacks reach: the reader, the handler, and the first
// exception, which must not cross expat's C frames; it is kept and thrown
// once expat has returned.
struct XmlReader::Session {
    XmlReader& reader;
    Handler& handler;
    std::exception_ptr failure;
    std::vector<XmlAttribute> attributes;

    template <typename Event>
    static void Guarded(void* user, Event&& event) {
        auto& session = *static_cast<Session*>(user);
        if (session.failure) {
            return;  // expat may deliver a few events after being stopped
        }
        try {
            event(session);
        } catch (...) {
            session.failure = std::current_exception();
            XML_StopParser(static_cast<XML_Parser>(session.reader.parser_), XML_FALSE);
        }
    }

    void Start(const XML_Char* name, const XML_Char** attributeList) {
        const std::string_view qualified(name);
        const std::size_t split = qualified.find(kSeparator);
        if (split == std::string_view::npos || qualified.substr(0, split) != reader.namespace_) {
            reader.Fail(L"element " + Spelled(qualified) + L" is not in the namespace '" +
                        std::wstring(reader.namespace_.begin(), reader.namespace_.end()) + L"'");
        }
        const std::string_view local = qualified.substr(split + 1);
        std::size_t index = 1;
        if (reader.depth_ > 0) {
            Level& parent = reader.levels_[reader.depth_ - 1];
            if (parent.lastChild == local) {
                index = ++parent.lastChildRun;
            } else {
                parent.lastChild.assign(local);
                parent.lastChildRun = 1;
            }
        }
        if (reader.depth_ == reader.levels_.size()) {
            reader.levels_.emplace_back();
        }
        Level& level = reader.levels_[reader.depth_++];
        level.name.assign(local);
        level.index = index;
        level.lastChild.clear();
        level.lastChildRun = 0;
        attributes.clear();
        for (const XML_Char** a = attributeList; *a; a += 2) {
            const std::string_view attributeName(a[0]);
            if (attributeName.find(kSeparator) != std::string_view::npos) {
                reader.Fail(L"unknown attribute " + Spelled(attributeName));
            }
            attributes.push_back(XmlAttribute{attributeName, a[1]});
        }
        handler.StartElement(local, attributes);
    }

    void End() {
        handler.EndElement();
        --reader.depth_;
    }
};

XmlReader::XmlReader(std::wstring where, std::string_view documentNamespace)
    : where_(std::move(where)), namespace_(documentNamespace) {}

void XmlReader::Parse(ByteSource& source, Handler& handler) {
    // The encoding given here overrides any the document declares; a
    // declaration of another encoding is refused below rather than misread.
    const std::unique_ptr<XML_ParserStruct, ParserDelete> parser(XML_ParserCreateNS("UTF-8", kSeparator));
    if (!parser) {
        throw std::bad_alloc();
    }
    parser_ = parser.get();
    depth_ = 0;
    Session session{*this, handler, nullptr, {}};
    XML_SetUserData(parser.get(), &session);
    XML_SetElementHandler(
        parser.get(),
        [](void* user, const XML_Char* name, const XML_Char** attributes) {
            Session::Guarded(user, [&](Session& s) { s.Start(name, attributes); });
        },
        [](void* user, const XML_Char*) { Session::Guarded(user, [](Session& s) { s.End(); }); });
    XML_SetCharacterDataHandler(parser.get(), [](void* user, const XML_Char* text, int length) {
        Session::Guarded(user, [&](Session& s) {
            s.handler.Characters(std::string_view(text, static_cast<std::size_t>(length)));
        });
    });
    XML_SetXmlDeclHandler(parser.get(), [](void* user, const XML_Char* version, const XML_Char* encoding, int) {
        Session::Guarded(user, [&](Session& s) {
            if (version && std::string_view(version) != "1.0") {
                s.reader.Fail(L"XML version " + Quoted(version) + L" is not supported (only 1.0)");
            }
            if (encoding && !EqualsIgnoringCase(encoding, "UTF-8")) {
                s.reader.Fail(L"encoding " + Quoted(encoding) + L" is not supported (only UTF-8)");
            }
        });
    });
    XML_SetStartDoctypeDeclHandler(parser.get(),
                                   [](void* user, const XML_Char*, const XML_Char*, const XML_Char*, int) {
                                       Session::Guarded(user,
                                                        [](Session& s) { s.reader.Fail(L"a DOCTYPE is not allowed"); });
                                   });
    for (bool first = true;; first = false) {
        void* buffer = XML_GetBuffer(parser.get(), kChunk);
        if (!buffer) {
            throw std::bad_alloc();
        }
        const std::size_t n = source.Read(std::span(static_cast<std::byte*>(buffer), kChunk));
        // expat follows a UTF-16 byte order mark whatever encoding it was given.
        if (first && n >= 2 && IsUtf16Mark(static_cast<const char*>(buffer))) {
            Fail(L"encoding UTF-16 is not supported (only UTF-8)");
        }
        const XML_Status status = XML_ParseBuffer(parser.get(), static_cast<int>(n), n == 0);
        if (session.failure) {
            parser_ = nullptr;
            std::rethrow_exception(session.failure);
        }
        if (status != XML_STATUS_OK) {
            Fail(L"malformed XML (" + Quoted(XML_ErrorString(XML_GetErrorCode(parser.get()))) + L")");
        }
        if (n == 0) {
            break;
        }
    }
    parser_ = nullptr;
}

XmlReader::Position XmlReader::Here() const {
    if (!parser_) {
        return {};
    }
    const auto parser = static_cast<XML_Parser>(parser_);
    return {XML_GetCurrentLineNumber(parser), XML_GetCurrentColumnNumber(parser) + 1};
}

void XmlReader::Fail(const std::wstring& problem) const {
    const Position at = Here();
    const std::wstring path = Path();
    throw OrvanFormatException(where_ + L", line " + std::to_wstring(at.line) + L", column " +
                               std::to_wstring(at.column) + (path.empty() ? L"" : L", " + path) + L": " + problem);
}

void XmlReader::FailAt(Position at, const std::wstring& problem) const {
    throw OrvanFormatException(where_ + L", line " + std::to_wstring(at.line) + L", column " +
                               std::to_wstring(at.column) + L": " + problem);
}

std::wstring XmlReader::Path() const {
    std::string path;
    for (const Level& level : std::span(levels_).first(depth_)) {
        path += "/" + level.name;
        if (level.index > 1) {
            path += "[" + std::to_string(level.index) + "]";
        }
    }
    return orvan::platform::FromUtf8(path);
}

const std::string_view* XmlReader::Find(std::span<const XmlAttribute> attributes, std::string_view name) {
    for (const XmlAttribute& a : attributes) {
        if (a.name == name) {
            return &a.value;
        }
    }
    return nullptr;
}

void XmlReader::RequireKnown(std::span<const XmlAttribute> attributes,
                             std::initializer_list<std::string_view> allowed) const {
    for (const XmlAttribute& a : attributes) {
        if (std::find(allowed.begin(), allowed.end(), a.name) == allowed.end()) {
            Fail(L"unknown attribute " + Quoted(a.name));
        }
    }
}

bool XmlReader::Flag(std::span<const XmlAttribute> attributes, std::string_view name) const {
    const std::string_view* value = Find(attributes, name);
    if (!value) {
        return false;
    }
    const auto flag = XmlText::ParseBool(*value);
    if (!flag) {
        Fail(L"attribute " + Quoted(name) + L" is not a truth value");
    }
    return *flag;
}

void XmlReader::RequireWhiteSpace(std::string_view text) const {
    if (text.find_first_not_of(" \t\n\r") != std::string_view::npos) {
        Fail(L"text between elements");
    }
}

}  // namespace Dorv::Orvan::Framework::Common
