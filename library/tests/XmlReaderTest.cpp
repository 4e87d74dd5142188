#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "library/OrvanException.h"
#include "library/format/XmlReader.h"
#include "library/io/FaultInjection.h"

namespace orvan::library::testing {
namespace {

namespace common = Dorv::Orvan::Framework::Common;
using common::XmlAttribute;
using common::XmlReader;

constexpr char kNamespace[] = "urn:test";

// A document in memory, read in pieces; it throws once `failAt` bytes are read.
class TextSource final : public common::ByteSource {
public:
    explicit TextSource(std::string text, std::size_t failAt = std::string::npos)
        : text_(std::move(text)), failAt_(failAt) {}
    std::size_t Read(std::span<std::byte> buffer) override {
        if (at_ >= failAt_) {
            throw common::OrvanIoException(L"the disk went away");
        }
        const std::size_t n = std::min({buffer.size(), text_.size() - at_, failAt_ - at_});
        std::memcpy(buffer.data(), text_.data() + at_, n);
        at_ += n;
        ++reads_;
        return n;
    }
    std::size_t Served() const { return at_; }
    std::size_t Reads() const { return reads_; }

private:
    std::string text_;
    std::size_t failAt_;
    std::size_t at_ = 0;
    std::size_t reads_ = 0;
};

// Records what it is told; throws at the start of element number `throwAt`.
class Recorder final : public XmlReader::Handler {
public:
    explicit Recorder(XmlReader& reader, std::size_t throwAt = 0) : reader_(reader), throwAt_(throwAt) {}
    void StartElement(std::string_view name, std::span<const XmlAttribute> attributes) override {
        if (++starts == throwAt_) {
            throw std::runtime_error("handler gave up");
        }
        names.emplace_back(name);
        for (const XmlAttribute& a : attributes) {
            values.emplace_back(a.value);
        }
        positions.push_back(reader_.Here());
    }
    void Characters(std::string_view piece) override { text += piece; }
    void EndElement() override { ++ends; }

