#include "library/format/ScratchTakeOver.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <variant>

#include "library/ClassInfo.h"
#include "library/OrvanException.h"
#include "library/ObjectStore.h"
#include "library/format/ArchiveHeader.h"
#include "library/format/FormatFacts.h"
#include "library/format/StructureWriter.h"
#include "library/zip/Crc32.h"
#include "library/zip/ZipReader.h"

namespace Dorv::Orvan::Framework::Common {

using namespace Classes;

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

namespace {

// Adds values to a digest, each with what tells it apart from its neighbours.
class DigestWriter {
public:
    explicit DigestWriter(SavedArchive::Digest& digest) : digest_(digest) {}

    template <typename T>
    void Add(const T& value) {
        digest_.Add(std::as_bytes(std::span(&value, 1)));
    }
    void Add(const Text& text) {
        Add(text ? text->size() : SIZE_MAX);
        if (text) {
            digest_.Add(std::as_bytes(std::span(*text)));
        }
    }
    void Add(const Value& value) {
        Add(value.index());
        std::visit(
            [this](const auto& held) {
                using Held = std::decay_t<decltype(held)>;
                if constexpr (std::is_same_v<Held, DateTime>) {
                    Add(held.Milliseconds());
                } else if constexpr (std::is_same_v<Held, std::wstring>) {
                    Add(Text(held));
                } else if constexpr (!std::is_same_v<Held, std::monostate>) {
                    Add(held);
                }
            },
            value);
    }

private:
    SavedArchive::Digest& digest_;
};

}  // namespace

SavedArchive::Digest ValuesDigest(const ObjectNumbering& numbering) {
    SavedArchive::Digest digest;
    DigestWriter out(digest);
    WalkDocumentOrder(numbering.Store().Root(), [&](const Object& object, std::size_t) {
        out.Add(numbering.NumberOf(object));
        for (const PropertyInfo& p : object.GetClass().properties) {
            switch (ShapeOf(p.kind)) {
                case PropertyShape::Value:
                    p.kind == PropertyKind::String ? out.Add(p.text(object)) : out.Add(p.get(object));
                    break;
                case PropertyShape::Texts:
                    out.Add(p.texts(object).size());
                    for (const Text& text : p.texts(object)) {
                        out.Add(text);
                    }
                    break;
                case PropertyShape::Objects:
                    out.Add(p.count(object));
                    for (std::size_t i = 0, n = p.count(object); i < n; ++i) {
                        const Object* held = p.at(object, i);
                        out.Add(held ? numbering.NumberOf(*held) : std::uint32_t{0});
                    }
                    break;
                case PropertyShape::Content:
                    out.Add(p.content(object).Present());
                    break;
            }
        }
        return true;
    });
    return digest;
}

bool ArchiveMatches(const ObjectStore& objects, const ArchiveHeader& header, const SavedArchive& saved) {
    try {
        const ZipReader archive(saved.path);
        const ObjectNumbering numbering(objects);
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
        const ZipReader::Entry* headerEntry = archive.Find(ArchiveEntries::kHeader);
        const ZipReader::Entry* document = archive.Find(ArchiveEntries::kStructure);
        if (!headerEntry || !document || archive.ReadAll(*headerEntry, 1 << 20) != WriteArchiveHeader(header) ||
            document->crc != saved.documentCrc || document->uncompressedSize != saved.documentSize) {
            return false;
        }
        return ValuesDigest(numbering) == saved.values;
    } catch (const OrvanException&) {
        return false;  // whatever stands in the way, a fresh save settles it
    }
}

}  // namespace Dorv::Orvan::Framework::Common
