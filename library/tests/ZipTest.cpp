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

// `zip` (one without a comment) with `records` ZIP64 end records where its
// directory ends, and a locator that places the last one `early` bytes before it is.
std::string WithZip64End(std::string zip, int records, std::uint64_t early) {
    const auto put = [](std::string& out, std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out += static_cast<char>(value >> (8 * i));
        }
    };
    const std::size_t end = zip.size() - 22;
    const auto field = [&](std::size_t at, int bytes) {
        std::uint64_t value = 0;
        for (int i = bytes; i-- > 0;) {
            value = value << 8 | static_cast<unsigned char>(zip[end + at + static_cast<std::size_t>(i)]);
        }
        return value;
    };
    std::string tail;
    for (int i = 0; i < records; ++i) {
        put(tail, 0x06064b50, 4);
        put(tail, 44, 8);           // the record's size after this field
        put(tail, 45 * 0x10001, 4); // made by and needed: 4.5
        put(tail, 0, 8);            // the disk numbers
        for (const auto& [at, bytes] : {std::pair<std::size_t, int>{8, 2}, {10, 2}, {12, 4}, {16, 4}}) {
            put(tail, field(at, bytes), 8);  // the counts, size and offset
        }
    }
    put(tail, 0x07064b50, 4);
    put(tail, 0, 4);
    put(tail, end + 56 * static_cast<std::uint64_t>(records - 1) - early, 8);
    put(tail, 1, 4);
    zip.insert(end, tail);
    return zip;
}

// The ZIP64 end record stands right before its locator, and nowhere else:
// any other place would leave bytes that no reader accounts for, or that
// another reader, looking where the record must stand, reads otherwise.
TEST(ZipTest, AZip64EndRecordIsReadOnlyWhereItsLocatorMustPlaceIt) {
    orvan::testing::TempDir temp;
    const auto path = temp.Path() / "a.zip";
    WriteZip(path, {{"a.txt", "content"}});
    const std::string zip = ReadBytes(path);
    const struct {
        int records;
        std::uint64_t early;
    } cases[] = {{1, 0}, {1, 1}, {2, 56}};
    for (const auto& c : cases) {
        WriteFile(path, WithZip64End(zip, c.records, c.early));
        try {
            const common::ZipReader reader(FromPath(path));
            EXPECT_EQ(c.early, 0u) << "read a ZIP64 end record " << c.early << " bytes before its place";
            EXPECT_EQ(reader.ReadAll(*reader.Find("a.txt"), 100), "content");
        } catch (const common::OrvanFormatException& error) {
            EXPECT_NE(c.early, 0u) << error.what();
            EXPECT_NE(error.Message().find(L"ZIP64 end locator missing or misplaced"), std::wstring::npos)
                << error.what();
        }
    }
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
