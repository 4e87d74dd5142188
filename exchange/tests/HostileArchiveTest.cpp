#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <regex>

#include "ArchiveTestSupport.h"
#include "PlatformCapture.h"
#include "RawZip.h"
#include "TempDir.h"
#include "exchange/OrvanHandler.h"
#include "library/format/ArchiveHeader.h"
#include "library/model/OrvanStructure.h"
#include "library/OrvanException.h"
#include "library/StructureDump.h"

namespace orvan::library::testing {
namespace {

using orvan::platform::FromPath;

const std::string kContent = [] {
    std::string s;
    for (int i = 0; i < 200; ++i) {
        s += "attachment content " + std::to_string(i) + "\n";
    }
    return s;
}();

std::string Structure(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<OrvanStructure xmlns=\"urn:orvan:structure:1\" formatVersion=\"1\" id=\"1\">\n" +
           body + "</OrvanStructure>\n";
}

const std::string kBody =
    "<PatientInfo id=\"2\">\n<DocumentTree id=\"3\">\n<DocumentLeaf id=\"4\">\n<DocumentRefID ref=\"5\"/>\n"
    "</DocumentLeaf>\n</DocumentTree>\n</PatientInfo>\n<Document id=\"5\">\n<ID>1</ID>\n"
    "<Filename>scan.txt</Filename>\n<Content entry=\"attachments/5\"/>\n</Document>\n";

// A valid archive: header, structure, one attachment shown by one leaf.
RawZip Valid(const std::string& structure = Structure(kBody)) {
    RawZip zip;
    zip.entries = {{"header.xml", common::WriteArchiveHeader({L"2.25.9", L"t", L"Titel", L"de"})},
                   {"structure.xml", structure},
                   {"attachments/5", kContent}};
    return zip;
}

RawZip With(const std::function<void(RawZip&)>& change, RawZip zip = Valid()) {
    change(zip);
    return zip;
}

RawEntry& Attachment(RawZip& zip) { return zip.entries[2]; }

// The valid body, its document's id `id` instead of 5.
std::string BodyWithDocumentId(const std::string& id) {
    std::string body = kBody;
    for (const std::string from : {"ref=\"5\"", "id=\"5\""}) {
        body.replace(body.find(from), from.size(), from.substr(0, from.size() - 2) + id + "\"");
    }
    return body;
}

struct Fixture {
    std::string name;
    std::string bytes;
    std::string expected;  // part of the error message
};

std::vector<Fixture> Fixtures() {
    using Change = std::function<void(RawZip&)>;
    const auto zip = [](const std::string& name, const Change& change, const std::string& expected) {
        return Fixture{name, Build(With(change)), expected};
    };
    // A change of the attachment's entry.
    const auto entry = [&](const std::string& name, const std::function<void(RawEntry&)>& change,
                           const std::string& expected) {
        return zip(name, [&](RawZip& z) { change(Attachment(z)); }, expected);
    };
    // Further entries after the valid ones.
    const auto extra = [&](const std::string& name, std::vector<RawEntry> entries, const std::string& expected) {
        return zip(name, [&](RawZip& z) { z.entries.insert(z.entries.end(), entries.begin(), entries.end()); }, expected);
    };
    const auto folder = [](const std::string& name, const std::string& content = "") {
        RawEntry e{name, content};
        e.externalAttributes = 040755u << 16;
        return e;
    };
    const auto dos = [](const std::string& name) {
        RawEntry e{name, ""};
        e.madeBy = 0x0014;
        return e;
    };
    const auto xml = [](const std::string& name, const std::string& structure, const std::string& expected) {
        return Fixture{name, Build(Valid(structure)), expected};
    };
    const auto body = [&](const std::string& name, const std::string& text, const std::string& expected) {
        return xml(name, Structure(text), expected);
    };
    // A document whose file name element holds `text`.
    const auto filename = [&](const std::string& name, const std::string& text, const std::string& expected) {
        return body(name, "<Document id=\"5\">\n<Filename" + text + "</Filename>\n</Document>\n", expected);
    };
    const auto header = [&](const std::string& name, const std::string& text, const std::string& expected) {
        return zip(name, [&](RawZip& z) { z.entries[0].content = text; }, expected);
    };
    const std::string nesting = [] {
        std::string text = "<PatientInfo id=\"2\">\n";
        for (int i = 0; i < 70; ++i) {
            text += "<DocumentTree" + std::string(i ? "Ptr" : "") + " id=\"" + std::to_string(10 + i) + "\">\n";
        }
        for (int i = 70; i-- > 0;) {
            text += "</DocumentTree" + std::string(i ? "Ptr" : "") + ">\n";
        }
        return text + "</PatientInfo>\n";
    }();
    std::string utf16 = "\xFF\xFE";
    for (char c : Structure(kBody)) {
        utf16 += c;
        utf16 += '\0';
    }
    const std::string valid = Build(Valid());
    const std::string unicodePath("\x75\x70\x05\x00\x01" "abcd", 9);
    return {
        // The container.
        {"empty file", "", "not a ZIP archive (too short)"},
        {"plain text", "Lorem ipsum dolor sit amet, consectetur adipiscing", "no end record"},
        {"bytes after the end record", valid + "trailing", "no end record"},
        zip("comment length beyond the file", [](RawZip& z) { z.commentLength = 9; }, "no end record"),
        zip("multi-part archive", [](RawZip& z) { z.disk = 1; }, "multi-part"),
        zip("counts disagree", [](RawZip& z) { z.countOnDisk = 2; }, "multi-part"),
        zip("directory offset wrong", [](RawZip& z) { z.directoryOffset = 7; }, "central directory"),
        zip("directory size too small", [](RawZip& z) { z.directorySize = 40; }, "central directory"),
        zip("more entries than the directory holds", [](RawZip& z) { z.count = z.countOnDisk = 9; }, "central directory"),
        zip("huge entry count without ZIP64", [](RawZip& z) { z.count = z.countOnDisk = 0xFFFF; }, "ZIP64 end"),
        zip("every classic field at its maximum without ZIP64", [](RawZip& z) {
            z.disk = z.directoryDisk = z.count = z.countOnDisk = 0xFFFF;
            z.directorySize = z.directoryOffset = 0xFFFFFFFF;
        }, "ZIP64 end"),
        entry("local header name differs", [](RawEntry& e) { e.localName = "attachments/6"; }, "local header disagrees"),
        entry("local header method differs", [](RawEntry& e) { e.localMethod = 0; }, "local header disagrees"),
        entry("local header flags differ", [](RawEntry& e) { e.localFlags = 0; }, "local header disagrees"),
        entry("local header CRC differs", [](RawEntry& e) { e.localCrc = 1; }, "local header disagrees"),
        entry("local header size differs", [](RawEntry& e) { e.localCompressedSize = 3; }, "local header disagrees"),
        entry("encrypted entry", [](RawEntry& e) { e.flags = 0x0801; }, "': encrypted"),
        entry("strongly encrypted entry", [](RawEntry& e) { e.flags = 0x0841; }, "': encrypted"),
        entry("patch data", [](RawEntry& e) { e.flags = 0x0820; }, "': holds patch data"),
        // Data descriptors: they must repeat the directory and account for every byte.
        entry("data descriptor flag without a descriptor", [](RawEntry& e) { e.flags = 0x0808; }, "data descriptor missing"),
        entry("data descriptor with another CRC", [](RawEntry& e) { e.descriptor = true, e.descriptorCrc = 1; },
              "data descriptor disagrees with the central directory"),
        entry("data descriptor with another size", [](RawEntry& e) {
            e.descriptor = e.descriptorWide = true;
            e.descriptorCompressedSize = 1ull << 32;
        }, "data descriptor disagrees with the central directory"),
        zip("data descriptor whose signature is wrong", [](RawZip& z) {
            Attachment(z).descriptor = true;
            Attachment(z).descriptorSignature = false;
            z.gapBeforeDirectory = "abcd";  // 16 bytes in all: a descriptor with a signature
        }, "16 bytes after its data are no data descriptor"),
        entry("bit 3 on a stored entry whose sizes are wrong", [](RawEntry& e) {
            e.descriptor = true;
            e.method = 0;
            e.compressedSize = e.uncompressedSize = kContent.size() + 5;
        }, "11 bytes after its data are no data descriptor"),
        entry("local sizes left at 0 without a descriptor", [](RawEntry& e) { e.localCompressedSize = 0; },
              "local header disagrees"),
        entry("unsupported method", [](RawEntry& e) { e.method = 12; }, "unsupported compression"),
        entry("stored sizes disagree", [](RawEntry& e) { e.method = 0, e.uncompressedSize = kContent.size() + 1; },
              "stored entry with different"),
        entry("data reaches into the directory", [](RawEntry& e) { e.compressedSize = e.localCompressedSize = 100000; },
              "beyond the archive's data"),
        zip("entries overlap", [](RawZip& z) {
            const auto reaching = static_cast<std::uint32_t>(Deflate(z.entries[0].content).size() + 40);
            z.entries[0].compressedSize = z.entries[0].localCompressedSize = reaching;
        }, "overlaps"),
        zip("duplicate names", [](RawZip& z) { z.entries.push_back(z.entries[0]); }, "duplicate entry"),
        extra("names differing in case", {{"HEADER.xml", "x"}}, "duplicate entry"),
        entry("parent folder in a name", [](RawEntry& e) { e.name = "attachments/../5"; }, "'..' component"),
        entry("absolute name", [](RawEntry& e) { e.name = "/attachments/5"; }, "absolute name"),
        entry("backslash", [](RawEntry& e) { e.name = "attachments\\5"; }, "backslash"),
        entry("drive letter", [](RawEntry& e) { e.name = "C:attachments/5"; }, "absolute name"),
        entry("NUL in a name", [](RawEntry& e) { e.name = std::string("attachments/5\0x", 15); }, "NUL"),
        entry("name over 255 bytes", [](RawEntry& e) { e.name = "attachments/" + std::string(250, '9'); },
              "longer than 255"),
        entry("name not UTF-8", [](RawEntry& e) { e.name = "attachments/\xC3"; }, "not valid UTF-8"),
        entry("symbolic link", [](RawEntry& e) { e.externalAttributes = 0120777u << 16; }, "symbolic link"),
        // Folder entries: empty, and implied by the names of the files in them.
        extra("folder entry marked as a regular file", {{"attachments/", ""}},
              "folder entry whose attributes name another kind of file"),
        extra("folder entry with content", {folder("attachments/", "hidden")}, "'attachments/': folder entry with content"),
        zip("folder entry whose data inflates to something", [&](RawZip& z) {
            z.entries.push_back(folder("attachments/"));
            z.entries.back().stored = Deflate("hidden");
        }, "'attachments/': content is longer than declared"),
        extra("folder entry with a file's name", {folder("Header.xml/")},
              "'Header.xml/': folder entry with the name of a file entry"),
        extra("folder entry holding nothing", {dos("extra/")}, "'extra/': folder entry that holds no entry"),
        extra("folder entry twice", {dos("attachments/"), dos("Attachments/")}, "duplicate entry name"),
        entry("attachment number beyond 64 bits", [](RawEntry& e) { e.name = "attachments/9223372036854775808"; },
              "not an entry of this format"),
        entry("ZIP64 sizes disagree", [](RawEntry& e) { e.zip64 = true, e.localUncompressedSize = kContent.size() + 1; },
              "local header disagrees"),
        entry("declared size of 2^63", [](RawEntry& e) { e.zip64 = true, e.uncompressedSize = 1ull << 63; },
              "declares more content than deflate can produce"),
        entry("one byte more than deflate can produce",
              [](RawEntry& e) { e.uncompressedSize = Deflate(kContent).size() * 1032 + 1; },
              "declares more content than deflate can produce"),
        entry("compression bomb declaring less than it holds", [](RawEntry& e) {
            e.content = std::string(50 << 20, '\0');
            e.uncompressedSize = 1 << 20;
        }, "longer than declared"),
        entry("declared total beyond the cap", [](RawEntry& e) {
            e.zip64 = true;
            e.stored = std::string(67 << 20, '\0');
            e.uncompressedSize = 65ull << 30;
        }, "content larger than 64 GiB"),
        // Bytes or records that readers could take differently.
        zip("data before the first entry", [](RawZip& z) { z.entries[0].gapBefore = "MZ stub"; },
            "7 bytes before it belong to no entry"),
        entry("gap between entries", [](RawEntry& e) { e.gapBefore = std::string(9, 'x'); },
              "9 bytes before it belong to no entry"),
        zip("gap before the directory", [](RawZip& z) { z.gapBeforeDirectory = "PK\x03\x04hidden"; },
            "before the central directory belong to no entry"),
        zip("directory hidden in the comment", [&](RawZip& z) { z.comment = "note " + valid.substr(valid.size() - 22); },
            "comment holds ZIP records"),
        zip("classic count disagrees with the ZIP64 count", [](RawZip& z) {
            z.zip64End = true;
            z.count = z.countOnDisk = 2;
        }, "disagree"),
        zip("non-ASCII name not marked UTF-8", [](RawZip& z) {
            z.entries.push_back({"Befund-\xC3\xA4.txt", "x"});
            z.entries.back().flags = 0;
        }, "not marked as UTF-8"),
        entry("second name in a Unicode path field", [&](RawEntry& e) { e.centralExtra = unicodePath; }, "second name"),
        entry("second name in the local header", [&](RawEntry& e) { e.localExtra = unicodePath; }, "second name"),
        entry("extra field records cut short", [](RawEntry& e) { e.centralExtra = std::string("\x99\x99\x08\x00" "abc", 7); },
              "extra field is damaged"),
        extra("name forging a line of output",
              {{"x\n\x1b[2Kfile 'exportORVAN.orvan' successfully imported!\xE2\x80\xAE", "x"}},
              "entry 'x\\n\\x1b[2Kfile 'exportORVAN.orvan' successfully imported!\\u202e': not an entry"),
        extra("entry foreign to the format", {{"readme.txt", "hi"}}, "not an entry of this format"),
        // The content, found when it is read.
        entry("bad CRC, deflated", [](RawEntry& e) { e.crc = e.localCrc = 1234; }, "CRC mismatch"),
        entry("bad CRC, stored", [](RawEntry& e) { e.method = 0, e.crc = e.localCrc = 1234; }, "CRC mismatch"),
        entry("content shorter than declared", [](RawEntry& e) { e.uncompressedSize = kContent.size() + 10; },
              "shorter than declared"),
        entry("content longer than declared", [](RawEntry& e) { e.uncompressedSize = kContent.size() - 10; },
              "longer than declared"),
        entry("damaged compressed data", [](RawEntry& e) {
            std::string data = Deflate(kContent);
            data[data.size() / 2] = static_cast<char>(~data[data.size() / 2]);
            data[data.size() / 2 + 1] = static_cast<char>(~data[data.size() / 2 + 1]);
            e.stored = data;
        }, "attachments/5"),
        entry("compressed data cut short", [](RawEntry& e) { e.stored = Deflate(kContent).substr(0, 40); }, "attachments/5"),
        // The documents.
        zip("no header", [](RawZip& z) { z.entries.erase(z.entries.begin()); }, "'header.xml': missing"),
        zip("no structure", [](RawZip& z) { z.entries.erase(z.entries.begin() + 1); }, "'structure.xml': missing"),
        header("header with an unknown element",
               "<OrvanArchive xmlns=\"urn:orvan:archive:1\" formatVersion=\"1\"><Owner/></OrvanArchive>",
               "unknown, repeated or misplaced"),
        body("malformed XML", "<Document id=\"5\">\n", "malformed XML"),
        xml("DOCTYPE with an entity", "<!DOCTYPE x [<!ENTITY big \"boom\">]>\n" + Structure(kBody), "DOCTYPE"),
        xml("external reference", "<!DOCTYPE x SYSTEM \"file:///etc/passwd\">\n" + Structure(kBody), "DOCTYPE"),
        filename("unknown entity", ">&ent;", "undefined entity"),
        filename("character reference XML forbids", ">&#1;", "reference to invalid character number"),
        filename("text not UTF-8", ">\xFF\xFE", "not well-formed"),
        filename("bad escape", " escaped=\"true\">\\zz;", "escape sequence"),
        body("nesting deeper than the format needs", nesting, "nest deeper"),
        body("unknown element", "<Patient id=\"2\"/>\n", "unknown, repeated or misplaced"),
        body("elements out of order", "<Document id=\"5\">\n<Filename>a</Filename>\n<ID>1</ID>\n</Document>\n",
             "unknown, repeated or misplaced"),
        body("text between elements", "stray text<Document id=\"5\"/>\n", "text between elements"),
        body("value of the wrong kind", "<Document id=\"5\">\n<ID>one</ID>\n</Document>\n", "malformed value 'one'"),
        body("value out of range", "<Document id=\"5\">\n<Size>4294967296</Size>\n</Document>\n", "out of range"),
        body("dangling reference", std::string(kBody).replace(kBody.find("ref=\"5\""), 7, "ref=\"9\""),
             "dangling reference to id 9"),
        body("reference to the wrong class",
             "<PatientInfo id=\"2\">\n<DocumentTree id=\"3\">\n<DocumentLeaf id=\"4\">\n"
             "<DocumentRefID ref=\"3\"/>\n</DocumentLeaf>\n</DocumentTree>\n</PatientInfo>\n",
             "where a Document is expected"),
        body("duplicate id", "<Address id=\"2\"/>\n<Address id=\"2\"/>\n", "duplicate id"),
        // Properties in the order of their class's description, each at most once, a list's items together.
        body("a value twice", "<Address id=\"2\">\n<ID>1</ID>\n<ID>2</ID>\n</Address>\n", "element appears twice"),
        body("a single child twice", "<Address id=\"2\">\n<Person id=\"3\"/>\n<Person id=\"4\"/>\n</Address>\n",
             "element appears twice"),
        body("a list interrupted",
             "<Address id=\"2\">\n<Telecom id=\"3\"/>\n<Online id=\"4\"/>\n<Telecom id=\"5\"/>\n</Address>\n",
             "unknown, repeated or misplaced"),
        body("lists at the root out of order", "<Document id=\"3\"/>\n<Address id=\"2\"/>\n", "unknown, repeated or misplaced"),
        xml("wrong root", "<OrvanArchive xmlns=\"urn:orvan:structure:1\" formatVersion=\"1\" id=\"1\"/>",
            "not a structure document"),
        // Not well-formed, though a lenient parser reads something.
        xml("content after a NUL byte", Structure(kBody) + std::string(1, '\0') + "<Address id=\"9\"/>",
            "malformed XML"),
        xml("text after the root", Structure(kBody) + "trailing text", "malformed XML"),
        xml("a second root", Structure(kBody) + Structure(""), "malformed XML"),
        body("duplicate attribute", "<Address id=\"2\" id=\"3\"/>\n", "duplicate attribute"),
        filename("literal control character", ">a\x01b", "malformed XML"),
        filename("U+FFFE in text", ">a\xEF\xBF\xBE", "malformed XML"),
        xml("another encoding declared",
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n" + Structure(kBody).substr(39), "encoding 'ISO-8859-1'"),
        xml("XML 1.1", "<?xml version=\"1.1\"?>\n" + Structure(kBody).substr(39), "XML version '1.1'"),
        xml("UTF-16", utf16, "encoding UTF-16 is not supported"),
        // Names compared as namespace and local name.
        body("element in another namespace",
             "<ProcessingInfo id=\"9\">\n<Title xmlns=\"urn:other\">x</Title>\n</ProcessingInfo>\n",
             "{urn:other}Title' is not in the namespace"),
        xml("root without namespace", "<OrvanStructure formatVersion=\"1\" id=\"1\"/>", "not in the namespace"),
        // What the format does not have.
        body("unknown attribute", "<Address id=\"2\" colour=\"red\"/>\n", "unknown attribute 'colour'"),
        body("attribute in a namespace", "<Address xmlns:x=\"urn:x\" id=\"2\" x:id=\"3\"/>\n",
             "unknown attribute '{urn:x}id'"),
        body("text inside a reference",
             std::string(kBody).replace(kBody.find("ref=\"5\"/>"), 9, "ref=\"5\">5</DocumentRefID>"),
             "text where none belongs"),
        body("text inside an attachment element",
             std::string(kBody).replace(kBody.find("\"attachments/5\"/>"), 17, "\"attachments/5\">data</Content>"),
             "text where none belongs"),
        filename("element inside a value", ">a<b/>", "an element inside a value"),
        body("nil member with an id", "<Address nil=\"true\" id=\"3\"/>\n", "nil member has no 'id'"),
        body("nil that is no truth value", "<Address nil=\"yes\"/>\n", "'nil' is not a truth value"),
        body("nil on a single value", "<Document id=\"5\">\n<ID nil=\"true\"/>\n</Document>\n",
             "unknown attribute 'nil'"),
        body("posology without its begin date",
             "<PatientInfo id=\"2\">\n<Kg id=\"3\">\n<Medication id=\"4\">\n<Posology id=\"6\">\n"
             "<Remark>1-0-1</Remark>\n</Posology>\n</Medication>\n</Kg>\n</PatientInfo>\n",
             "required element 'DateBegin' is missing"),
        header("header with text between elements",
               "<OrvanArchive xmlns=\"urn:orvan:archive:1\" formatVersion=\"1\">x<Title/></OrvanArchive>",
               "text between elements"),
        xml("unknown format version", "<OrvanStructure xmlns=\"urn:orvan:structure:1\" formatVersion=\"7\" id=\"1\"/>",
            "unsupported format"),
    };
}

class HostileArchiveTest : public ::testing::Test {
protected:
    // Imports `bytes` with its attachments into out/; returns the library's message.
    std::string ImportError(const std::string& bytes) {
        WriteFile(temp_.Path() / "input.orvan", bytes);
        std::filesystem::remove_all(temp_.Path() / "out");
        std::filesystem::create_directory(temp_.Path() / "out");
        try {
            structOrvanOnePatientComm record;
            COrvanHandler handler;
            handler.DoOrvanImport(FromPath(temp_.Path() / "input.orvan"), FromPath(temp_.Path() / "out"), &record);
        } catch (const common::OrvanException& error) {
            return platform::ToUtf8(error.Message());
        }
        return "no error";
    }
    // Nothing but the input and the empty attachment folder.
    bool NothingWritten() const {
        return FolderListing(temp_.Path()) == std::set<std::string>{"input.orvan", "out"} &&
               FolderListing(temp_.Path() / "out").empty();
    }

    orvan::testing::TempDir temp_;
    orvan::testing::PlatformCapture capture_;
};

TEST_F(HostileArchiveTest, EveryFixtureIsRefusedWithItsProblemNamedAndNothingWritten) {
    const auto fixtures = Fixtures();
    EXPECT_GE(fixtures.size(), 110u);
    // ORVAN_WRITE_CORPUS=<folder> writes the fixtures there, to seed the fuzzer.
    if (const char* corpus = std::getenv("ORVAN_WRITE_CORPUS")) {
        for (std::size_t i = 0; i < fixtures.size(); ++i) {
            WriteFile(std::filesystem::path(corpus) / ("fixture-" + std::to_string(i) + ".orvan"), fixtures[i].bytes);
        }
    }
    for (const Fixture& fixture : fixtures) {
        const std::string message = ImportError(fixture.bytes);
        EXPECT_NE(message.find(fixture.expected), std::string::npos) << fixture.name << ": " << message;
        EXPECT_NE(message.find("input.orvan"), std::string::npos) << fixture.name << ": " << message;
        EXPECT_EQ(message.find_first_of(std::string("\n\r\x1b\0", 4)), std::string::npos) << fixture.name;
        EXPECT_TRUE(NothingWritten()) << fixture.name;
    }
}

// What other writers may do without changing what any reader sees, beyond
// what the ZIP tools of app/tests/writers do by default (entry times, extra
// fields, other systems, ASCII names, stored data, signed descriptors, folder
// entries): each variant imports as the valid base does.
TEST_F(HostileArchiveTest, EveryLegalVariantOfAnotherWriterImports) {
    const auto entries = [](const std::function<void(RawEntry&)>& change) {
        return With([&](RawZip& z) {
            for (RawEntry& e : z.entries) {
                change(e);
            }
        });
    };
    const auto xml = [](const std::string& structure) { return Valid(structure); };
    std::string manyHugeIds;  // ids doubling up to 2^62: a table indexed by id could not hold them
    for (int bit = 10; bit < 63; ++bit) {
        manyHugeIds += "<Address id=\"" + std::to_string(1ull << bit) + "\"/>\n";
    }
    const std::vector<std::pair<std::string, RawZip>> variants = {
        {"the valid base", Valid()},
        {"local extra field padded", entries([](RawEntry& e) { e.localExtra = std::string(3, '\0'); })},
        {"entry comments", entries([](RawEntry& e) { e.comment = "scanned"; })},
        {"deflate option flags", entries([](RawEntry& e) { e.flags = 0x0806; })},
        {"ZIP64 fields where none is needed", entries([](RawEntry& e) { e.zip64 = true; })},
        {"ZIP64 end record", With([](RawZip& z) { z.zip64End = true; })},
        {"ZIP64 end record, every classic field at its maximum, the disk numbers too",
         With([](RawZip& z) { z.zip64End = true, z.disk = z.directoryDisk = 0xFFFF; })},
        {"ZIP64 end record where none is needed, the classic fields true",
         With([](RawZip& z) { z.zip64End = z.classicFieldsTrue = true; })},
        // Data descriptors in the forms those tools do not write.
        {"data descriptors without signature",
         entries([](RawEntry& e) { e.descriptor = true, e.descriptorSignature = false; })},
        {"data descriptors with 64-bit sizes", entries([](RawEntry& e) { e.descriptor = e.descriptorWide = true; })},
        {"data descriptors with 64-bit sizes, without signature",
         entries([](RawEntry& e) { e.descriptor = e.descriptorWide = true, e.descriptorSignature = false; })},
        {"data descriptors with the local header filled in too", entries([](RawEntry& e) {
             e.descriptor = true;
             e.localCrc = static_cast<std::uint32_t>(
                 crc32(0, reinterpret_cast<const Bytef*>(e.content.data()), static_cast<uInt>(e.content.size())));
             e.localCompressedSize = static_cast<std::uint32_t>(Deflate(e.content).size());
         })},
        // A folder entry as an empty deflate stream.
        {"folder entry, deflated, with a descriptor", With([](RawZip& z) {
             z.entries.insert(z.entries.begin(), RawEntry{"attachments/", ""});
             z.entries[0].madeBy = 0x0014;
             z.entries[0].descriptor = true;
         })},
        {"archive comment", With([](RawZip& z) { z.comment = "made by hand"; })},
        {"prefixed namespace",
         xml("<?xml version=\"1.0\"?>\n<o:OrvanStructure xmlns:o=\"urn:orvan:structure:1\" formatVersion=\"1\" "
             "id=\"1\">" + std::regex_replace(kBody, std::regex("<(/?)([A-Z])"), "<$1o:$2") + "</o:OrvanStructure>")},
        {"byte order mark, CRLF, and a text spelled with a comment, CDATA and references",
         xml("\xEF\xBB\xBF" + std::regex_replace(Structure(std::string(kBody).replace(kBody.find("scan.txt"), 8,
                                                "s<!-- a comment -->c&#x61;n<![CDATA[]]><![CDATA[.]]>t&#120;t")),
                                                   std::regex("\n"), "\r\n"))},
        {"truth values spelled 1", xml(Structure(std::string(kBody).replace(kBody.find("<Filename>"), 10,
                                                                             "<Filename escaped=\"1\">")))},
        {"properties left out, lists repeating",
         xml(Structure(std::string(kBody).insert(kBody.find("<Document id"),
                                                 "<Address id=\"20\">\n<ID>1</ID>\n<Postal id=\"21\"/>\n<Telecom id=\"22\"/>\n"
                                                 "<Telecom id=\"23\"/>\n<Online id=\"24\"/>\n</Address>\n")))},
        {"ids beyond 2^62", xml(Structure(BodyWithDocumentId("4611686018427387904")))},
        {"ids doubling up to 2^62", xml(Structure(std::string(kBody).insert(kBody.find("<Document id"), manyHugeIds)))},
        {"attachment named after the largest id", With([](RawZip& z) {
             const std::string largest = "attachments/9223372036854775807";
             Attachment(z).name = largest;
             z.entries[1].content = Structure(std::string(kBody).replace(kBody.find("attachments/5"), 13, largest));
         })},
    };
    for (const auto& [name, zip] : variants) {
        EXPECT_EQ(ImportError(Build(zip)), "no error") << name;
        EXPECT_EQ(ReadBytes(temp_.Path() / "out" / "scan.txt"), kContent) << name;
    }
}

// A dump names objects by the ids of the file, not renumbered; a comparison
// of two archives of one structure numbers both in document order.
TEST_F(HostileArchiveTest, ADumpNamesObjectsByTheirIdsInTheFile) {
    WriteFile(temp_.Path() / "input.orvan", Build(Valid(Structure(BodyWithDocumentId("77")))));
    const common::Archive archive(FromPath(temp_.Path() / "input.orvan"));
    const Dorv::Orvan::Framework::Common::Classes::fullORVAN::OrvanStructure loaded(archive);
    const std::string asInFile = common::DumpAsText(common::BuildDump({}, loaded));
    EXPECT_NE(asInFile.find("Document #77"), std::string::npos) << asInFile;
    EXPECT_NE(asInFile.find("DocumentRefID: -> Document #77"), std::string::npos) << asInFile;
    const std::string renumbered = common::DumpAsText(common::BuildDump({}, loaded, common::DumpIds::DocumentOrder));
    EXPECT_NE(renumbered.find("Document #5"), std::string::npos) << renumbered;
}

TEST_F(HostileArchiveTest, AnArchiveCutAtAnyByteIsRefused) {
    const std::string valid = Build(Valid());
    for (std::size_t length = 0; length < valid.size(); ++length) {
        const std::string message = ImportError(valid.substr(0, length));
        ASSERT_NE(message, "no error") << "cut at " << length;
        ASSERT_TRUE(NothingWritten()) << "cut at " << length;
    }
}

}  // namespace
}  // namespace orvan::library::testing
