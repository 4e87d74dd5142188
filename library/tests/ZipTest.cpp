#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <functional>
#include <random>

#include "ArchiveTestSupport.h"
#include "RichStructure.h"
#include "TempDir.h"
#include "library/OrvanException.h"
#include "library/zip/Crc32.h"
#include "library/zip/ZipReader.h"
#include "library/zip/ZipWriter.h"

namespace orvan::library::testing {
namespace {

using orvan::platform::FromPath;

TEST(Crc32Test, AgreesWithZlibForEveryLengthAndSplit) {
    std::mt19937 random(12345);
    std::vector<std::byte> data(4096 + 77);
    for (auto& b : data) {
        b = static_cast<std::byte>(random());
    }
    for (std::size_t length = 0; length <= data.size(); length += length < 300 ? 1 : 61) {
        const std::span<const std::byte> piece(data.data(), length);
        const auto expected =
            static_cast<std::uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(piece.data()), piece.size()));
        ASSERT_EQ(common::Crc32(0, piece), expected) << "length " << length;
        const std::size_t split = length / 3;
        ASSERT_EQ(common::Crc32(common::Crc32(0, piece.first(split)), piece.subspan(split)), expected) << length;
    }
    EXPECT_EQ(common::Crc32(0, std::as_bytes(std::span("123456789", 9))), 0xCBF43926u);
}

// 70,000 entries: more than the classic end record counts, so that the writer
// adds a ZIP64 end record and its locator.
std::filesystem::path ManyEntries(const std::filesystem::path& folder) {
    const auto path = folder / "many.zip";
    common::AtomicFileWriter out(FromPath(path), false);
    common::ZipWriter zip(out);
    for (int i = 0; i < 70'000; ++i) {
        zip.BeginEntry("e/" + std::to_string(i), i % 2 ? common::ZipWriter::Method::Stored
                                                       : common::ZipWriter::Method::Deflated);
        const std::string content = std::to_string(i * 31);
        zip.Write(std::as_bytes(std::span(content.data(), content.size())));
        zip.EndEntry();
    }
    zip.Finish();
    out.Commit();
    return path;
}

// How many entries another zip library, checking the archive's consistency,
// finds and reads to their end with a valid CRC; -1 if it fails at any.
long LibzipReadsEveryEntry(const std::filesystem::path& path) {
    int error = 0;
    zip_t* zip = zip_open(orvan::platform::GenericUtf8(path).c_str(), ZIP_CHECKCONS | ZIP_RDONLY, &error);
    long count = zip ? static_cast<long>(zip_get_num_entries(zip, 0)) : -1;
    for (long i = 0; i < count; ++i) {
        zip_file_t* file = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
        char buffer[65536];
        while (file && zip_fread(file, buffer, sizeof buffer) > 0) {
        }
        count = file && zip_fclose(file) == 0 ? count : -1;
    }
    if (zip) {
        zip_discard(zip);
    }
    return count;
}

TEST(ZipTest, AnotherZipLibraryReadsEveryEntryOfOurArchivesZip64EndRecordsIncluded) {
    orvan::testing::TempDir temp;
    EXPECT_EQ(LibzipReadsEveryEntry(ManyEntries(temp.Path())), 70'000);

    const auto rich = temp.Path() / "rich.orvan";
    ASSERT_NE(MakeRichStructure(temp.Path())->Save(FromPath(rich)), nullptr);
    EXPECT_EQ(LibzipReadsEveryEntry(rich), 5) << "header, structure and three attachments";
}

// Ours reads the ZIP64 end record that stands right before its locator, and
// no other: any other place would leave bytes that no reader accounts for,
// or that another reader, looking where the record must stand, reads otherwise.
TEST(ZipTest, AZip64EndRecordIsReadOnlyWhereItsLocatorMustPlaceIt) {
    orvan::testing::TempDir temp;
    const auto path = ManyEntries(temp.Path());
    const std::string zip = ReadBytes(path);
    const std::size_t locator = zip.size() - 22 - 20;
    const std::size_t record = locator - 56;
    // The locator's offset, made one byte smaller.
    std::string early = zip;
    for (std::size_t at = locator + 8; early[at]-- == 0; ++at) {
    }
    const struct {
        const char* what;
        std::string bytes;
        bool inPlace;
    } cases[] = {
        {"as written", zip, true},
        {"placed a byte early", early, false},
        {"followed by a copy", zip.substr(0, locator) + zip.substr(record, 56) + zip.substr(locator), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(path, c.bytes);
        try {
            const common::ZipReader reader(FromPath(path));
            EXPECT_TRUE(c.inPlace) << "read a ZIP64 end record out of its place";
            ASSERT_EQ(reader.Entries().size(), 70'000u);
            EXPECT_EQ(reader.ReadAll(*reader.Find("e/69999"), 100), std::to_string(69999 * 31));
        } catch (const common::OrvanFormatException& error) {
            EXPECT_FALSE(c.inPlace) << error.what();
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
    const auto raw = [&](common::ZipWriter& zip, const std::string& name, std::uint64_t size) {
        zip.AddRawEntry(name, common::ZipWriter::Method::Deflated, 0, 0, size, empty);
    };
    const auto named = [](std::size_t length) {
        return [length](common::ZipWriter& zip) {
            zip.BeginEntry(std::string(length, 'n'), common::ZipWriter::Method::Stored);
            zip.EndEntry();
        };
    };
    const std::function<void(common::ZipWriter&)> refused[] = {
        named(256),
        [&](common::ZipWriter& zip) {
            raw(zip, "big", 40ull << 30);
            raw(zip, "bigger", (24ull << 30) + 1);
        },
        [&](common::ZipWriter& zip) {
            for (std::uint64_t i = 0; i <= common::ZipLimits::kMaxEntries; ++i) {
                raw(zip, "e" + std::to_string(i), 0);
            }
        },
    };
    for (const auto& fill : refused) {
        EXPECT_THROW(attempt(fill), common::OrvanFormatException);
        EXPECT_FALSE(std::filesystem::exists(temp.Path() / "a.zip"));
    }
    // Exactly at the limits it writes.
    attempt(named(255));
    attempt([&](common::ZipWriter& zip) {
        raw(zip, "big", 40ull << 30);
        raw(zip, "bigger", 24ull << 30);
    });
    EXPECT_TRUE(std::filesystem::exists(temp.Path() / "a.zip"));
}

}  // namespace
}  // namespace orvan::library::testing
