#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TempDir.h"

namespace {

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliTest : public ::testing::Test {
protected:
    CliRun Orvan(const std::string& arguments) const {
        const auto out = temp_.Path() / "out.txt";
        const auto err = temp_.Path() / "err.txt";
        const std::string command = std::string(ORVAN_CLI) + " " + arguments + " >'" + out.string() + "' 2>'" +
                                    err.string() + "' </dev/null";
        const int status = std::system(command.c_str());
        return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(out), Read(err)};
    }
    std::string Data() const { return "--data-dir '" + (temp_.Path() / "data").string() + "' "; }
    std::string Archive() const { return "'" + (temp_.Path() / "data" / "exportORVAN.orvan").string() + "'"; }

    orvan::testing::TempDir temp_;
};

TEST_F(CliTest, EachCommandHasItsExitCodeAndItsStreams) {
    std::filesystem::create_directory(temp_.Path() / "data");
    std::ofstream(temp_.Path() / "garbage.orvan") << "not an archive";
    const struct {
        std::string arguments;
        int exitCode;
        const char* out;  // expected on standard output ("" for nothing)
        const char* err;  // expected on standard error
    } cases[] = {
        {"--help", 0, "Usage:", ""},
        {"--version", 0, "orvan 1.0.0", ""},
        {"", 2, "", "A subcommand is required"},
        {"frobnicate", 2, "", "subcommand"},
        {"-q -v export", 2, "", "excludes"},
        {Data() + "import", 1, "", "does not exist: export first"},
        {Data() + "export", 0, "file 'exportORVAN.orvan' successfully exported!\n", ""},
        {Data() + "-q export", 0, "", ""},
        {Data() + "import", 0, "file 'exportORVAN.orvan' successfully imported!\n", ""},
        {Data() + "-v import", 0, "file 'exportORVAN.orvan' successfully imported!\n", "'Muster' 'Max'"},
        {"dump " + Archive(), 0, "structure: OrvanStructure #1", ""},
        {"check " + Archive(), 0, "check: passed", ""},
        {"dump '" + (temp_.Path() / "garbage.orvan").string() + "'", 3, "", "not a ZIP archive"},
        {"dump '" + (temp_.Path() / "missing.orvan").string() + "'", 1, "", "cannot open"},
    };
    for (const auto& c : cases) {
        const CliRun run = Orvan(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << c.arguments << ": " << run.out;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << c.arguments << ": " << run.err;
        if (std::string(c.out).empty()) {
            EXPECT_EQ(run.out, "") << c.arguments;
        }
        if (std::string(c.err).empty()) {
            EXPECT_EQ(run.err, "") << c.arguments;
        }
    }
}

TEST_F(CliTest, JsonDumpIsStableAndCheckFindsADamagedAttachment) {
    std::filesystem::create_directory(temp_.Path() / "data");
    ASSERT_EQ(Orvan(Data() + "export").exitCode, 0);
    const CliRun first = Orvan("dump --json " + Archive());
    const CliRun second = Orvan("dump --json " + Archive());
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_EQ(first.out, second.out);
    EXPECT_EQ(first.out.rfind("{\"schemaVersion\": 1,", 0), 0u);

    // The attachment is deflated text: damage a byte of its compressed data.
    const auto path = temp_.Path() / "data" / "exportORVAN.orvan";
    std::string bytes = Read(path);
    const std::size_t entry = bytes.find("attachments/");
    ASSERT_NE(entry, std::string::npos);
    bytes[entry + 20] ^= 0x55;
    std::ofstream(path, std::ios::binary) << bytes;
    const CliRun check = Orvan("check " + Archive());
    EXPECT_EQ(check.exitCode, 3) << check.out << check.err;
    EXPECT_NE(check.err.find("attachments/"), std::string::npos) << check.err;
}

// check works in a folder private to the user, leaves nothing there after a
// normal end, and removes what a killed run left;
// an import refuses a temp that is no folder.
TEST_F(CliTest, CheckLeavesNoScratchFolderBehind) {
    const std::filesystem::path tmp = temp_.Path() / "tmp";
    std::filesystem::create_directory(tmp);
    std::filesystem::create_directory(temp_.Path() / "data");
    const std::string env = "TMPDIR='" + tmp.string() + "' ";
    ASSERT_EQ(Orvan(Data() + "export").exitCode, 0);
    const std::filesystem::path parent = tmp / ("orvan-check-" + std::to_string(::geteuid()));
    std::filesystem::create_directory(parent);
    std::filesystem::permissions(parent, std::filesystem::perms::owner_all);
    const std::filesystem::path stale = parent / "999999999-AbCdEf";  // no such process
    std::filesystem::create_directories(stale / "attachments");
    std::ofstream(stale / "attachments" / "Befund.txt") << "a patient's";

    const auto scratchFolders = [&] { return std::distance(std::filesystem::directory_iterator(parent), {}); };
    const std::string check = "--version >/dev/null; " + env + ORVAN_CLI + " check " + Archive();
    EXPECT_EQ(Orvan(check).exitCode, 0);
    EXPECT_EQ(scratchFolders(), 0) << "the stale folder went, and the run's own";
    std::filesystem::remove_all(temp_.Path() / "data" / "temp");
    std::ofstream(temp_.Path() / "data" / "temp") << "not a folder";
    ASSERT_EQ(Orvan(Data() + "import").exitCode, 1) << "a temp that is no folder is refused";
}

}  // namespace