    std::size_t starts = 0;
    std::size_t ends = 0;
    std::vector<std::string> names;
    std::vector<std::string> values;
    std::vector<XmlReader::Position> positions;
    std::string text;

private:
    XmlReader& reader_;
    std::size_t throwAt_;
};

// `count` empty elements in a root, one a line: "<e/>" from line 2 on.
std::string ManyElements(std::size_t count) {
    std::string document = "<r xmlns=\"urn:test\">\n";
    for (std::size_t i = 0; i < count; ++i) {
        document += "<e/>\n";
    }
    return document + "</r>\n";
}

TEST(XmlReaderTest, EventsLargerThanTheirBlocksArriveWhole) {
    const std::string value(3 << 20, 'v');
    const std::string text(5 << 20, 't');
    TextSource source("<r xmlns=\"urn:test\" a=\"" + value + "\"><t>" + text + "</t><e b=\"x\"/></r>");
    XmlReader reader(L"doc", kNamespace);
    Recorder recorder(reader);
    reader.Parse(source, recorder);
    EXPECT_EQ(recorder.names, (std::vector<std::string>{"r", "t", "e"}));
    ASSERT_EQ(recorder.values.size(), 2u);
    EXPECT_TRUE(recorder.values[0] == value);
    EXPECT_EQ(recorder.values[1], "x");
    EXPECT_TRUE(recorder.text == text);
    EXPECT_EQ(recorder.ends, 3u);
}

TEST(XmlReaderTest, PositionsAreThoseOfEachEventAcrossManyBlocks) {
    TextSource source(ManyElements(300000));  // several megabytes of events
    XmlReader reader(L"doc", kNamespace);
    Recorder recorder(reader);
    reader.Parse(source, recorder);
    ASSERT_EQ(recorder.positions.size(), 300001u);
    for (std::size_t i = 1; i < recorder.positions.size(); i += 29999) {
        EXPECT_EQ(recorder.positions[i].line, i + 1) << i;
        EXPECT_EQ(recorder.positions[i].column, 1u) << i;
    }
    EXPECT_EQ(reader.Here().line, 0u) << "no position outside a parse";
}

TEST(XmlReaderTest, AFailingHandlerEndsTheParseWithItsOwnException) {
    TextSource source(ManyElements(1000000));
    XmlReader reader(L"doc", kNamespace);
    Recorder recorder(reader, 20);
    EXPECT_THROW(reader.Parse(source, recorder), std::runtime_error);
    EXPECT_EQ(recorder.starts, 20u) << "nothing after the failure";
}

// Nothing in a long comment is an event: the element before it must still
// reach the handler at once, and the handler's failure end the parse there,
// not after the parser has worked through the rest of the document.
TEST(XmlReaderTest, AFailingHandlerEndsTheParseBeforeALongTokenAfterIt) {
    const std::string comment(24 << 20, 'x');
    TextSource source("<r xmlns=\"urn:test\">\n<e/>\n<!--" + comment + "-->\n</r>\n");
    XmlReader reader(L"doc", kNamespace);
    Recorder recorder(reader, 2);
    EXPECT_THROW(reader.Parse(source, recorder), std::runtime_error);
    EXPECT_EQ(recorder.starts, 2u);
    EXPECT_LT(source.Served(), comment.size() / 2) << "the parse went on after the handler failed";
}

// expat scans an unfinished token from its start again with every piece it
// is fed, so a comment of hundreds of megabytes fed in pieces of a fixed size
// costs time growing with its square. Pieces must grow while no event comes.
TEST(XmlReaderTest, ALongTokenIsFedInGrowingPieces) {
    const std::string comment(64 << 20, 'x');
    TextSource source("<r xmlns=\"urn:test\">\n<e/>\n<!--" + comment + "-->\n<e/>\n</r>\n");
    XmlReader reader(L"doc", kNamespace);
    Recorder recorder(reader);
    reader.Parse(source, recorder);
    EXPECT_EQ(recorder.names, (std::vector<std::string>{"r", "e", "e"}));
    EXPECT_EQ(recorder.positions.back().line, 4u);
    EXPECT_LT(source.Reads(), 32u) << "64 MiB without an event read in small pieces";
}

// A process may not get a second thread (a user's or a container's limit on
// processes): a document is still read, as it was on one thread.
TEST(XmlReaderTest, ADocumentIsReadWhereNoThreadCanBeStarted) {
    const auto noThread = common::FaultInjection::FailThread("XmlEventStream", 1);
    std::string document = ManyElements(300000);  // several megabytes of events
    TextSource source(document);
    XmlReader reader(L"doc", kNamespace);
    Recorder recorder(reader);
    reader.Parse(source, recorder);
    EXPECT_TRUE(noThread.Fired());
    EXPECT_EQ(recorder.starts, 300001u);
    EXPECT_EQ(recorder.positions[250000].line, 250001u);

    const auto noThreadAgain = common::FaultInjection::FailThread("XmlEventStream", 1);
    document.replace(21 + 200000 * 5, 4, "<e<>");  // line 200002
    TextSource broken(document);
    try {
        reader.Parse(broken, recorder);
        ADD_FAILURE() << "a malformed document was read";
    } catch (const common::OrvanFormatException& error) {
        EXPECT_NE(error.Message().find(L"line 200002, column 3, /r: malformed XML"), std::wstring::npos)
            << error.what();
    }
}

TEST(XmlReaderTest, FaultsComeAfterEveryEventBeforeThem) {
    const std::string document = ManyElements(200000);
    {
        TextSource source(document, document.size() / 2);
        XmlReader reader(L"doc", kNamespace);
        Recorder recorder(reader);
        EXPECT_THROW(reader.Parse(source, recorder), common::OrvanIoException);
        EXPECT_GT(recorder.ends, 90000u) << "the events read before the fault were handled";
    }
    std::string broken = document;
    broken.replace(21 + 100000 * 5, 4, "<e<>");  // line 100002
    TextSource source(broken);
    XmlReader reader(L"doc", kNamespace);
    Recorder recorder(reader);
    try {
        reader.Parse(source, recorder);
        ADD_FAILURE() << "a malformed document was read";
    } catch (const common::OrvanFormatException& error) {
        const std::size_t line = recorder.positions.back().line + 1;
        EXPECT_NE(error.Message().find(L"line " + std::to_wstring(line) + L", column 3, /r: malformed XML"),
                  std::wstring::npos)
            << error.what();
        EXPECT_EQ(recorder.starts, line - 1) << "every element before the fault";
    }
}

}  // namespace
}  // namespace orvan::library::testing
