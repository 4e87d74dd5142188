#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>
#include <set>

#include "FileContent.h"
#include "SystemFacts.h"
#include "TempDir.h"
#include "app/RecordJson.h"
#include "platform/ProgramFacts.h"
#include "platform/Utf8.h"
#include "record/tests/FilledRecord.h"

namespace {

namespace fs = std::filesystem;
using orvan::testing::ReadBytes;

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

// A usage error, as every message, is one line of its own.
bool IsOneMessageLine(const std::string& err) {
    return err.starts_with("orvan: ") && err.find('\n') == err.size() - 1;
}

const std::string kData = "--data-dir data ";

// orvan runs in the test's own folder, where paths are given relative to it.
class CliTest : public ::testing::Test {
protected:
    // Runs orvan with `arguments` (shell words), with the `environment` assignments.
    CliRun Orvan(const std::string& arguments, const std::string& environment = "") const {
        const fs::path out = streams_.Path() / "out";
        const fs::path err = streams_.Path() / "err";
        const std::string line = "cd '" + temp_.Path().string() + "' && " + environment + " " + ORVAN_CLI + " " +
                                 arguments + " >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
        const int status = std::system(line.c_str());
        return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(out), ReadBytes(err)};
    }
    fs::path In(const std::string& relative) const { return temp_.Path() / relative; }

    orvan::testing::TempDir temp_;
    orvan::testing::TempDir streams_;  // where orvan's output goes, outside what it may write
};

// Every command's exit code and streams. Whatever orvan prints shows
// control characters, DEL and characters that reorder text as escapes, the
// trace included. A record output may be a stream, or a link whose target is
// replaced. check works in a folder private to the user, leaves nothing there
// and removes what a killed run left. A data directory named for the first
// time is made, owner-only, with the folders above it.
TEST_F(CliTest, EachCommandHasItsExitCodeAndItsStreams) {
    std::ofstream(In("garbage.orvan")) << "not an archive";
    std::string damaged = ReadBytes(ORVAN_SOURCE_DIR "/app/tests/writers/reference.orvan");
    damaged.at(damaged.find("attachments/") + 20) ^= 0x55;  // in the deflated text
    std::ofstream(In("damaged.orvan"), std::ios::binary) << damaged;
    const fs::path scratch = In("tmp/orvan-check-" + std::to_string(::geteuid()));
    const fs::path stale = scratch / "999999999-AbCdEf";  // what a killed check left: no such process
    fs::create_directories(stale / "attachments");
    fs::permissions(scratch, fs::perms::owner_all);
    std::ofstream(stale / "attachments" / "Befund.txt") << "a patient's";
    fs::create_directory(In("other"));
    std::ofstream(In("other/temp")) << "not a folder";
    std::ofstream(In("hostile.json")) << R"({"sProcessingInfo": {"sAuthorAddress": {"bstrFamilyname": "Muster\u001b[2J\u009b\u202e\u007f"}}})";
    const std::string hostile = "--archive \"$(printf 'x\\033[2Ja.orvan')\"";
    std::ofstream(In("old.json")) << "old";
    fs::create_symlink("old.json", In("link.json"));
    const struct {
        std::string arguments;
        int exitCode;
        const char* out;  // expected on standard output ("" for nothing)
        const char* err;  // expected on standard error
        std::string environment = "";
    } cases[] = {
        {"--help", 0, "Usage:", ""},
        {"--version", 0, ORVAN_CLI_NAME " " ORVAN_VERSION, ""},
        {"", 2, "", "A subcommand is required"},
        {"frobnicate", 2, "", "orvan: unknown command 'frobnicate'; the commands are: export, import, dump, check, demo-record (see orvan --help)\n"},
        {kData + "frobnicate", 2, "", "unknown command 'frobnicate'"},
        {"\"$(printf 'bad\\033[2J')\"", 2, "", "unknown command 'bad\\x1b[2J'"},
        {"export --frobnicate", 2, "", "--frobnicate"},
        {"-q -v export", 2, "", "excludes"},
        {kData + "import", 1, "", "does not exist: export first"},
        {kData + "export", 0, "file 'exportORVAN.orvan' successfully exported!\n", ""},
        {kData + "-q export", 0, "", ""},
        {"export -q " + kData, 0, "", ""},
        {"export " + kData + "--archive data/other.orvan", 0, "file 'other.orvan' successfully exported!\n", ""},
        {"import --archive data/other.orvan " + kData, 0, "file 'other.orvan' successfully imported!\n", ""},
        {kData + "import", 0, "file 'exportORVAN.orvan' successfully imported!\n", ""},
        {kData + "-q import --record-out /dev/stdout", 0, "\"bstrOrvanId\": \"2.16.756.5.30.1.917.1.10.", ""},
        {kData + "-q import --record-out link.json", 0, "", ""},
        {kData + "-q import --record-out no/such/back.json", 1, "", "cannot create a temporary file for 'no/such/back.json'"},
        {"dump --json data/exportORVAN.orvan", 0, "{\n  \"schemaVersion\": 1,\n  \"archive\": {", ""},
        {"dump data/exportORVAN.orvan", 0, "structure: OrvanStructure #1", ""},
        {"check data/exportORVAN.orvan", 0, "check: passed", "", "TMPDIR='" + In("tmp").string() + "'"},
        {"check damaged.orvan", 3, "", "attachments/45"},
        {"--data-dir other import --archive data/exportORVAN.orvan", 1, "", "cannot write attachments into 'other/temp': it is not a folder"},
        {"--data-dir new/data demo-record", 0, "\"bstrFilename\": \"new/data/document2export.txt\"", ""},
        {"dump garbage.orvan", 3, "", "not a ZIP archive"},
        {"dump missing.orvan", 1, "", "cannot open"},
        {"-v " + kData + "export --record hostile.json " + hostile, 0, "file 'x\\x1b[2Ja.orvan' successfully exported!", "x\\x1b[2Ja.orvan"},
        {"-v " + kData + "import " + hostile, 0, "file 'x\\x1b[2Ja.orvan' successfully imported!", "'Muster\\x1b[2J\\x9b\\u202e\\x7f' ''"},
    };
    for (const auto& c : cases) {
        const CliRun run = Orvan(c.arguments, c.environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << c.arguments << ": " << run.out;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_TRUE(*c.out != '\0' || run.out.empty()) << c.arguments << ": " << run.out;
        EXPECT_TRUE(*c.err != '\0' || run.err.empty()) << c.arguments << ": " << run.err;
        EXPECT_TRUE(c.exitCode == 0 || IsOneMessageLine(run.err)) << c.arguments << ": " << run.err;
        for (const char* raw : {"\x1b", "\x7f", "\xc2\x9b", "\xe2\x80\xae"}) {
            EXPECT_EQ((run.out + run.err).find(raw), std::string::npos) << c.arguments << ": " << run.out << run.err;
        }
    }
    EXPECT_TRUE(fs::is_symlink(In("link.json")));
    EXPECT_NE(ReadBytes(In("old.json")).find("\"bstrOrvanId\": \"2.16.756.5.30.1.917.1.10."), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch), {}), 0) << "the stale folder went, and the run's own";
    EXPECT_TRUE(orvan::testing::IsOwnerOnly(In("new/data")));
}

