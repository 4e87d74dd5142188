#include "library/StructureReader.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "library/Archive.h"
#include "library/ArchiveWriter.h"
#include "library/ClassInfo.h"
#include "library/OrvanException.h"
#include "library/Progress.h"
#include "library/XmlDocument.h"
#include "library/XmlText.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

using namespace Classes;
using orvan::platform::FromUtf8;

constexpr char kStructureNamespace[] = "urn:orvan:structure:1";

bool IsTrue(pugi::xml_attribute attribute) { return std::strcmp(attribute.value(), XmlNames::kTrue) == 0; }

class StructureBuilder {
public:
    StructureBuilder(PrimaryClass& structure, std::shared_ptr<const ZipReader> archive, const XmlDocument& xml)
        : structure_(structure), archive_(std::move(archive)), xml_(xml) {}

    void Build() {
        const pugi::xml_node root = xml_.Root();
        const ClassInfo& rootClass = structure_.GetClass();
        if (root.name() != rootClass.name || std::strcmp(root.attribute("xmlns").value(), kStructureNamespace) != 0) {
            xml_.Fail(root, L"not a structure document");
        }
        if (std::strcmp(root.attribute(XmlNames::kFormatVersion).value(), "1") != 0) {
            xml_.Fail(root, L"unsupported format version");
        }
        Register(structure_, root);
        struct Frame {
            Object* object;
            pugi::xml_node next;      // the next element to read
            std::size_t property = 0;  // properties before this one are done
            bool seen = false;         // whether the current property appeared already
        };
        std::vector<Frame> stack{{&structure_, FirstElement(root)}};
        while (!stack.empty()) {
            Frame& frame = stack.back();
            const pugi::xml_node element = frame.next;
            if (!element) {
                stack.pop_back();
                continue;
            }
            frame.next = NextElement(element);
            const auto properties = frame.object->GetClass().properties;
            // Properties appear in their order; only lists may repeat.
            while (frame.property < properties.size() && properties[frame.property].name != element.name()) {
                ++frame.property;
                frame.seen = false;
            }
            if (frame.property == properties.size()) {
                xml_.Fail(element, L"unknown, repeated or misplaced element");
            }
            const PropertyInfo& p = properties[frame.property];
            if (frame.seen && !IsList(p.kind)) {
                xml_.Fail(element, L"element appears twice");
            }
            frame.seen = true;
            if (Object* child = Read(*frame.object, p, element)) {
                if (stack.size() >= kMaxNestingDepth) {
                    xml_.Fail(element, L"objects nest deeper than " + std::to_wstring(kMaxNestingDepth) + L" levels");
                }
                stack.push_back(Frame{child, FirstElement(element)});
            }
        }
        ResolveReferences();
        CheckEveryEntryUsed();
    }

private:
    struct PendingReference {
        Object* holder;
        const PropertyInfo* property;
        std::uint64_t id;  // 0: an explicit empty member
        pugi::xml_node element;
    };

    static bool IsList(PropertyKind kind) {
        return kind == PropertyKind::Children || kind == PropertyKind::References || kind == PropertyKind::StringList;
    }
    pugi::xml_node FirstElement(pugi::xml_node parent) const {
        CheckIgnorable(parent, parent.value());  // text before the first child
        pugi::xml_node node = parent.first_child();
        while (node && node.type() != pugi::node_element) {
            CheckIgnorable(node);
            node = node.next_sibling();
        }
        return node;
    }
    pugi::xml_node NextElement(pugi::xml_node element) const {
        pugi::xml_node node = element.next_sibling();
        while (node && node.type() != pugi::node_element) {
            CheckIgnorable(node);
            node = node.next_sibling();
        }
        return node;
    }
    // Between elements only white space may stand.
    void CheckIgnorable(pugi::xml_node node) const {
        if (node.type() == pugi::node_pcdata) {
            CheckIgnorable(node.parent(), node.value());
        }
    }
    void CheckIgnorable(pugi::xml_node parent, std::string_view text) const {
        if (text.find_first_not_of(" \t\n") != std::string_view::npos) {
            xml_.Fail(parent, L"text between elements");
        }
    }

    std::uint64_t Id(pugi::xml_node element, const char* attribute) const {
        const auto id = XmlText::ParseInteger(element.attribute(attribute).value());
        if (!id || *id <= 0) {
            xml_.Fail(element, L"missing or invalid '" + FromUtf8(attribute) + L"' attribute");
        }
        return static_cast<std::uint64_t>(*id);
    }

    void Register(Object& object, pugi::xml_node element) {
        const std::uint64_t id = Id(element, XmlNames::kId);
        // Writers number objects densely from 1, so ids go to a table that
        // grows with the objects read; ids far beyond it go to a map.
        if (id < 2 * denseIds_.size() + 1024) {
            if (id >= denseIds_.size()) {
                denseIds_.resize(static_cast<std::size_t>(std::max<std::uint64_t>(id + 1, 2 * denseIds_.size())));
            }
            Object*& slot = denseIds_[static_cast<std::size_t>(id)];
            if (slot || (!sparseIds_.empty() && sparseIds_.contains(id))) {
                xml_.Fail(element, L"duplicate id");
            }
            slot = &object;
        } else if ((id < denseIds_.size() && denseIds_[static_cast<std::size_t>(id)]) ||
                   !sparseIds_.emplace(id, &object).second) {
            xml_.Fail(element, L"duplicate id");
        }
    }

    Object* Lookup(std::uint64_t id) const {
        if (id < denseIds_.size() && denseIds_[static_cast<std::size_t>(id)]) {
            return denseIds_[static_cast<std::size_t>(id)];
        }
        const auto found = sparseIds_.find(id);
        return found == sparseIds_.end() ? nullptr : found->second;
    }

