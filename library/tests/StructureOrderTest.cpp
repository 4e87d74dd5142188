// The reader's ordering rules for the elements of an object: properties in the
// order of the class's description, each at most once, only lists repeating,
// and a list's items together.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
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
    const char* refusal;  // nullptr: the document loads
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
    {"nothing", "", nullptr},
    {"properties in order", Address("<ID>1</ID>\n<Person id=\"3\"/>\n<Postal id=\"4\"/>\n"), nullptr},
    {"properties left out", Address("<Postal id=\"4\"/>\n"), nullptr},
    {"a list repeating", Address("<Telecom id=\"3\"/>\n<Telecom id=\"4\"/>\n<Online id=\"5\"/>\n"), nullptr},
    {"lists at the root in order", Address("") + "<Document id=\"3\"/>\n<Document id=\"4\"/>\n", nullptr},
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
    {"objects as deep as the format allows", Nested(common::kMaxNestingDepth), nullptr},
    {"objects a level deeper", Nested(common::kMaxNestingDepth + 1), "objects nest deeper than 64 levels"},
};

class StructureOrderTest : public ::testing::TestWithParam<OrderCase> {
protected:
    // Loads an archive whose structure document holds `body`; the library's message, or "loaded".
    std::string Load(const std::string& body) {
        const auto path = temp_.Path() / "order.orvan";
        WriteZip(path, {{"header.xml", common::WriteArchiveHeader({L"2.25.9", L"t", L"Titel", L"de"})},
                        {"structure.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<OrvanStructure "
                                          "xmlns=\"urn:orvan:structure:1\" formatVersion=\"1\" id=\"1\">\n" +
                                              body + "</OrvanStructure>\n"}});
        try {
            const common::Archive archive(platform::FromPath(path));
            const Dorv::Orvan::Framework::Common::Classes::fullORVAN::OrvanStructure structure(archive);
        } catch (const common::OrvanException& error) {
            return platform::ToUtf8(error.Message());
        }
        return "loaded";
    }

    orvan::testing::TempDir temp_;
};

TEST_P(StructureOrderTest, TheReaderKeepsTheOrderOfTheClassDescription) {
    const OrderCase& c = GetParam();
    if (c.refusal == nullptr) {
        EXPECT_EQ(Load(c.body), "loaded");
    } else {
        EXPECT_THAT(Load(c.body), ::testing::HasSubstr(c.refusal));
    }
}

std::string CaseName(const ::testing::TestParamInfo<OrderCase>& c) {
    std::string name;
    for (const char* at = c.param.what; *at != '\0'; ++at) {
        name += std::isalnum(static_cast<unsigned char>(*at)) ? *at : '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, StructureOrderTest, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace orvan::library::testing
