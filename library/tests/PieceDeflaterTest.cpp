#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "library/zip/PieceDeflater.h"

namespace orvan::library::testing {
namespace {

using Dorv::Orvan::Framework::Common::PieceDeflater;
using Bytes = std::vector<std::byte>;
constexpr std::size_t kPiece = PieceDeflater::kPieceBytes;

// Text that compresses well, with stretches of noise that do not.
Bytes Input(std::size_t size) {
    Bytes input(size);
    std::mt19937 random(static_cast<std::uint32_t>(size));
    for (std::size_t i = 0; i < size; ++i) {
        const bool noise = (i / 100'000) % 3 == 2;
        input[i] = noise ? static_cast<std::byte>(random()) : static_cast<std::byte>("<Name>Diagnose</Name>\n"[i % 22]);
    }
    return input;
}

Bytes Deflate(PieceDeflater& deflater, const Bytes& input, std::size_t writeSize) {
    Bytes output;
    deflater.Begin([&](std::span<const std::byte> data) { output.insert(output.end(), data.begin(), data.end()); });
    for (std::size_t at = 0; at < input.size(); at += writeSize) {
        deflater.Write(std::span(input).subspan(at, std::min(writeSize, input.size() - at)));
    }
    deflater.Finish();
    return output;
}

Bytes Inflate(const Bytes& deflated, std::size_t size) {
    Bytes output(size + 1);
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, -MAX_WBITS), Z_OK);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(deflated.data()));
    stream.avail_in = static_cast<uInt>(deflated.size());
    stream.next_out = reinterpret_cast<Bytef*>(output.data());
    stream.avail_out = static_cast<uInt>(output.size());
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(stream.avail_in, 0u) << "nothing may follow the end of the stream";
    output.resize(output.size() - stream.avail_out);
    inflateEnd(&stream);
    return output;
}

// One ordinary deflate stream, the same bytes however the input arrives and
// at every size around a piece's; a stream abandoned when its sink fails
// leaves the deflater usable for the next.
TEST(PieceDeflaterTest, OneStreamWithTheSameBytesHoweverTheInputArrivesAndAfterAFailedOne) {
    const Bytes abandoned = Input(12 * kPiece);
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, kPiece - 1, kPiece, kPiece + 1, 9 * kPiece + 77}) {
        const Bytes input = Input(size);
        PieceDeflater deflater;
        const Bytes whole = Deflate(deflater, input, std::max<std::size_t>(size, 1));
        EXPECT_EQ(Inflate(whole, size), input) << size;
        deflater.Begin([](std::span<const std::byte>) { throw std::runtime_error("disk full"); });
        EXPECT_THROW(
            {
                deflater.Write(abandoned);
                deflater.Finish();
            },
            std::runtime_error);
        EXPECT_EQ(Deflate(deflater, input, 4097), whole) << size << ": small writes, after a failed stream";
        PieceDeflater fresh;
        EXPECT_EQ(Deflate(fresh, input, kPiece / 2 + 3), whole) << size << ": a fresh deflater";
        EXPECT_TRUE(size <= kPiece || whole.size() < size / 2) << "the text compresses";
    }
}

}  // namespace
}  // namespace orvan::library::testing
