// A save killed at any moment, in a forked child: POSIX only.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "ArchiveTestSupport.h"
#include "RichStructure.h"
#include "TempDir.h"

namespace orvan::library::testing {
namespace {

using orvan::platform::FromPath;

// A structure with an attachment of several MiB, so that a save takes long
// enough to be interrupted anywhere, saved over an archive of the same
// structure with another address number.
TEST(KilledSaveTest, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewArchive) {
    orvan::testing::TempDir temp;
    std::string scan(8 << 20, '\0');
    for (std::size_t i = 0; i < scan.size(); ++i) {
        scan[i] = static_cast<char>((i * 2654435761u) >> 13);
    }
    WriteFile(temp.Path() / "scan.bin", scan);
    model::OrvanStructure structure(L"2.25.77");
    structure.NewAddress()->ID = 1;
    structure.NewDocument()->ImportFile(FromPath(temp.Path() / "scan.bin"));
    structure.Save(FromPath(temp.Path() / "old.orvan"));
    structure.Address[0]->ID = 2;
    const auto start = std::chrono::steady_clock::now();
    structure.Save(FromPath(temp.Path() / "new.orvan"));
    const auto saveMicroseconds =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
    const std::string oldBytes = ReadBytes(temp.Path() / "old.orvan");
    const std::string newBytes = ReadBytes(temp.Path() / "new.orvan");
    const auto target = temp.Path() / "record.orvan";

    std::mt19937 random(20261206);
    int sawOld = 0;
    int sawNew = 0;
    for (int trial = 0; trial < 50; ++trial) {
        std::filesystem::copy_file(temp.Path() / "old.orvan", target, std::filesystem::copy_options::overwrite_existing);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                structure.Save(FromPath(target));
            } catch (...) {
            }
            ::_exit(0);
        }
        ::usleep(static_cast<useconds_t>(random() % static_cast<std::uint32_t>(saveMicroseconds * 12 / 10 + 1)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string bytes = ReadBytes(target);
        ASSERT_TRUE(bytes == oldBytes || bytes == newBytes) << "trial " << trial << ": a broken archive";
        (bytes == oldBytes ? sawOld : sawNew)++;
        for (const auto& name : FolderListing(temp.Path())) {
            if (name.starts_with(".record.orvan.tmp-")) {
                std::filesystem::remove(temp.Path() / name);  // what a killed save cannot remove itself
            }
        }
    }
    EXPECT_GT(sawOld + sawNew, 0);
    std::printf("killed saves: %d left the old archive, %d the new one\n", sawOld, sawNew);
}

}  // namespace
}  // namespace orvan::library::testing
