#include "library/format/StructureWriter.h"

#include <algorithm>
#include <variant>

#include "library/ClassInfo.h"
#include "library/OrvanException.h"
#include "library/format/FormatFacts.h"
#include "library/format/XmlText.h"

namespace Dorv::Orvan::Framework::Common {

namespace Classes {

ObjectNumbering::ObjectNumbering(const ObjectStore& objects)
    : store_(&objects), numbers_(objects.ObjectCount() + 1, 0) {
    WalkDocumentOrder(objects.Root(), [this](const Object& object, std::size_t depth) {
        if (depth > kMaxNestingDepth) {
            throw OrvanFormatException(L"cannot save: objects nest deeper than " +
                                       std::to_wstring(kMaxNestingDepth) + L" levels");
        }
        Number(object);
        for (const PropertyInfo& p : object.GetClass().properties) {
            if (p.kind == PropertyKind::Attachment && p.content(object).Present()) {
                attachments_.emplace_back(&object, &p.content(object));
            }
        }
        return true;
    });
}

void ObjectNumbering::Number(const Object& object) {
    if (&object.Owner() != store_ || numbers_[object.slot_] != 0) {
        const std::string_view name = object.GetClass().name;
        throw OrvanFormatException(L"cannot save: a " + std::wstring(name.begin(), name.end()) +
                                   L" is held twice or belongs to another structure");
    }
    numbers_[object.slot_] = ++count_;
}

}  // namespace Classes

namespace {

using namespace Classes;

constexpr std::size_t kFlushAt = 1 << 20;

// Streams the structure document to its sink.
class StructureXmlWriter {
public:
    using Sink = std::function<void(std::span<const std::byte>)>;

    StructureXmlWriter(const ObjectNumbering& numbering, Sink sink) : numbering_(numbering), sink_(std::move(sink)) {
        out_.reserve(2 * kFlushAt);
    }

    void Write(const Object& root) {
        const std::string rootName(root.GetClass().name);
        out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + rootName + " xmlns=\"" + XmlNames::kStructureNamespace +
                "\" " + XmlNames::kFormatVersion + "=\"1\" " + XmlNames::kId + "=\"1\">\n";
        struct Frame {
            const Object* object;
            std::size_t property = 0;
            std::size_t item = 0;
        };
        std::vector<Frame> stack{{&root}};
        while (!stack.empty()) {
            Frame& frame = stack.back();
            const auto properties = frame.object->GetClass().properties;
            if (frame.property == properties.size()) {
                Close(stack.size() == 1 ? rootName : std::string(Parent(stack)));
                stack.pop_back();
                continue;
            }
            const PropertyInfo& p = properties[frame.property];
            if (!Owns(p.kind)) {
                WriteProperty(*frame.object, p);
                ++frame.property;
                continue;
            }
            if (frame.item == p.count(*frame.object)) {
                ++frame.property;
                frame.item = 0;
                continue;
            }
            const Object* child = p.at(*frame.object, frame.item++);
            if (!child) {
                Nil(p.name);
                continue;
            }
            Open(p.name, numbering_.NumberOf(*child));
            stack.push_back(Frame{child});
        }
        Flush();
    }

private:
    // The name of the property through which the innermost object was reached.
    static std::string_view Parent(const auto& stack) {
        const auto& parent = stack[stack.size() - 2];
        return parent.object->GetClass().properties[parent.property].name;
    }

    void Open(std::string_view name, std::uint32_t number) {
        (out_ += '<') += name;
        out_ += " id=\"";
        XmlText::AppendInteger(out_, number);
        out_ += "\">\n";
    }
    void Close(std::string_view name) {
        (out_ += "</") += name;
        out_ += ">\n";
        if (out_.size() >= kFlushAt) {
            Flush();
        }
    }
    void Nil(std::string_view name) { ((out_ += '<') += name) += " nil=\"true\"/>\n"; }
    void Empty(std::string_view name) { ((out_ += '<') += name) += "/>\n"; }
    void Begin(std::string_view name) { ((out_ += '<') += name) += '>'; }
    void End(std::string_view name) { ((out_ += "</") += name) += ">\n"; }

