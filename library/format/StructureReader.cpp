#include "library/format/StructureReader.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "library/ClassInfo.h"
#include "library/ObjectStore.h"
#include "library/OrvanException.h"
#include "library/Progress.h"
#include "library/format/FormatFacts.h"
#include "library/io/Quoted.h"
#include "library/format/XmlReader.h"
#include "library/format/XmlText.h"
#include "library/zip/ZipReader.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace Classes {

struct ObjectFileIds {
    static void Set(Object& object, std::uint64_t id) { object.fileId_ = id; }
};

}  // namespace Classes
using namespace Classes;
using orvan::platform::FromUtf8;

namespace {

bool IsList(PropertyKind kind) {
    return kind == PropertyKind::Children || kind == PropertyKind::References || kind == PropertyKind::StringList;
}

// What a ByteSource reads stops when asked to.
class StoppableSource final : public ByteSource {
public:
    StoppableSource(ByteSource& source, const std::atomic<bool>* stop) : source_(source), stop_(stop) {}
    std::size_t Read(std::span<std::byte> into) override {
        if (stop_ != nullptr && stop_->load(std::memory_order_relaxed)) {
            throw OrvanIoException(L"reading the structure document was stopped");
        }
        return source_.Read(into);
    }

private:
    ByteSource& source_;
    const std::atomic<bool>* stop_;
};

}  // namespace

// Builds the structure from the document's events as they stream by: objects
// are made as their elements open, values set as their elements close, and
// references resolved at the end, since they may point forward. Documents'
// content is bound to the archive's entries afterwards (Bind).
class StructureBuilder final : public XmlReader::Handler {
public:
    StructureBuilder(ObjectStore& objects, const XmlReader& xml, StructureLoad::Early early)
        : store_(objects), xml_(xml), early_(std::move(early)), takenMarks_(early_.of.size()) {}

    void StartElement(std::string_view name, std::span<const XmlAttribute> attributes) override {
        if (leaf_) {
            xml_.Fail(L"an element inside a value");
        }
        if (objects_.empty()) {
            StartRoot(name, attributes);
            return;
        }
        Frame& frame = objects_.back();
        const auto properties = frame.object->GetClass().properties;
        // Properties appear in their order; only lists may repeat.
        while (frame.property < properties.size() && properties[frame.property].name != name) {
            ++frame.property;
        }
        if (frame.property == properties.size()) {
            xml_.Fail(L"unknown, repeated or misplaced element");
        }
        const std::uint64_t bit = std::uint64_t{1} << frame.property;
        if ((frame.seen & bit) != 0 && !IsList(properties[frame.property].kind)) {
            xml_.Fail(L"element appears twice");
        }
        frame.seen |= bit;
        Open(*frame.object, properties[frame.property], attributes);
    }

    void Characters(std::string_view text) override {
        if (!leaf_) {
            xml_.RequireWhiteSpace(text);
        } else if (leafTakesText_) {
            text_.append(text);
        } else {
            xml_.Fail(L"text where none belongs");
        }
    }

    void EndElement() override {
        if (leaf_) {
            Close();
            return;
        }
        const Frame& frame = objects_.back();
        const auto properties = frame.object->GetClass().properties;
        for (std::size_t i = 0; i < properties.size(); ++i) {
            if (IsRequired(properties[i].kind) && (frame.seen & (std::uint64_t{1} << i)) == 0) {
                xml_.Fail(L"required element " + Quoted(properties[i].name) + L" is missing");
            }
        }
        const Frame done = objects_.back();
        objects_.pop_back();
        if (objects_.empty()) {
            return;  // the root
        }
        // A child joins its holder once whole, unless it is taken early.
        Frame& holder = objects_.back();
        if (!TakeEarly(done, holder)) {
            holder.object->GetClass().properties[holder.property].append(*holder.object, done.object);
        }
    }

    void Finish() { ResolveReferences(); }

