#include <gtest/gtest.h>
#include <zip.h>

#include <functional>

#include "ArchiveTestSupport.h"
#include "TempDir.h"
#include "library/OrvanException.h"
#include "library/zip/ZipReader.h"
#include "platform/Utf8.h"

namespace orvan::library::testing {
namespace {

using orvan::platform::FromPath;

TEST(ZipTest, MoreEntriesThanTheClassicFormatCountsUseZip64EndRecords) {
    orvan::testing::TempDir temp;
    const auto path = temp.Path() / "many.zip";
    constexpr int kEntries = 70'000;
    {
        common::AtomicFileWriter out(FromPath(path), false);
        common::ZipWriter zip(out);
        for (int i = 0; i < kEntries; ++i) {
            zip.BeginEntry("e/" + std::to_string(i), i % 2 ? common::ZipWriter::Method::Stored
                                                           : common::ZipWriter::Method::Deflated);
            const std::string content = std::to_string(i * 31);
            zip.Write(std::as_bytes(std::span(content.data(), content.size())));
            zip.EndEntry();
        }
        zip.Finish();
        out.Commit();
    }
    const common::ZipReader reader(FromPath(path));
    ASSERT_EQ(reader.Entries().size(), static_cast<std::size_t>(kEntries));
    EXPECT_EQ(reader.ReadAll(*reader.Find("e/69999"), 100), std::to_string(69999 * 31));

    int error = 0;
    zip_t* zip = zip_open(orvan::platform::GenericUtf8(path).c_str(), ZIP_CHECKCONS | ZIP_RDONLY, &error);
    ASSERT_NE(zip, nullptr) << "libzip error " << error;
    EXPECT_EQ(zip_get_num_entries(zip, 0), kEntries);
    zip_discard(zip);
}

class EmptySource final : public common::ByteSource {
public:
    std::size_t Read(std::span<std::byte>) override { return 0; }
};

// What the reader refuses, the writer does not write: it refuses before the
// archive exists, so nothing unreadable is ever committed.
TEST(ZipTest, TheWriterRefusesWhatTheReaderWouldRefuse) {
    orvan::testing::TempDir temp;
    const auto attempt = [&](const std::function<void(common::ZipWriter&)>& fill) {
        common::AtomicFileWriter out(FromPath(temp.Path() / "a.zip"), false);
        common::ZipWriter zip(out);
        fill(zip);
        zip.Finish();
        out.Commit();
    };
    EmptySource empty;
    EXPECT_THROW(attempt([&](common::ZipWriter& zip) {
                     zip.BeginEntry(std::string(256, 'n'), common::ZipWriter::Method::Stored);
                 }),
                 common::OrvanFormatException);
    EXPECT_THROW(attempt([&](common::ZipWriter& zip) {
                     zip.AddRawEntry("big", common::ZipWriter::Method::Deflated, 0, 0, 40ull << 30, empty);
                     zip.AddRawEntry("bigger", common::ZipWriter::Method::Deflated, 0, 0, (24ull << 30) + 1, empty);
                 }),
                 common::OrvanFormatException);
    EXPECT_THROW(attempt([&](common::ZipWriter& zip) {
                     for (std::uint64_t i = 0; i <= common::ZipLimits::kMaxEntries; ++i) {
                         zip.AddRawEntry("e" + std::to_string(i), common::ZipWriter::Method::Stored, 0, 0, 0, empty);
                     }
                 }),
                 common::OrvanFormatException);
    EXPECT_FALSE(std::filesystem::exists(temp.Path() / "a.zip"));

    // Exactly at the limit it writes.
    attempt([&](common::ZipWriter& zip) {
        zip.AddRawEntry("big", common::ZipWriter::Method::Deflated, 0, 0, 40ull << 30, empty);
        zip.AddRawEntry("bigger", common::ZipWriter::Method::Deflated, 0, 0, 24ull << 30, empty);
    });
    EXPECT_TRUE(std::filesystem::exists(temp.Path() / "a.zip"));
}

}  // namespace
}  // namespace orvan::library::testing