    void WriteText(std::string_view name, const std::wstring& text) {
        if (text.empty()) {
            return Empty(name);
        }
        const bool escaped = XmlText::NeedsEscapedForm(text);
        ((out_ += '<') += name) += escaped ? " escaped=\"true\">" : ">";
        XmlText::AppendText(out_, text, escaped);
        End(name);
    }

    void WriteReference(const Object& holder, const PropertyInfo& p, const Object* target) {
        if (!target) {
            return Nil(p.name);
        }
        const std::uint32_t number = numbering_.NumberOf(*target);
        if (number == 0 || &target->GetClass() != &p.target()) {
            throw OrvanFormatException(L"cannot save: " + Wide(holder.GetClass().name) + L"." + Wide(p.name) +
                                       L" refers to an object outside the structure");
        }
        ((out_ += '<') += p.name) += " ref=\"";
        XmlText::AppendInteger(out_, number);
        out_ += "\"/>\n";
    }

    void WriteScalar(std::string_view name, const Value& value) {
        if (const auto* number = std::get_if<std::int64_t>(&value)) {
            Begin(name);
            XmlText::AppendInteger(out_, *number);
        } else if (const auto* truth = std::get_if<bool>(&value)) {
            Begin(name);
            out_ += *truth ? "true" : "false";
        } else if (const auto* date = std::get_if<DateTime>(&value)) {
            Begin(name);
            out_ += date->ToString();
        } else if (const auto* real = std::get_if<double>(&value)) {
            ((out_ += '<') += name);
            if (XmlText::NeedsBits(*real)) {
                out_ += " bits=\"";
                XmlText::AppendBits(out_, *real);
                out_ += '"';
            }
            out_ += '>';
            XmlText::AppendDouble(out_, *real);
        }
        End(name);
    }

    void WriteProperty(const Object& object, const PropertyInfo& p) {
        switch (ShapeOf(p.kind)) {
            case PropertyShape::Texts:
                for (const Text& text : p.texts(object)) {
                    text ? WriteText(p.name, *text) : Nil(p.name);
                }
                break;
            case PropertyShape::Objects:
                // Children are not written here: Write opens an element of its own for each.
                for (std::size_t i = 0, n = Owns(p.kind) ? 0 : p.count(object); i < n; ++i) {
                    WriteReference(object, p, p.at(object, i));
                }
                break;
            case PropertyShape::Content:
                if (p.content(object).Present()) {
                    ((out_ += '<') += p.name) += " entry=\"";
                    out_ += AttachmentEntryName(numbering_.NumberOf(object));
                    out_ += "\"/>\n";
                }
                break;
            case PropertyShape::Value:
                if (p.kind == PropertyKind::String) {
                    if (const Text& text = p.text(object)) {
                        WriteText(p.name, *text);
                    }
                } else if (const Value value = p.get(object); !std::holds_alternative<std::monostate>(value)) {
                    WriteScalar(p.name, value);
                }
                break;
        }
    }

    void Flush() {
        written_ += out_.size();
        if (written_ > kMaxStructureBytes) {
            throw OrvanFormatException(L"cannot save: the structure document would exceed " +
                                       std::to_wstring(kMaxStructureBytes >> 20) + L" MiB, more than readers accept");
        }
        sink_(std::as_bytes(std::span(out_.data(), out_.size())));
        out_.clear();
    }

    static std::wstring Wide(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

    const ObjectNumbering& numbering_;
    Sink sink_;
    std::string out_;
    std::uint64_t written_ = 0;
};

}  // namespace

std::string AttachmentEntryName(std::uint64_t number) {
    return ArchiveEntries::kAttachmentPrefix + std::to_string(number);
}

void WriteStructure(const ObjectNumbering& numbering,
                    const std::function<void(std::span<const std::byte>)>& sink) {
    StructureXmlWriter(numbering, sink).Write(numbering.Store().Root());
}

}  // namespace Dorv::Orvan::Framework::Common
