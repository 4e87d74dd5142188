#include <gtest/gtest.h>

#include <fstream>

#include "FileContent.h"
#include "RichStructure.h"
#include "TempDir.h"
#include "library/OrvanException.h"
#include "library/ReadBack.h"
#include "library/StructureDump.h"
#include "library/zip/ZipReader.h"

namespace orvan::library::testing {
namespace {

namespace common = Dorv::Orvan::Framework::Common;

std::vector<std::string> Picture(const model::OrvanStructure& structure) {
    return common::DumpAsPaths(common::BuildDump(structure.Header(), structure, common::DumpIds::DocumentOrder));
}

// The read beside the save is taken only for the very bytes the archive holds;
// a document changed on disk since is read again, and found damaged. Where the
// save writes the archive afresh instead of taking the scratch file over
// (Windows), the archive holds no damage, and the read is taken or not, but
// never refused for what the archive does not hold.
TEST(ReadBackTest, TheReadBesideTheSaveIsTakenOnlyForTheBytesTheArchiveHolds) {
    for (const bool damaged : {false, true}) {
        const orvan::testing::TempDir temp;
        const std::unique_ptr<model::OrvanStructure> saved = MakeRichStructure(temp.Path());
        model::OrvanStructure into;
        common::ReadBack readBack(*saved, into);
        const std::wstring target = temp.Wide("record.orvan");
        saved->SaveScratchBeside(target);
        const std::wstring scratch = saved->Save()->Path();
        if (damaged) {
            const common::ZipReader reader(scratch);
            const common::ZipReader::Entry& entry = *reader.Find("structure.xml");
            std::fstream file(platform::ToPath(scratch), std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(static_cast<std::streamoff>(entry.dataOffset + entry.compressedSize / 2));
            file.put('\x55').put('\xAA');
        }
        const std::string scratchBytes = orvan::testing::ReadBytes(platform::ToPath(scratch));
        const std::unique_ptr<common::Archive> archive = saved->Save(target);
        ASSERT_NE(archive, nullptr);
        if (damaged && orvan::testing::ReadBytes(platform::ToPath(target)) == scratchBytes) {
            // Refused by the read itself when it came after the damage, else by the load after it.
            bool taken = true;
            EXPECT_NO_THROW(try { taken = readBack.Finish(*archive); } catch (const common::OrvanFormatException&) {
                taken = false;
            });
            EXPECT_FALSE(taken);
            EXPECT_THROW(model::OrvanStructure{*archive}, common::OrvanFormatException);
        } else if (readBack.Finish(*archive)) {
            EXPECT_EQ(Picture(into), Picture(*saved));
            EXPECT_EQ(into.Header(), saved->Header());
        } else {
            EXPECT_TRUE(damaged) << "an undamaged read beside the save is taken";
            EXPECT_EQ(Picture(model::OrvanStructure(*archive)), Picture(*saved));
        }
    }
}

}  // namespace
}  // namespace orvan::library::testing
