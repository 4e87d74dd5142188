#include "library/format/ArchiveWriter.h"

#include "library/PrimaryClass.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <vector>

#include "library/Archive.h"
#include "library/ClassInfo.h"
#include "library/zip/Crc32.h"
#include "library/io/File.h"
#include "library/OrvanException.h"
#include "library/Progress.h"
#include "library/io/TransferBuffer.h"
#include "library/format/XmlText.h"
#include "library/zip/ZipReader.h"
#include "library/zip/ZipWriter.h"

namespace Dorv::Orvan::Framework::Common {

namespace Classes {

// Gives every object reachable from the root through ownership its number for
// one save, in document order (depth first, children in order), and lists the
// objects whose content follows the structure as entries of their own.
class ObjectNumbering {
public:
    explicit ObjectNumbering(const PrimaryClass& root) : pass_(++passes_), owner_(&root) {
        std::vector<std::pair<const Object*, std::size_t>> pending{{&root, 1}};
        while (!pending.empty()) {
            const auto [object, depth] = pending.back();
            pending.pop_back();
            if (depth > kMaxNestingDepth) {
                throw OrvanFormatException(L"cannot save: objects nest deeper than " +
                                           std::to_wstring(kMaxNestingDepth) + L" levels");
            }
            Number(*object);
            const std::size_t firstChild = pending.size();
            for (const PropertyInfo& p : object->GetClass().properties) {
                if (p.kind == PropertyKind::Attachment && p.content(*object).Present()) {
                    attachments_.emplace_back(object, &p.content(*object));
                }
                if (p.kind == PropertyKind::Child || p.kind == PropertyKind::Children) {
                    for (std::size_t i = 0, n = p.count(*object); i < n; ++i) {
                        if (const Object* child = p.at(*object, i)) {
                            pending.emplace_back(child, depth + 1);
                        }
                    }
                }
            }
            std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(firstChild), pending.end());
        }
    }

    // The object's number in this save, or 0 when this save does not hold it.
    std::uint32_t NumberOf(const Object& object) const {
        return object.numberingPass_ == pass_ ? object.number_ : 0;
    }
    // Objects with content, and the content, in document order.
    const std::vector<std::pair<const Object*, const AttachmentContent*>>& Attachments() const {
        return attachments_;
    }

private:
    void Number(const Object& object) {
        if (object.numberingPass_ == pass_ || &object.Owner() != owner_) {
            throw OrvanFormatException(L"cannot save: a " + Name(object) +
                                       L" is held twice or belongs to another structure");
        }
        object.numberingPass_ = pass_;
        object.number_ = ++count_;
    }

    static std::wstring Name(const Object& object) {
        const std::string_view name = object.GetClass().name;
        return std::wstring(name.begin(), name.end());
    }

    static inline std::atomic<std::uint32_t> passes_{0};
    std::uint32_t pass_;
    const PrimaryClass* owner_;
    std::uint32_t count_ = 0;
    std::vector<std::pair<const Object*, const AttachmentContent*>> attachments_;
};

}  // namespace Classes

namespace {

using namespace Classes;

constexpr std::size_t kFlushAt = 1 << 20;

std::string AttachmentEntryName(std::uint32_t number) {
    return ArchiveEntries::kAttachmentPrefix + std::to_string(number);
}

// Streams the structure document into the open entry of `zip`.
class StructureXmlWriter {
public:
    using Sink = std::function<void(std::span<const std::byte>)>;

    StructureXmlWriter(const ObjectNumbering& numbering, Sink sink) : numbering_(numbering), sink_(std::move(sink)) {
        out_.reserve(2 * kFlushAt);
    }

