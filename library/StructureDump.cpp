#include "library/StructureDump.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "library/ClassInfo.h"
#include "library/format/XmlText.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

using namespace Classes;

// A text in double quotes, with every character that is not plainly
// printable written as an escape, so that the picture is one line per value.
std::string Quote(const std::wstring& text) {
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<std::uint32_t>(orvan::platform::NextCodePoint(text, at));
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF || c == 0xFFFE ||
                   c == 0xFFFF) {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\u{%X}", c);
            out += escape;
        } else {
            orvan::platform::AppendUtf8(out, c);
        }
    }
    return out + '"';
}

std::string Format(const Value& value) {
    if (const auto* text = std::get_if<std::wstring>(&value)) {
        return Quote(*text);
    }
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        return std::to_string(*number);
    }
    if (const auto* truth = std::get_if<bool>(&value)) {
        return *truth ? "true" : "false";
    }
    if (const auto* date = std::get_if<DateTime>(&value)) {
        return date->ToString();
    }
    std::string out;
    const double real = std::get<double>(value);
    XmlText::AppendDouble(out, real);
    if (XmlText::NeedsBits(real)) {
        out += " (bits ";
        XmlText::AppendBits(out, real);
        out += ')';
    }
    return out;
}

class DumpBuilder {
public:
    DumpBuilder(const Object& root, DumpIds ids) : ids_(ids) { Number(root); }

    DumpNode Object(const std::string& name, const Classes::Object& object) const {
        DumpNode node{name, Label(object), {}};
        for (const PropertyInfo& p : object.GetClass().properties) {
            const std::string property(p.name);
            switch (ShapeOf(p.kind)) {
                case PropertyShape::Texts: {
                    const auto texts = p.texts(object);
                    for (std::size_t i = 0; i < texts.size(); ++i) {
                        node.children.push_back(
                            {Indexed(property, i), texts[i] ? Quote(*texts[i]) : std::string("nil"), {}});
                    }
                    break;
                }
                case PropertyShape::Content:
                    if (const AttachmentContent& content = p.content(object); content.Present()) {
                        node.children.push_back({property, std::to_string(content.Size()) + " bytes", {}});
                    }
                    break;
                case PropertyShape::Objects:
                    for (std::size_t i = 0, n = p.count(object); i < n; ++i) {
                        const std::string item = p.kind == PropertyKind::Child || p.kind == PropertyKind::Reference
                                                     ? property
                                                     : Indexed(property, i);
                        const Classes::Object* target = p.at(object, i);
                        if (!target) {
                            node.children.push_back({item, "nil", {}});
                        } else if (Owns(p.kind)) {
                            node.children.push_back(Object(item, *target));
                        } else {
                            node.children.push_back({item, "-> " + Label(*target), {}});
                        }
                    }
                    break;
                case PropertyShape::Value:
                    if (const Value value = p.get(object); !std::holds_alternative<std::monostate>(value)) {
                        node.children.push_back({property, Format(value), {}});
                    }
            }
        }
        return node;
    }

private:
    static std::string Indexed(const std::string& name, std::size_t index) {
        return name + "[" + std::to_string(index) + "]";
    }

    std::string Label(const Classes::Object& object) const {
        if (ids_ == DumpIds::AsInFile && object.FileId() != 0) {
            return std::string(object.GetClass().name) + " #" + std::to_string(object.FileId());
        }
        const auto number = numbers_.find(&object);
        return std::string(object.GetClass().name) + " #" +
               (number == numbers_.end() ? std::string("?") : std::to_string(number->second));
    }

    // Document order, as the archive numbers its objects.
    void Number(const Classes::Object& root) {
        WalkDocumentOrder(root, [this](const Classes::Object& object, std::size_t) {
            return numbers_.emplace(&object, numbers_.size() + 1).second;
        });
    }

    DumpIds ids_;
    std::unordered_map<const Classes::Object*, std::size_t> numbers_;
};

void AppendText(std::string& out, const DumpNode& node, int depth) {
    out.append(static_cast<std::size_t>(2 * depth), ' ');
    out += node.name;
    if (!node.value.empty()) {
        out += ": " + node.value;
    }
    out += '\n';
    for (const DumpNode& child : node.children) {
        AppendText(out, child, depth + 1);
    }
}

void AppendPaths(std::vector<std::string>& out, const DumpNode& node, const std::string& parent) {
    const std::string path = parent.empty() ? node.name : parent + "/" + node.name;
    out.push_back(path + " = " + node.value);
    for (const DumpNode& child : node.children) {
        AppendPaths(out, child, path);
    }
}

}  // namespace

DumpNode BuildDump(const ArchiveHeader& header, const Object& structure, DumpIds ids) {
    DumpNode root{"archive", "", {}};
    DumpNode headerNode{"header", "", {}};
    const std::pair<const char*, const Text*> fields[] = {{"OrvanId", &header.OrvanId},
                                                          {"TemplateOrvanId", &header.TemplateOrvanId},
                                                          {"Title", &header.Title},
                                                          {"Language", &header.Language}};
    for (const auto& [name, value] : fields) {
        if (*value) {
            headerNode.children.push_back({name, Quote(**value), {}});
        }
    }
    root.children.push_back(std::move(headerNode));
    root.children.push_back(DumpBuilder(structure, ids).Object("structure", structure));
    return root;
}

std::string DumpAsText(const DumpNode& root) {
    std::string out;
    AppendText(out, root, 0);
    return out;
}

std::vector<std::string> DumpAsPaths(const DumpNode& root) {
    std::vector<std::string> out;
    AppendPaths(out, root, "");
    return out;
}

}  // namespace Dorv::Orvan::Framework::Common
