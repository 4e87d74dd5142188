#include <gtest/gtest.h>
#include <zip.h>

#include "ArchiveTestSupport.h"
#include "TempDir.h"
#include "library/OrvanException.h"
#include "library/zip/ZipReader.h"

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
    zip_t* zip = zip_open(path.c_str(), ZIP_CHECKCONS | ZIP_RDONLY, &error);
    ASSERT_NE(zip, nullptr) << "libzip error " << error;
    EXPECT_EQ(zip_get_num_entries(zip, 0), kEntries);
    zip_discard(zip);
}

}  // namespace
}  // namespace orvan::library::testing
