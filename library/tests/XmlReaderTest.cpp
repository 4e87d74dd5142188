#include "library/format/XmlReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "library/OrvanException.h"
#include "library/io/FaultInjection.h"

namespace orvan::library::testing {
namespace {

namespace common = Dorv::Orvan::Framework::Common;
using common::XmlAttribute;
using common::XmlReader;

// A document in memory, read in pieces; it throws once `failAt` bytes are read.
class TextSource final : public common::ByteSource {
public:
    explicit TextSource(std::string text, std::size_t failAt) : text_(std::move(text)), failAt_(failAt) {}
    std::size_t Read(std::span<std::byte> buffer) override {
        if (at_ >= failAt_) {
            throw common::OrvanIoException(L"the disk went away");
        }
        const std::size_t n = std::min({buffer.size(), text_.size() - at_, failAt_ - at_});
        std::memcpy(buffer.data(), text_.data() + at_, n);
        at_ += n;
        ++reads;
        return n;
    }
    std::size_t Served() const { return at_; }
    std::size_t reads = 0;

private:
    std::string text_;
    std::size_t failAt_;
    std::size_t at_ = 0;
};

// One parse of a document, on the parsing thread or, where none can be
// started, without it; what the handler was told, and how the parse ended.
// The handler throws at the start of element number `throwAt`.
class Parse final : public XmlReader::Handler {
public:
    Parse(std::string document, bool thread, std::size_t failAt = std::string::npos, std::size_t throwAt = 0)
        : source(std::move(document), failAt), throwAt_(throwAt) {
        std::optional<common::FaultInjection> noThread;
        if (!thread) {
            noThread.emplace(common::FaultInjection::FailThread("XmlEventStream", 1));
        }
        try {
            reader.Parse(source, *this);
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    void StartElement(std::string_view name, std::span<const XmlAttribute> attributes) override {
        if (++starts == throwAt_) {
            throw std::runtime_error("handler gave up");
        }
        names.emplace_back(name);
        for (const XmlAttribute& a : attributes) {
            values.emplace_back(a.value);
        }
        lines.push_back(reader.Here().line);
        EXPECT_EQ(reader.Here().column, 1u);
    }
    void Characters(std::string_view piece) override { text += piece; }
    void EndElement() override { ++ends; }

    XmlReader reader{L"doc", "urn:test"};
    TextSource source;
    std::size_t starts = 0;
    std::size_t ends = 0;
    std::vector<std::string> names;
    std::vector<std::string> values;
    std::vector<std::size_t> lines;
    std::string text;
    std::string error;

private:
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

TEST(XmlReaderTest, EventsArriveWholeAndInPlaceWithOrWithoutAThread) {
    const std::string value(3 << 20, 'v');
    const std::string text(5 << 20, 't');
    for (const bool thread : {true, false}) {
        SCOPED_TRACE(thread ? "with a thread" : "without one");
        // Events larger than the blocks that carry them.
        const Parse large("<r xmlns=\"urn:test\" a=\"" + value + "\">\n<t>" + text + "</t>\n<e b=\"x\"/></r>", thread);
        EXPECT_EQ(large.names, (std::vector<std::string>{"r", "t", "e"}));
        EXPECT_TRUE(large.values == (std::vector<std::string>{value, "x"}));
        EXPECT_TRUE(large.text == text) << "white space between elements makes no event";
        EXPECT_EQ(Parse("<r xmlns=\"urn:test\">\n<t> \n </t>\n</r>", thread).text, " \n ") << "an element's own";
        EXPECT_EQ(large.ends, 3u);
        // Several megabytes of events, across many blocks.
        const Parse many(ManyElements(300000), thread);
        ASSERT_EQ(many.lines.size(), 300001u);
        for (std::size_t i = 0; i < many.lines.size(); i += 29999) {
            EXPECT_EQ(many.lines[i], i + 1) << i;
        }
        EXPECT_EQ(many.reader.Here().line, 0u) << "no position outside a parse";
    }
}

// A failure (the handler's, the source's, a malformed document) ends the
// parse with its own exception, after every event before it and before any
// after it: nothing in a long comment is an event, and the parse must not
// work through it after the handler failed.
TEST(XmlReaderTest, AFailureEndsTheParseAfterEveryEventBeforeItAndBeforeAnyAfter) {
    std::string broken = ManyElements(100000);
    broken.replace(21 + 50000 * 5, 4, "<e<>");  // line 50002
    const std::string comment(24 << 20, 'x');
    for (const bool thread : {true, false}) {
        SCOPED_TRACE(thread ? "with a thread" : "without one");
        const Parse handler(ManyElements(1000000), thread, std::string::npos, 20);
        EXPECT_EQ(handler.error, "handler gave up");
        EXPECT_EQ(handler.starts, 20u);
        const Parse beforeComment("<r xmlns=\"urn:test\">\n<e/>\n<!--" + comment + "-->\n</r>\n", thread,
                                  std::string::npos, 2);
        EXPECT_EQ(beforeComment.error, "handler gave up");
        EXPECT_LT(beforeComment.source.Served(), comment.size() / 2) << "the parse went on after the handler failed";
        const Parse source(ManyElements(200000), thread, 500000);
        EXPECT_NE(source.error.find("the disk went away"), std::string::npos) << source.error;
        EXPECT_GT(source.ends, 90000u) << "the events read before the fault were handled";
        const Parse malformed(broken, thread);
        EXPECT_NE(malformed.error.find("line 50002, column 3, /r: malformed XML"), std::string::npos)
            << malformed.error;
        EXPECT_EQ(malformed.starts, 50001u) << "every element before the fault";
    }
}

// expat scans an unfinished token from its start again with every piece it
// is fed, so a comment of hundreds of megabytes fed in pieces of a fixed size
// costs time growing with its square. Pieces must grow while no event comes.
TEST(XmlReaderTest, ALongTokenIsFedInGrowingPieces) {
    const Parse parse("<r xmlns=\"urn:test\">\n<e/>\n<!--" + std::string(64 << 20, 'x') + "-->\n<e/>\n</r>\n", true);
    EXPECT_EQ(parse.names, (std::vector<std::string>{"r", "e", "e"}));
    EXPECT_EQ(parse.lines.back(), 4u);
    EXPECT_LT(parse.source.reads, 32u) << "64 MiB without an event read in small pieces";
}

}  // namespace
}  // namespace orvan::library::testing
