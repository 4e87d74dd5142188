// The heap a parse takes, as glibc's allocator counts it: Linux only.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "library/format/XmlReader.h"
#include "library/io/ByteSource.h"
#include "library/io/FaultInjection.h"

namespace orvan::library::testing {
namespace {

namespace common = Dorv::Orvan::Framework::Common;
using common::XmlAttribute;
using common::XmlReader;

constexpr char kNamespace[] = "urn:test";

// Counts what it is told, keeping nothing.
class Counter final : public XmlReader::Handler {
public:
    void StartElement(std::string_view, std::span<const XmlAttribute>) override { ++starts; }
    void Characters(std::string_view) override {}
    void EndElement() override {}
    std::size_t starts = 0;
};

// The heap in use, sampled whenever the parser asks for more of the document.
class SamplingSource final : public common::ByteSource {
public:
    explicit SamplingSource(const std::string& text) : text_(text), base_(InUse()) {}
    std::size_t Read(std::span<std::byte> buffer) override {
        peak_ = std::max(peak_, InUse() - std::min(InUse(), base_));
        const std::size_t n = std::min(buffer.size(), text_.size() - at_);
        std::memcpy(buffer.data(), text_.data() + at_, n);
        at_ += n;
        return n;
    }
    std::size_t Peak() const { return peak_; }
    static std::size_t InUse() {
        const struct mallinfo2 info = ::mallinfo2();
        return info.uordblks + info.hblkhd;
    }

private:
    const std::string& text_;
    std::size_t base_;
    std::size_t at_ = 0;
    std::size_t peak_ = 0;
};

// After a long comment the parser takes the rest of the document in one large
// piece. Parsed without a thread, the events of that piece must still wait in
// the same few blocks, not all at once: memory is bounded in both modes.
TEST(XmlReaderTest, WithoutAThreadTheEventsTakeNoMoreMemoryThanWithOne) {
    if (SamplingSource::InUse() == 0) {
        GTEST_SKIP() << "the allocator tells nothing (a sanitizer's)";
    }
    std::string document = "<r xmlns=\"urn:test\">\n<!--" + std::string(24 << 20, 'x') + "-->\n";
    for (int i = 0; i < 1'000'000; ++i) {
        document += "<a/>";
    }
    document += "</r>\n";
    const auto peakOfParse = [&](bool withThread) {
        std::optional<common::FaultInjection> noThread;
        if (!withThread) {
            noThread.emplace(common::FaultInjection::FailThread("XmlEventStream", 1));
        }
        SamplingSource source(document);
        XmlReader reader(L"doc", kNamespace);
        Counter counter;
        reader.Parse(source, counter);
        EXPECT_EQ(counter.starts, 1'000'001u);
        return source.Peak();
    };
    const std::size_t threaded = peakOfParse(true);
    const std::size_t inlined = peakOfParse(false);
    EXPECT_LT(inlined, threaded + (4u << 20)) << "with a thread " << (threaded >> 20) << " MiB, without "
                                               << (inlined >> 20) << " MiB";
}

}  // namespace
}  // namespace orvan::library::testing