    void Bind(const std::shared_ptr<const ZipReader>& archive) {
        std::unordered_set<std::string_view> used;
        for (const PendingAttachment& a : attachments_) {
            const ZipReader::Entry* entry = archive->Find(a.entry);
            if (!entry) {
                xml_.FailAt(a.at, L"names no attachment entry of the archive");
            }
            if (!used.insert(entry->name).second) {
                xml_.FailAt(a.at, L"attachment entry used twice");
            }
            a.property->mutableContent(*a.holder).SetEntry(archive, entry->name);
        }
        for (const ZipReader::Entry& entry : archive->Entries()) {
            if (entry.name != ArchiveEntries::kHeader && entry.name != ArchiveEntries::kStructure &&
                !used.contains(entry.name)) {
                throw OrvanFormatException(EntryLocation(archive->Path(), entry.name) + L": not part of the structure");
            }
        }
    }

private:
    struct Frame {
        Object* object;
        std::size_t property = 0;  // properties before this one are done
        std::uint64_t seen = 0;    // bit i: property i appeared
        std::size_t references = 0;  // pending references made before it opened
        std::size_t attachments = 0;  // pending attachments made before it opened
        bool keepsRest = false;  // a child was not taken early: later ones are not either, to keep their order
    };
    struct PendingReference {
        Object* holder;
        const PropertyInfo* property;
        std::uint64_t id;  // 0: an explicit empty member
        XmlReader::Position at;
    };
    struct PendingAttachment {
        Object* holder;
        const PropertyInfo* property;
        std::string entry;
        XmlReader::Position at;
    };

    void StartRoot(std::string_view name, std::span<const XmlAttribute> attributes) {
        if (name != store_.GetClass().name) {
            xml_.Fail(L"not a structure document");
        }
        xml_.RequireKnown(attributes, {XmlNames::kFormatVersion, XmlNames::kId});
        const std::string_view* version = XmlReader::Find(attributes, XmlNames::kFormatVersion);
        if (!version || *version != "1") {
            xml_.Fail(L"unsupported format version");
        }
        Register(store_.Root(), attributes);
        objects_.push_back(Frame{&store_.Root()});
    }

    // Opens the element of property `p` of `holder`: an object's element
    // becomes the current frame, any other opens a value.
    void Open(Object& holder, const PropertyInfo& p, std::span<const XmlAttribute> attributes) {
        const bool list = IsList(p.kind);
        leaf_ = &p;
        leafHolder_ = &holder;
        leafTakesText_ = false;
        switch (p.kind) {
            case PropertyKind::Child:
            case PropertyKind::Children:
                xml_.RequireKnown(attributes, list ? std::initializer_list<std::string_view>{XmlNames::kId, XmlNames::kNil}
                                                   : std::initializer_list<std::string_view>{XmlNames::kId});
                if (xml_.Flag(attributes, XmlNames::kNil)) {
                    RequireNoId(attributes);
                    p.append(holder, nullptr);
                    return;
                }
                OpenObject(p, attributes);
                return;
            case PropertyKind::Reference:
            case PropertyKind::References:
                xml_.RequireKnown(attributes, list ? std::initializer_list<std::string_view>{XmlNames::kRef, XmlNames::kNil}
                                                   : std::initializer_list<std::string_view>{XmlNames::kRef});
                if (xml_.Flag(attributes, XmlNames::kNil)) {
                    if (XmlReader::Find(attributes, XmlNames::kRef)) {
                        xml_.Fail(L"a nil member has no 'ref'");
                    }
                    Refer(PendingReference{&holder, &p, 0, xml_.Here()});
                } else {
                    Refer(PendingReference{&holder, &p, Id(attributes, XmlNames::kRef), xml_.Here()});
                }
                return;
            case PropertyKind::Attachment:
                xml_.RequireKnown(attributes, {XmlNames::kEntry});
                ReadAttachment(holder, p, attributes);
                return;
            case PropertyKind::StringList:
                xml_.RequireKnown(attributes, {XmlNames::kEscaped, XmlNames::kNil});
                if (xml_.Flag(attributes, XmlNames::kNil)) {
                    if (XmlReader::Find(attributes, XmlNames::kEscaped)) {
                        xml_.Fail(L"a nil member has no 'escaped'");
                    }
                    p.appendText(holder, std::nullopt);
                    return;
                }
                break;
            case PropertyKind::String:
                xml_.RequireKnown(attributes, {XmlNames::kEscaped});
                break;
            case PropertyKind::NullableDouble:
                xml_.RequireKnown(attributes, {XmlNames::kBits});
                break;
            case PropertyKind::Int32:
            case PropertyKind::Int64:
            case PropertyKind::Enum:
            case PropertyKind::Date:
            case PropertyKind::NullableDate:
            case PropertyKind::NullableBool:
                xml_.RequireKnown(attributes, {});
                break;
        }
        leafTakesText_ = true;
        leafEscaped_ = xml_.Flag(attributes, XmlNames::kEscaped);
        const std::string_view* bits = XmlReader::Find(attributes, XmlNames::kBits);
        leafBits_ = bits ? std::string(*bits) : std::string();
        leafHasBits_ = bits != nullptr;
        text_.clear();
    }

