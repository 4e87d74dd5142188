// The reader's rules for the elements of an object: properties in the order
// of the class's description, each at most once, only lists repeating, a
// list's items together, and objects nested no deeper than the format allows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "ArchiveTestSupport.h"
#include "TempDir.h"
#include "library/Archive.h"
#include "library/OrvanException.h"
#include "library/format/ArchiveHeader.h"
#include "library/format/FormatFacts.h"
#include "library/model/OrvanStructure.h"
#include "platform/Utf8.h"

namespace orvan::library::testing {
namespace {

struct OrderCase {
    const char* what;
    std::string body;     // the elements inside the root
    const char* outcome;  // part of the refusal, or "loaded"
};

// An address is described as ID, Person, Company, Postal, then the lists
// Telecom, Online and Identificators; the root as GlobalDefinitions (list),
// ProcessingInfo, then the lists PatientInfo, Address and Document.
std::string Address(const std::string& inner) { return "<Address id=\"2\">\n" + inner + "</Address>\n"; }

// Objects nested `levels` deep, the structure the first level.
std::string Nested(std::size_t levels) {
    std::string open = "<PatientInfo id=\"2\">\n<DocumentTree id=\"3\">\n";
    std::string close = "</DocumentTree>\n</PatientInfo>\n";
    for (std::size_t level = 4; level <= levels; ++level) {
        open += "<DocumentTreePtr id=\"" + std::to_string(level) + "\">\n";
        close.insert(0, "</DocumentTreePtr>\n");
    }
    return open + close;
}

const OrderCase kCases[] = {
    {"nothing", "", "loaded"},
    {"properties in order", Address("<ID>1</ID>\n<Person id=\"3\"/>\n<Postal id=\"4\"/>\n"), "loaded"},
    {"properties left out", Address("<Postal id=\"4\"/>\n"), "loaded"},
    {"a list repeating", Address("<Telecom id=\"3\"/>\n<Telecom id=\"4\"/>\n<Online id=\"5\"/>\n"), "loaded"},
    {"lists at the root in order", Address("") + "<Document id=\"3\"/>\n<Document id=\"4\"/>\n", "loaded"},
    {"a property before an earlier one", Address("<Postal id=\"4\"/>\n<ID>1</ID>\n"),
     "unknown, repeated or misplaced element"},
    {"a value twice", Address("<ID>1</ID>\n<ID>2</ID>\n"), "element appears twice"},
    {"a single child twice", Address("<Person id=\"3\"/>\n<Person id=\"4\"/>\n"), "element appears twice"},
    {"a list interrupted", Address("<Telecom id=\"3\"/>\n<Online id=\"4\"/>\n<Telecom id=\"5\"/>\n"),
     "unknown, repeated or misplaced element"},
    {"lists at the root out of order", "<Document id=\"3\"/>\n" + Address(""),
     "unknown, repeated or misplaced element"},
    {"an unknown element", Address("<ID>1</ID>\n<Nickname>x</Nickname>\n"), "unknown, repeated or misplaced element"},
    {"a property of another class", Address("<Street>x</Street>\n"), "unknown, repeated or misplaced element"},
    {"objects as deep as the format allows", Nested(common::kMaxNestingDepth), "loaded"},
    {"objects a level deeper", Nested(common::kMaxNestingDepth + 1), "objects nest deeper than 64 levels"},
};

TEST(StructureOrderTest, TheReaderKeepsTheOrderOfTheClassDescription) {
    orvan::testing::TempDir temp;
    const auto path = temp.Path() / "order.orvan";
    for (const OrderCase& c : kCases) {
        WriteZip(path, {{"header.xml", common::WriteArchiveHeader({L"2.25.9", L"t", L"Titel", L"de"})},
                        {"structure.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<OrvanStructure "
                                          "xmlns=\"urn:orvan:structure:1\" formatVersion=\"1\" id=\"1\">\n" +
                                              c.body + "</OrvanStructure>\n"}});
        std::string outcome = "loaded";
        try {
            const common::Archive archive(platform::FromPath(path));
            const Dorv::Orvan::Framework::Common::Classes::fullORVAN::OrvanStructure structure(archive);
        } catch (const common::OrvanException& error) {
            outcome = platform::ToUtf8(error.Message());
        }
        EXPECT_THAT(outcome, ::testing::HasSubstr(c.outcome)) << c.what;
    }
}

}  // namespace
}  // namespace orvan::library::testing
