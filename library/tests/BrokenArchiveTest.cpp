#include <gtest/gtest.h>

#include <functional>

#include "ArchiveTestSupport.h"
#include "TempDir.h"
#include "library/Archive.h"
#include "library/ArchiveHeader.h"
#include "library/OrvanException.h"
#include "library/model/OrvanStructure.h"

namespace orvan::library::testing {
namespace {

namespace model = Dorv::Orvan::Framework::Common::Classes::fullORVAN;
using common::Archive;
using common::OrvanException;
using orvan::platform::FromPath;
using orvan::platform::ToUtf8;

// Binary content that is stored as it is.
std::string ScanData() {
    std::string data(4096, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>((i * 7919) ^ (i >> 3));
    }
    return data;
}

const std::string kHeader = common::WriteArchiveHeader({L"2.25.1", L"t", std::nullopt, std::nullopt});

std::string Structure(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<OrvanStructure xmlns=\"urn:orvan:structure:1\" formatVersion=\"1\" "
           "id=\"1\">\n" + body + "</OrvanStructure>\n";
}

// Opens the archive and loads its structure; returns the library's message.
std::string LoadError(const std::filesystem::path& path) {
    try {
        const Archive archive(FromPath(path));
        const model::OrvanStructure structure(archive);
    } catch (const OrvanException& error) {
        return ToUtf8(error.Message());
    }
    return "no error";
}

class BrokenArchiveTest : public ::testing::Test {
protected:
    std::filesystem::path Path(const char* name) const { return temp_.Path() / name; }

    // A valid archive with one stored attachment, as bytes.
    std::string ValidArchive() {
        model::OrvanStructure structure(L"2.25.7");
        structure.NewAddress()->ID = 5;
        WriteFile(Path("scan.bin"), ScanData());
        structure.NewDocument()->ImportFile(FromPath(Path("scan.bin")));
        structure.Save(FromPath(Path("valid.orvan")));
        return ReadBytes(Path("valid.orvan"));
    }