    void OpenObject(const PropertyInfo& p, std::span<const XmlAttribute> attributes) {
        if (objects_.size() >= kMaxNestingDepth) {
            xml_.Fail(L"objects nest deeper than " + std::to_wstring(kMaxNestingDepth) + L" levels");
        }
        Object* child = store_.Make(p.target());
        Register(*child, attributes);
        const std::size_t references = pending_.size();
        if (++made_ % 65536 == 0) {
            ReportProgress(store_.Lent().progress, "load", "objects", made_, 0);
        }
        objects_.push_back(Frame{child, 0, 0, references, attachments_.size()});
        leaf_ = nullptr;
    }

    // Closes the value element that is open, setting what it spells.
    void Close() {
        const PropertyInfo& p = *leaf_;
        Object& holder = *leafHolder_;
        leaf_ = nullptr;
        if (!leafTakesText_) {
            return;
        }
        if (p.kind == PropertyKind::StringList) {
            p.appendText(holder, DecodedText());
            return;
        }
        if (!p.set(holder, p.kind == PropertyKind::String ? Value(DecodedText()) : ParsedScalar(p.kind))) {
            xml_.Fail(L"value out of range");
        }
    }

    std::wstring DecodedText() const {
        auto text = XmlText::DecodeText(text_, leafEscaped_);
        if (!text) {
            xml_.Fail(L"malformed escape sequence in text");
        }
        return std::move(*text);
    }

    Value ParsedScalar(PropertyKind kind) const {
        const auto either = [](const auto& parsed) { return parsed ? Value(*parsed) : Value(); };
        Value value;
        switch (kind) {
            case PropertyKind::Int32:
            case PropertyKind::Int64:
            case PropertyKind::Enum:
                value = either(XmlText::ParseInteger(text_));
                break;
            case PropertyKind::Date:
            case PropertyKind::NullableDate:
                value = either(DateTime::Parse(text_));
                break;
            case PropertyKind::NullableBool:
                value = either(XmlText::ParseBool(text_));
                break;
            case PropertyKind::NullableDouble:
                if (leafHasBits_) {
                    value = text_ == "NaN" ? either(XmlText::ParseBits(leafBits_)) : Value();
                } else {
                    value = either(XmlText::ParseDouble(text_));
                }
                break;
            case PropertyKind::String:
            case PropertyKind::StringList:
            case PropertyKind::Child:
            case PropertyKind::Children:
            case PropertyKind::Reference:
            case PropertyKind::References:
            case PropertyKind::Attachment:
                break;
        }
        if (std::holds_alternative<std::monostate>(value)) {
            xml_.Fail(L"malformed value " + Quoted(std::string_view(text_).substr(0, 64)));
        }
        return value;
    }