    void Write(const PrimaryClass& root) {
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
            if (p.kind != PropertyKind::Child && p.kind != PropertyKind::Children) {
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
        switch (p.kind) {
            case PropertyKind::StringList:
                for (const Text& text : p.texts(object)) {
                    text ? WriteText(p.name, *text) : Nil(p.name);
                }
                break;
            case PropertyKind::Reference:
                if (p.count(object) != 0) {
                    WriteReference(object, p, p.at(object, 0));
                }
                break;
            case PropertyKind::References:
                for (std::size_t i = 0, n = p.count(object); i < n; ++i) {
                    WriteReference(object, p, p.at(object, i));
                }
                break;
            case PropertyKind::Attachment:
                if (p.content(object).Present()) {
                    ((out_ += '<') += p.name) += " entry=\"";
                    out_ += AttachmentEntryName(numbering_.NumberOf(object));
                    out_ += "\"/>\n";
                }
                break;
            case PropertyKind::String:
                if (const Text& text = p.text(object)) {
                    WriteText(p.name, *text);
                }
                break;
            default:
                if (const Value value = p.get(object); !std::holds_alternative<std::monostate>(value)) {
                    WriteScalar(p.name, value);
                }
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

void WriteAttachment(ZipWriter& zip, const AttachmentContent& content, std::uint32_t number, std::uint64_t& written,
                     std::uint64_t total) {
    zip.BeginEntry(AttachmentEntryName(number),
                   content.Compressible() ? ZipWriter::Method::Deflated : ZipWriter::Method::Stored,
                   content.Size());
    const auto source = content.Open();
    const std::span<std::byte> buffer = TransferBuffer();
    while (const std::size_t n = source->Read(buffer)) {
        zip.Write(buffer.first(n));
        ReportProgress("save", "bytes", written += n, total);
    }
    zip.EndEntry();
}

}  // namespace

void WriteArchive(const PrimaryClass& structure, const std::wstring& path, bool durable, SavedArchive* saved) {
    const ObjectNumbering numbering(structure);
    AtomicFileWriter out(path, durable);
    ZipWriter zip(out);

    const std::string header = WriteArchiveHeader(structure.Header());
    zip.BeginEntry(ArchiveEntries::kHeader, ZipWriter::Method::Deflated);
    zip.Write(std::as_bytes(std::span(header.data(), header.size())));
    zip.EndEntry();

    SavedArchive::Digest digest;
    zip.BeginEntry(ArchiveEntries::kStructure, ZipWriter::Method::Deflated);
    StructureXmlWriter(numbering, [&](std::span<const std::byte> data) {
        zip.Write(data);
        if (saved != nullptr) {
            digest.Add(data);
        }
    }).Write(structure);
    zip.EndEntry();

    std::uint64_t total = 0;
    for (const auto& attachment : numbering.Attachments()) {
        total += attachment.second->Size();
    }
    std::uint64_t written = 0;
    ReportProgress("save", "bytes", 0, total);
    for (const auto& [document, content] : numbering.Attachments()) {
        WriteAttachment(zip, *content, numbering.NumberOf(*document), written, total);
    }
    zip.Finish();
    out.Commit();
    if (saved != nullptr) {
        *saved = SavedArchive{path, digest, {}};
        for (const auto& attachment : numbering.Attachments()) {
            saved->attachments.push_back(attachment.second->Identify());
        }
    }
}

void SavedArchive::Digest::Add(std::span<const std::byte> data) {
    crc = Crc32(crc, data);
    const auto mix = [this](const std::byte* at) {
        std::uint64_t word;
        std::memcpy(&word, at, sizeof word);
        hash = (hash ^ word) * 0x9E3779B97F4A7C15u;
        hash ^= hash >> 29;
    };
    std::size_t pending = size % tail.size();
    size += data.size();
    if (pending != 0) {  // complete the word begun by earlier data
        const std::size_t take = std::min(tail.size() - pending, data.size());
        std::memcpy(tail.data() + pending, data.data(), take);
        data = data.subspan(take);
        if (pending + take < tail.size()) {
            return;
        }
        mix(tail.data());
    }
    const std::size_t whole = data.size() - data.size() % tail.size();
    for (std::size_t at = 0; at < whole; at += tail.size()) {
        mix(data.data() + at);
    }
    // Bytes past the partial word stay zero, so equal documents give equal digests.
    const std::size_t rest = data.size() - whole;
    std::memcpy(tail.data(), data.data() + whole, rest);
    std::fill(tail.begin() + static_cast<std::ptrdiff_t>(rest), tail.end(), std::byte{0});
}

bool ArchiveMatches(const PrimaryClass& structure, const SavedArchive& saved) {
    try {
        const ZipReader archive(saved.path);
        const ObjectNumbering numbering(structure);
        const auto& attachments = numbering.Attachments();
        if (attachments.size() != saved.attachments.size()) {
            return false;
        }
        for (std::size_t i = 0; i < attachments.size(); ++i) {
            if (!(attachments[i].second->Identify() == saved.attachments[i])) {
                return false;
            }
        }
        // The file must still hold what was written; content changed behind
        // the directory's back would fail its CRC check when read.
        const ZipReader::Entry* header = archive.Find(ArchiveEntries::kHeader);
        const ZipReader::Entry* document = archive.Find(ArchiveEntries::kStructure);
        if (!header || !document || archive.ReadAll(*header, 1 << 20) != WriteArchiveHeader(structure.Header()) ||
            document->crc != saved.structure.crc || document->uncompressedSize != saved.structure.size) {
            return false;
        }
        SavedArchive::Digest now;
        StructureXmlWriter(numbering, [&now](std::span<const std::byte> data) { now.Add(data); }).Write(structure);
        return now == saved.structure;
    } catch (const OrvanException&) {
        return false;  // whatever stands in the way, a fresh save settles it
    }
}

}  // namespace Dorv::Orvan::Framework::Common