// A record's JSON goes out with --record and comes back with --record-out,
// attachment paths relative to each file's folder. Which fields an archive
// carries, the exchange's round-trip tests check one by one.
TEST_F(CliTest, ARecordExportedFromJsonImportsBack) {
    fs::create_directories(In("in"));
    std::ofstream(In("in/Befund.txt")) << "attachment of a rich record";
    structOrvanOnePatientComm rich = orvan::record::testing::FilledRoot();
    for (auto& leaf : rich.sPatientInfo.vecDocumentTree[0].mapDocumentLeaf[1]) {
        leaf.sDocument.bstrFilename = orvan::platform::FromPath(In("in/Befund.txt"));
    }
    rich.vecDocument.clear();
    std::ofstream(In("in/rich.json")) << orvan::app::RecordToJson(rich, In("in"));
    const CliRun exported = Orvan(kData + "export --archive again.orvan --record in/rich.json");
    EXPECT_EQ(exported.out, "file 'again.orvan' successfully exported!\n") << exported.err;
    ASSERT_EQ(Orvan(kData + "-q import --archive again.orvan --record-out back.json").exitCode, 0);
    EXPECT_TRUE(orvan::testing::IsOwnerOnly(In("back.json")));
    const nlohmann::json before = nlohmann::json::parse(ReadBytes(In("in/rich.json")));
    const nlohmann::json after = nlohmann::json::parse(ReadBytes(In("back.json")));
    for (const char* carried : {"/sArchive/bstrTitle", "/sPatientInfo/lID", "/sPatientInfo/sKg/mapDiagnosis"}) {
        EXPECT_EQ(after[nlohmann::json::json_pointer(carried)], before[nlohmann::json::json_pointer(carried)]) << carried;
    }
    const auto file = "/sPatientInfo/vecDocumentTree/0/mapDocumentLeaf/0/values/0/sDocument/bstrFilename"_json_pointer;
    EXPECT_EQ(after[file], "data/temp/Befund.txt");
    EXPECT_EQ(ReadBytes(In("data/temp/Befund.txt")), "attachment of a rich record");
}