    std::uint64_t Id(std::span<const XmlAttribute> attributes, std::string_view name) const {
        const std::string_view* text = XmlReader::Find(attributes, name);
        const auto id = text ? XmlText::ParseInteger(*text) : std::nullopt;
        if (!id || *id <= 0) {
            xml_.Fail(L"missing or invalid " + Quoted(name) + L" attribute");
        }
        return static_cast<std::uint64_t>(*id);
    }

    void RequireNoId(std::span<const XmlAttribute> attributes) const {
        if (XmlReader::Find(attributes, XmlNames::kId)) {
            xml_.Fail(L"a nil member has no 'id'");
        }
    }

    void Register(Object& object, std::span<const XmlAttribute> attributes) {
        const std::uint64_t id = Id(attributes, XmlNames::kId);
        ObjectFileIds::Set(object, id);
        ++registered_;
        // Writers number objects densely from 1, so small ids go to a table;
        // it grows with the objects read, never with an id, so that a few
        // objects with huge ids cost no more than others (those go to a map).
        if (id < 2 * registered_ + 1024) {
            if (id >= denseIds_.size()) {
                denseIds_.resize(static_cast<std::size_t>(id + 1 + id / 2));
            }
            Object*& slot = denseIds_[static_cast<std::size_t>(id)];
            if (slot || sparseIds_.contains(id)) {
                xml_.Fail(L"duplicate id");
            }
            slot = &object;
        } else if ((id < denseIds_.size() && denseIds_[static_cast<std::size_t>(id)]) ||
                   !sparseIds_.emplace(id, &object).second) {
            xml_.Fail(L"duplicate id");
        }
    }

    // Hands a child of `holder` whose element has closed to whoever takes it
    // early, when everything in it is read and every reference from it leads
    // to an object read already; then frees it, its children and their ids.
    // False: it stays, to be added to its holder.
    bool TakeEarly(const Frame& done, Frame& holder) {
        const auto of = std::ranges::find(early_.of, &done.object->GetClass());
        if (!early_.take || of == early_.of.end() || holder.keepsRest) {
            return false;
        }
        const std::span<const PendingReference> own = std::span(pending_).subspan(done.references);
        // Its documents are bound only at the end; a reference forward is
        // resolved with the rest at the end.
        holder.keepsRest = attachments_.size() != done.attachments ||
                           std::ranges::any_of(own, [this](const PendingReference& r) {
                               return r.id != 0 && Lookup(r.id) == nullptr;
                           });
        if (holder.keepsRest) {
            return false;
        }
        for (const PendingReference& r : own) {
            Resolve(r);
        }
        pending_.resize(done.references);
        early_.take(*done.object);
        Object* const taken = TakenMark(static_cast<std::size_t>(of - early_.of.begin()));
        WalkDocumentOrder(*done.object, [this, taken](const Object& released, std::size_t) {
            const std::uint64_t id = released.FileId();
            (id < denseIds_.size() && denseIds_[static_cast<std::size_t>(id)] == &released
                 ? denseIds_[static_cast<std::size_t>(id)]
                 : sparseIds_[id]) = taken;
            return true;
        });
        store_.Release(*done.object);
        return true;
    }

    // What stands for the objects freed with one of class early_.of[i] taken
    // early; never dereferenced.
    Object* TakenMark(std::size_t i) { return reinterpret_cast<Object*>(&takenMarks_[i]); }
    // The class of the object taken early that `found` was freed with, if it was.
    const ClassInfo* TakenWith(const Object* found) const {
        for (std::size_t i = 0; i < takenMarks_.size(); ++i) {
            if (reinterpret_cast<const char*>(found) == &takenMarks_[i]) {
                return early_.of[i];
            }
        }
        return nullptr;
    }

    // The object read with `id`, or nothing; a TakenMark for one freed since.
    Object* Find(std::uint64_t id) const {
        if (id < denseIds_.size() && denseIds_[static_cast<std::size_t>(id)]) {
            return denseIds_[static_cast<std::size_t>(id)];
        }
        const auto found = sparseIds_.find(id);
        return found == sparseIds_.end() ? nullptr : found->second;
    }
    Object* Lookup(std::uint64_t id) const {
        Object* found = Find(id);
        return TakenWith(found) ? nullptr : found;
    }

