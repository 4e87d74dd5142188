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

std::size_t HeapInUse() {
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

// A document in memory that notes the most heap in use beyond what was in use
// before, whenever the parser asks for more of it; and the handler of its
// events, which keeps nothing but their number.
class SamplingParse final : public common::ByteSource, public common::XmlReader::Handler {
public:
    explicit SamplingParse(const std::string& text) : text_(text), base_(HeapInUse()) {}
    std::size_t Read(std::span<std::byte> buffer) override {
        peak = std::max(peak, HeapInUse() - std::min(HeapInUse(), base_));
        const std::size_t n = std::min(buffer.size(), text_.size() - at_);
        std::memcpy(buffer.data(), text_.data() + at_, n);
        at_ += n;
        return n;
    }
    void StartElement(std::string_view, std::span<const common::XmlAttribute>) override { ++starts; }
    void Characters(std::string_view) override {}
    void EndElement() override {}

    std::size_t peak = 0;
    std::size_t starts = 0;

private:
    const std::string& text_;
    std::size_t base_;
    std::size_t at_ = 0;
};

// After a long comment the parser takes the rest of the document in one large
// piece. Parsed without a thread, the events of that piece must still wait in
// the same few blocks, not all at once: memory is bounded in both modes.
TEST(XmlReaderTest, WithoutAThreadTheEventsTakeNoMoreMemoryThanWithOne) {
    if (HeapInUse() == 0) {
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
        SamplingParse parse(document);
        common::XmlReader(L"doc", "urn:test").Parse(parse, parse);
        EXPECT_EQ(parse.starts, 1'000'001u);
        return parse.peak;
    };
    const std::size_t threaded = peakOfParse(true);
    const std::size_t inlined = peakOfParse(false);
    EXPECT_LT(inlined, threaded + (4u << 20)) << "with a thread " << (threaded >> 20) << " MiB, without "
                                               << (inlined >> 20) << " MiB";
}

}  // namespace
}  // namespace orvan::library::testing