// Command lines people type: an output naming an input, however spelled, a
// device, a pipe, an empty variable, a name that is not UTF-8, a record that
// does not fit, no type database (every attachment would get the wrong type).
// Each is refused before anything is written, naming what is wrong.
TEST_F(CliTest, WhatCannotBeDoneIsRefusedBeforeAnythingIsWritten) {
    std::ofstream(In("r.json")) << Orvan(kData + "demo-record").out;
    ASSERT_EQ(Orvan(kData + "export --record r.json --archive a.orvan").exitCode, 0);
    ASSERT_EQ(Orvan(kData + "import --archive a.orvan").exitCode, 0);
    fs::create_symlink("r.json", In("link.json"));
    ASSERT_EQ(::mkfifo(In("pipe").c_str(), 0600), 0);
    std::ofstream(In("huge.json")) << "{";
    fs::resize_file(In("huge.json"), (64u << 20) + 1);  // sparse: costs no disk
    std::ofstream(In("range.json")) << R"({"sPatientInfo": {"lID": 2147483648}})";
    std::ofstream(In("gone.json")) << R"({"sPatientInfo": {"vecDocumentTree": [{"mapDocumentLeaf": [{"key": 1, "values": [{"sDocument": {"bstrFilename": "gone.txt"}}]}]}]}})";
    std::ofstream(In("cut.json")) << "{\"sArchive\": ";
    const struct {
        std::string arguments;
        int exitCode;
        const char* message;
        std::string environment = "";
    } cases[] = {
        {"export --record r.json --archive r.json", 2, "archive 'r.json' is the record 'r.json'"},
        {"export --record r.json --archive ./link.json", 2, "archive './link.json' is the record 'r.json'"},
        {"export --record link.json --archive r.json", 2, "archive 'r.json' is the record 'link.json'"},
        {"export --record r.json --archive data/document2export.txt", 2, "is the attachment"},
        {"export --archive data/document2export.txt", 2, "is the attachment"},
        {"import --archive a.orvan --record-out a.orvan", 2, "record output 'a.orvan' is the archive 'a.orvan'"},
        {"import --archive a.orvan --record-out ../" + temp_.Path().filename().string() + "/a.orvan", 2, "is the archive"},
        {"import --archive a.orvan --record-out data/temp/document2export.txt", 2, "lies in the attachment folder"},
        {"import --archive a.orvan --record-out data/temp/new.json", 2, "lies in the attachment folder"},
        {"import --archive data/temp/document2export.txt", 2, "archive 'data/temp/document2export.txt' lies in the attachment folder"},
        {"export --record r.json --archive /dev/null", 1, "'/dev/null': is no regular file"},
        {"export --record r.json --archive pipe", 1, "'pipe': is no regular file"},
        {"export --record r.json --archive data", 1, "'data': is a folder"},
        {"import --archive a.orvan --record-out data", 1, "'data': is a folder"},
        {"export --record ''", 2, "--record: must not be empty"},
        {"import --record-out ''", 2, "--record-out: must not be empty"},
        {"export --archive ''", 2, "--archive: must not be empty"},
        {"dump ''", 2, "must not be empty"},
        {"export --record r.json --archive \"$(printf 'x\\351.orvan')\"", 2, "not valid UTF-8"},
        {"export --record /dev/zero", 1, "record '/dev/zero' is no regular file or pipe"},
        {"export --record data", 1, "record 'data' is a folder, not a file"},
        {"export --record huge.json", 3, "record 'huge.json' is larger than 64 MiB"},
        {"export --record none.json", 1, "cannot open 'none.json'"},
        {"export --record range.json --archive a.orvan", 3, "record 'range.json': $.sPatientInfo.lID: out of the range"},
        {"export --record gone.json --archive a.orvan", 3, "values[0].sDocument.bstrFilename: no attachment file"},
        {"export --record cut.json --archive a.orvan", 3, "record 'cut.json': $.sArchive: not well-formed JSON"},
        {"export --archive a.orvan", 1, "cannot load the type database '/nonexistent/magic.mgc'", "MAGIC=/nonexistent/magic.mgc"},
    };
    // Every file and folder with its size and time of writing.
    const auto listing = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(temp_.Path())) {
            names.insert(entry.path().string() + " " + std::to_string(entry.is_regular_file() ? entry.file_size() : 0) +
                         " " + std::to_string(entry.last_write_time().time_since_epoch().count()));
        }
        return names;
    };
    const auto before = listing();
    for (const auto& c : cases) {
        const CliRun run = Orvan(kData + c.arguments, c.environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_TRUE(IsOneMessageLine(run.err)) << c.arguments << ": " << run.err;
        EXPECT_EQ(listing(), before) << c.arguments << ": nothing is written";
    }
}

}  // namespace
