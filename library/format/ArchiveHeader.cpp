#include "library/format/ArchiveHeader.h"

#include "library/OrvanException.h"
#include "library/io/Quoted.h"
#include "library/format/XmlReader.h"
#include "library/format/XmlText.h"
#include "library/zip/ZipReader.h"
#include "library/format/FormatFacts.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

constexpr char kRoot[] = "OrvanArchive";
constexpr char kVersion[] = "1";
constexpr std::uint64_t kMaxHeaderBytes = 1 << 20;

struct Field {
    std::string_view name;
    Classes::Text ArchiveHeader::*member;
};
constexpr Field kFields[] = {
    {"OrvanId", &ArchiveHeader::OrvanId},
    {"TemplateOrvanId", &ArchiveHeader::TemplateOrvanId},
    {"Title", &ArchiveHeader::Title},
    {"Language", &ArchiveHeader::Language},
};

}  // namespace

std::string WriteArchiveHeader(const ArchiveHeader& header) {
    std::string out = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<") + kRoot + " xmlns=\"" +
                      XmlNames::kHeaderNamespace + "\" " + XmlNames::kFormatVersion + "=\"" + kVersion + "\">\n";
    for (const Field& field : kFields) {
        const Classes::Text& value = header.*field.member;
        if (!value) {
            continue;
        }
        const bool escaped = XmlText::NeedsEscapedForm(*value);
        out += "<" + std::string(field.name) + (escaped ? " escaped=\"true\">" : ">");
        XmlText::AppendText(out, *value, escaped);
        out += "</" + std::string(field.name) + ">\n";
    }
    out += std::string("</") + kRoot + ">\n";
    return out;
}

namespace {

// Reads the four optional text fields, in their order, each at most once.
class HeaderBuilder final : public XmlReader::Handler {
public:
    explicit HeaderBuilder(const XmlReader& xml) : xml_(xml) {}

    void StartElement(std::string_view name, std::span<const XmlAttribute> attributes) override {
        ++depth_;
        if (depth_ == 1) {
            if (name != kRoot) {
                xml_.Fail(L"not an archive header");
            }
            xml_.RequireKnown(attributes, {XmlNames::kFormatVersion});
            const std::string_view* version = XmlReader::Find(attributes, XmlNames::kFormatVersion);
            if (!version || *version != kVersion) {
                xml_.Fail(L"unsupported format version");
            }
            return;
        }
        if (depth_ > 2) {
            xml_.Fail(L"an element inside a value");
        }
        while (next_ < std::size(kFields) && kFields[next_].name != name) {
            ++next_;
        }
        if (next_ == std::size(kFields)) {
            xml_.Fail(L"unknown, repeated or misplaced element");
        }
        xml_.RequireKnown(attributes, {XmlNames::kEscaped});
        escaped_ = xml_.Flag(attributes, XmlNames::kEscaped);
        text_.clear();
    }

    void Characters(std::string_view text) override {
        if (depth_ == 2) {
            text_.append(text);
        } else {
            xml_.RequireWhiteSpace(text);
        }
    }

    void EndElement() override {
        if (depth_-- == 2) {
            auto text = XmlText::DecodeText(text_, escaped_);
            if (!text) {
                xml_.Fail(L"malformed escape sequence in text");
            }
            header.*kFields[next_++].member = std::move(*text);
        }
    }

    ArchiveHeader header;

private:
    const XmlReader& xml_;
    int depth_ = 0;
    std::size_t next_ = 0;
    bool escaped_ = false;
    std::string text_;
};

}  // namespace

ArchiveHeader ReadArchiveHeader(const ZipReader& archive) {
    const ZipReader::Entry* entry = archive.Find(ArchiveEntries::kHeader);
    if (!entry) {
        throw OrvanFormatException(EntryLocation(archive.Path(), ArchiveEntries::kHeader) + L": missing");
    }
    archive.RequireAtMost(*entry, kMaxHeaderBytes);
    XmlReader xml(EntryLocation(archive.Path(), entry->name), XmlNames::kHeaderNamespace);
    HeaderBuilder builder(xml);
    const auto content = archive.Open(*entry);
    xml.Parse(*content, builder);
    return std::move(builder.header);
}

}  // namespace Dorv::Orvan::Framework::Common