    orvan::testing::TempDir temp_;
};

TEST_F(BrokenArchiveTest, DamagedContainersAreRefusedWithTheirProblemNamed) {
    const std::string valid = ValidArchive();
    const std::size_t attachmentData = valid.find(ScanData().substr(0, 64));
    ASSERT_NE(attachmentData, std::string::npos);
    std::string flipped = valid;
    flipped[attachmentData + 100] = 'X';
    std::string badOffset = valid;
    badOffset[valid.size() - 6] ^= 0x01;  // central directory offset in the end record

    const struct {
        const char* name;
        std::string bytes;
        const char* expected;
    } cases[] = {
        {"text", "this is not an archive at all", "not a ZIP archive"},
        {"empty", "", "not a ZIP archive (too short)"},
        {"cut in the end record", valid.substr(0, valid.size() - 1), "no end record"},
        {"cut in half", valid.substr(0, valid.size() / 2), "no end record"},
        {"cut to the first entry", valid.substr(0, 40), "no end record"},
        {"bad directory offset", badOffset, "central directory"},
    };
    for (const auto& c : cases) {
        WriteFile(Path("broken.orvan"), c.bytes);
        const std::string message = LoadError(Path("broken.orvan"));
        EXPECT_NE(message.find(c.expected), std::string::npos) << c.name << ": " << message;
        EXPECT_NE(message.find("broken.orvan"), std::string::npos) << c.name << ": " << message;
    }

    // Content damage shows when the content is read, naming the entry.
    WriteFile(Path("flipped.orvan"), flipped);
    const Archive archive(FromPath(Path("flipped.orvan")));
    const model::OrvanStructure structure(archive);
    try {
        structure.Document[0]->ExportFile(FromPath(Path("out.bin")));
        ADD_FAILURE() << "damaged content was written out";
    } catch (const OrvanException& error) {
        EXPECT_NE(ToUtf8(error.Message()).find("attachments/3': CRC mismatch"), std::string::npos)
            << ToUtf8(error.Message());
    }
    EXPECT_FALSE(std::filesystem::exists(Path("out.bin"))) << "no half-written attachment";
}

TEST_F(BrokenArchiveTest, MalformedStructuresAreRefusedNamingEntryLineAndElement) {
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> entries;
        const char* expected;
    } cases[] = {
        {"no structure", {{"header.xml", kHeader}}, "entry 'structure.xml': missing"},
        {"no header", {{"structure.xml", Structure("")}}, "entry 'header.xml': missing"},
        {"malformed XML", {{"header.xml", kHeader}, {"structure.xml", Structure("<Address id=\"2\">")}},
         "malformed XML"},
        {"DOCTYPE", {{"header.xml", kHeader},
                     {"structure.xml", "<!DOCTYPE x [<!ENTITY e \"boom\">]>\n" + Structure("")}},
         "DOCTYPE is not allowed"},
        {"unknown entity", {{"header.xml", kHeader},
                            {"structure.xml", Structure("<Address id=\"2\">\n<Person id=\"3\">\n"
                                                        "<Familyname>&e;</Familyname>\n</Person>\n</Address>\n")}},
         "line 5, /OrvanStructure/Address/Person/Familyname: unknown entity"},
        {"unknown element", {{"header.xml", kHeader}, {"structure.xml", Structure("<Patient id=\"2\"/>\n")}},
         "/OrvanStructure/Patient: unknown, repeated or misplaced element"},
        {"misplaced element",
         {{"header.xml", kHeader}, {"structure.xml", Structure("<Address id=\"2\"/>\n<ProcessingInfo id=\"3\"/>\n")}},
         "misplaced"},
        {"value of the wrong kind",
         {{"header.xml", kHeader}, {"structure.xml", Structure("<Address id=\"2\">\n<ID>twelve</ID>\n</Address>\n")}},
         "/OrvanStructure/Address/ID: malformed value 'twelve'"},
        {"value out of range",
         {{"header.xml", kHeader},
          {"structure.xml", Structure("<PatientInfo id=\"2\">\n<PatientAddress id=\"3\">\n"
                                      "<PatientID>2147483648</PatientID>\n</PatientAddress>\n</PatientInfo>\n")}},
         "value out of range"},
        {"dangling reference",
         {{"header.xml", kHeader},
          {"structure.xml", Structure("<ProcessingInfo id=\"2\">\n<AuthorAddress id=\"3\">\n"
                                      "<AddressRefID ref=\"99\"/>\n</AuthorAddress>\n</ProcessingInfo>\n")}},
         "dangling reference to id 99"},
        {"reference to the wrong class",
         {{"header.xml", kHeader},
          {"structure.xml", Structure("<ProcessingInfo id=\"2\">\n<AuthorAddress id=\"3\">\n"
                                      "<AddressRefID ref=\"2\"/>\n</AuthorAddress>\n</ProcessingInfo>\n")}},
         "refers to a ProcessingInfo where a Address is expected"},
        {"duplicate id",
         {{"header.xml", kHeader}, {"structure.xml", Structure("<Address id=\"2\"/>\n<Address id=\"2\"/>\n")}},
         "duplicate id"},
        {"attachment entry missing",
         {{"header.xml", kHeader},
          {"structure.xml", Structure("<Document id=\"2\">\n<Content entry=\"attachments/2\"/>\n</Document>\n")}},
         "names no attachment entry"},
        {"entry outside the structure",
         {{"header.xml", kHeader}, {"structure.xml", Structure("")}, {"attachments/9", "stray"}},
         "entry 'attachments/9': not part of the structure"},
        {"wrong format version",
         {{"header.xml", kHeader},
          {"structure.xml", "<OrvanStructure xmlns=\"urn:orvan:structure:1\" formatVersion=\"2\" id=\"1\"/>"}},
         "unsupported format version"},
    };
    for (const auto& c : cases) {
        WriteZip(Path("crafted.orvan"), c.entries);
        const std::string message = LoadError(Path("crafted.orvan"));
        EXPECT_NE(message.find(c.expected), std::string::npos) << c.name << ": " << message;
        EXPECT_NE(message.find("crafted.orvan"), std::string::npos) << c.name << ": " << message;
    }
}

}  // namespace
}  // namespace orvan::library::testing