    // Reads one property element; returns the object it made when that object
    // has elements of its own to read.
    Object* Read(Object& holder, const PropertyInfo& p, pugi::xml_node element) {
        const bool nil = IsTrue(element.attribute(XmlNames::kNil));
        switch (p.kind) {
            case PropertyKind::Child:
            case PropertyKind::Children: {
                if (nil) {
                    if (p.kind == PropertyKind::Child) {
                        xml_.Fail(element, L"a single object cannot be nil");
                    }
                    p.append(holder, nullptr);
                    return nullptr;
                }
                Object* child = structure_.Adopt(p.target().make());
                Register(*child, element);
                if (++made_ % 65536 == 0) {
                    ReportProgress("load", "objects", made_, 0);
                }
                p.append(holder, child);
                return child;
            }
            case PropertyKind::Reference:
            case PropertyKind::References:
                if (nil && p.kind == PropertyKind::Reference) {
                    xml_.Fail(element, L"a single reference cannot be nil");
                }
                pending_.push_back(PendingReference{&holder, &p, nil ? 0 : Id(element, XmlNames::kRef), element});
                return nullptr;
            case PropertyKind::StringList:
                p.appendText(holder, xml_.Text(element));
                return nullptr;
            case PropertyKind::Attachment:
                ReadAttachment(holder, p, element);
                return nullptr;
            default:
                if (nil) {
                    xml_.Fail(element, L"nil is only for members of lists");
                }
                if (!p.set(holder, ReadScalar(p.kind, element))) {
                    xml_.Fail(element, L"value out of range");
                }
                return nullptr;
        }
    }

    Value ReadScalar(PropertyKind kind, pugi::xml_node element) const {
        if (kind == PropertyKind::String) {
            return *xml_.Text(element);
        }
        std::string scratch;
        const std::string_view text = xml_.Content(element, scratch);
        Value value = ParseScalar(kind, text, element.attribute(XmlNames::kBits));
        if (std::holds_alternative<std::monostate>(value)) {
            xml_.Fail(element, L"malformed value '" + FromUtf8(text.substr(0, 64)) + L"'");
        }
        return value;
    }

    // The value spelled by `text`, or std::monostate when it spells none.
    static Value ParseScalar(PropertyKind kind, std::string_view text, pugi::xml_attribute bits) {
        const auto either = [](const auto& parsed) { return parsed ? Value(*parsed) : Value(); };
        switch (kind) {
            case PropertyKind::Int32:
            case PropertyKind::Int64:
            case PropertyKind::Enum:
                return either(XmlText::ParseInteger(text));
            case PropertyKind::Date:
            case PropertyKind::NullableDate:
                return either(DateTime::Parse(text));
            case PropertyKind::NullableBool:
                return either(XmlText::ParseBool(text));
            case PropertyKind::NullableDouble:
                if (bits) {
                    return text == "NaN" ? either(XmlText::ParseBits(bits.value())) : Value();
                }
                return either(XmlText::ParseDouble(text));
            default:
                return Value();
        }
    }

    void ReadAttachment(Object& holder, const PropertyInfo& p, pugi::xml_node element) {
        const std::string name = element.attribute(XmlNames::kEntry).value();
        const ZipReader::Entry* entry = archive_->Find(name);
        if (!name.starts_with(ArchiveEntries::kAttachmentPrefix) || !entry) {
            xml_.Fail(element, L"names no attachment entry of the archive");
        }
        if (!usedEntries_.insert(name).second) {
            xml_.Fail(element, L"attachment entry used twice");
        }
        p.mutableContent(holder).SetEntry(archive_, *entry);
    }

    void ResolveReferences() {
        for (const PendingReference& r : pending_) {
            Object* target = nullptr;
            if (r.id != 0) {
                target = Lookup(r.id);
                if (!target) {
                    xml_.Fail(r.element, L"dangling reference to id " + std::to_wstring(r.id));
                }
                if (&target->GetClass() != &r.property->target()) {
                    xml_.Fail(r.element, L"refers to a " + FromUtf8(std::string(target->GetClass().name)) +
                                             L" where a " + FromUtf8(std::string(r.property->target().name)) +
                                             L" is expected");
                }
            }
            r.property->append(*r.holder, target);
        }
    }

    void CheckEveryEntryUsed() const {
        for (const ZipReader::Entry& entry : archive_->Entries()) {
            if (entry.name != ArchiveEntries::kHeader && entry.name != ArchiveEntries::kStructure &&
                !usedEntries_.contains(entry.name)) {
                throw OrvanFormatException(L"archive '" + archive_->Path() + L"', entry '" + FromUtf8(entry.name) +
                                           L"': not part of the structure");
            }
        }
    }

    PrimaryClass& structure_;
    std::shared_ptr<const ZipReader> archive_;
    const XmlDocument& xml_;
    std::vector<Object*> denseIds_;
    std::unordered_map<std::uint64_t, Object*> sparseIds_;
    std::vector<PendingReference> pending_;
    std::uint64_t made_ = 0;
    std::unordered_set<std::string> usedEntries_;
};

}  // namespace

void LoadStructure(PrimaryClass& structure, const std::shared_ptr<const ZipReader>& archive) {
    const ZipReader::Entry* entry = archive->Find(ArchiveEntries::kStructure);
    if (!entry) {
        throw OrvanFormatException(L"archive '" + archive->Path() + L"': entry 'structure.xml' is missing");
    }
    const XmlDocument xml(*archive, *entry, kMaxStructureBytes);
    StructureBuilder(structure, archive, xml).Build();
}

}  // namespace Dorv::Orvan::Framework::Common
