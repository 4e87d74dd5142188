#include "library/format/XmlReader.h"

#include <algorithm>
#include <memory>
#include <new>

#include "library/OrvanException.h"
#include "library/io/Quoted.h"
#include "library/format/XmlText.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

constexpr char kSeparator = XmlEventStream::kSeparator;

// "{namespace}local" for messages.
std::wstring Spelled(std::string_view name) {
    const std::size_t split = name.find(kSeparator);
    if (split == std::string_view::npos) {
        return Quoted(name);
    }
    return Quoted("{" + std::string(name.substr(0, split)) + "}" + std::string(name.substr(split + 1)));
}

}  // namespace

XmlReader::XmlReader(std::wstring where, std::string_view documentNamespace)
    : where_(std::move(where)), namespace_(documentNamespace) {}

void XmlReader::Parse(ByteSource& source, Handler& handler) {
    depth_ = 0;
    parsing_ = true;
    const struct Done {
        bool& parsing;
        ~Done() { parsing = false; }
    } done{parsing_};
    XmlEventStream events(source, namespace_);
    while (const XmlEventStream::Event* event = events.Next()) {
        here_ = event->at;
        switch (event->kind) {
            case XmlEventStream::Event::Kind::Start:
                Start(event->name, event->attributes, handler);
                break;
            case XmlEventStream::Event::Kind::Characters:
                handler.Characters(event->text);
                break;
            case XmlEventStream::Event::Kind::End:
                handler.EndElement();
                --depth_;
                break;
            case XmlEventStream::Event::Kind::Failure:
                Fail(events.Problem());
        }
    }
}

void XmlReader::Start(std::string_view local, std::span<const XmlAttribute> attributes, Handler& handler) {
    if (local.starts_with(kSeparator)) {
        Fail(L"element " + Spelled(local.substr(1)) + L" is not in the namespace '" +
             std::wstring(namespace_.begin(), namespace_.end()) + L"'");
    }
    std::size_t index = 1;
    if (depth_ > 0) {
        Level& parent = levels_[depth_ - 1];
        if (parent.lastChild == local) {
            index = ++parent.lastChildRun;
        } else {
            parent.lastChild.assign(local);
            parent.lastChildRun = 1;
        }
    }
    if (depth_ == levels_.size()) {
        levels_.emplace_back();
    }
    Level& level = levels_[depth_++];
    level.name.assign(local);
    level.index = index;
    level.lastChild.clear();
    level.lastChildRun = 0;
    for (const XmlAttribute& attribute : attributes) {
        if (attribute.name.find(kSeparator) != std::string_view::npos) {
            Fail(L"unknown attribute " + Spelled(attribute.name));
        }
    }
    handler.StartElement(local, attributes);
}

XmlReader::Position XmlReader::Here() const { return parsing_ ? here_ : Position{}; }

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