    void ReadAttachment(Object& holder, const PropertyInfo& p, std::span<const XmlAttribute> attributes) {
        const std::string_view* name = XmlReader::Find(attributes, XmlNames::kEntry);
        if (!name || !name->starts_with(ArchiveEntries::kAttachmentPrefix)) {
            xml_.Fail(L"names no attachment entry of the archive");
        }
        attachments_.push_back(PendingAttachment{&holder, &p, std::string(*name), xml_.Here()});
    }

    // A single reference to an object read already is resolved at once, which
    // keeps few waiting; a list's members wait, to keep their order.
    void Refer(const PendingReference& r) {
        if (r.property->kind == PropertyKind::Reference && (r.id == 0 || Find(r.id) != nullptr)) {
            Resolve(r);
        } else {
            pending_.push_back(r);
        }
    }

    void ResolveReferences() {
        for (const PendingReference& r : pending_) {
            Resolve(r);
        }
    }

    void Resolve(const PendingReference& r) {
        Object* target = nullptr;
        if (r.id != 0) {
            target = Lookup(r.id);
            if (const ClassInfo* taken = TakenWith(Find(r.id))) {
                xml_.FailAt(r.at, L"refers to id " + std::to_wstring(r.id) + L", part of a " + FromUtf8(taken->name) +
                                      L" taken before: a " + FromUtf8(taken->name) +
                                      L" is referred to only from within itself");
            }
            if (!target) {
                xml_.FailAt(r.at, L"dangling reference to id " + std::to_wstring(r.id));
            }
            if (&target->GetClass() != &r.property->target()) {
                xml_.FailAt(r.at, L"refers to a " + FromUtf8(target->GetClass().name) + L" where a " +
                                      FromUtf8(r.property->target().name) + L" is expected");
            }
        }
        r.property->append(*r.holder, target);
    }

    ObjectStore& store_;
    const XmlReader& xml_;
    StructureLoad::Early early_;
    std::vector<char> takenMarks_;
    std::vector<Frame> objects_;
    // The value element that is open, if any.
    const PropertyInfo* leaf_ = nullptr;
    Object* leafHolder_ = nullptr;
    bool leafTakesText_ = false;
    bool leafEscaped_ = false;
    bool leafHasBits_ = false;
    std::string leafBits_;
    std::string text_;
    std::vector<Object*> denseIds_;
    std::unordered_map<std::uint64_t, Object*> sparseIds_;
    std::uint64_t registered_ = 0;
    std::vector<PendingReference> pending_;
    std::uint64_t made_ = 0;
    std::vector<PendingAttachment> attachments_;
};

StructureLoad::StructureLoad(ObjectStore& objects, const std::shared_ptr<const ZipReader>& source,
                             const ZipReader::Entry& entry, const std::atomic<bool>* stop, Early early)
    : xml_(EntryLocation(source->Path(), entry.name), XmlNames::kStructureNamespace),
      builder_(std::make_unique<StructureBuilder>(objects, xml_, std::move(early))) {
    source->RequireAtMost(entry, kMaxStructureBytes);
    const auto content = source->Open(entry);
    StoppableSource stoppable(*content, stop);
    xml_.Parse(stoppable, *builder_);
    builder_->Finish();
}

StructureLoad::~StructureLoad() = default;

void StructureLoad::Bind(const std::shared_ptr<const ZipReader>& archive) { builder_->Bind(archive); }

void LoadStructure(ObjectStore& objects, const std::shared_ptr<const ZipReader>& archive, StructureLoad::Early early) {
    const ZipReader::Entry* entry = archive->Find(ArchiveEntries::kStructure);
    if (!entry) {
        throw OrvanFormatException(EntryLocation(archive->Path(), ArchiveEntries::kStructure) + L": missing");
    }
    StructureLoad(objects, archive, *entry, nullptr, std::move(early)).Bind(archive);
}

}  // namespace Dorv::Orvan::Framework::Common
