#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "TempDir.h"
#include "app/RecordJson.h"
#include "platform/ProgramFacts.h"
#include "platform/Utf8.h"
#include "record/tests/FilledRecord.h"

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

constexpr int kUsageError = 2;

// A usage error, as every message, is one line of its own.
bool IsOneMessageLine(const std::string& err) {
    return err.starts_with("orvan: ") && err.find('\n') == err.size() - 1;
}

class CliTest : public ::testing::Test {
protected:
    CliRun Orvan(const std::string& arguments) const { return Shell(std::string(ORVAN_CLI) + " " + arguments); }
    // Runs `command` in the shell, in `folder` when given.
    CliRun Shell(const std::string& command, const std::filesystem::path& folder = {}) const {
        const auto out = temp_.Path() / "out.txt";
        const auto err = temp_.Path() / "err.txt";
        const std::string line = (folder.empty() ? "" : "cd '" + folder.string() + "' && ") + command + " >'" +
                                 out.string() + "' 2>'" + err.string() + "' </dev/null";
        const int status = std::system(line.c_str());
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
        {"--version", 0, ORVAN_CLI_NAME " " ORVAN_VERSION, ""},
        {"", 2, "", "A subcommand is required"},
        {"frobnicate", 2, "", "orvan: unknown command 'frobnicate'; the commands are: export, import, dump, check, demo-record (see orvan --help)\n"},
        {Data() + "frobnicate", 2, "", "unknown command 'frobnicate'"},
        {"\"$(printf 'bad\\033[2J')\"", 2, "", "unknown command 'bad\\x1b[2J'"},
        {"export --frobnicate", 2, "", "--frobnicate"},
        {"-q -v export", 2, "", "excludes"},
        {Data() + "import", 1, "", "does not exist: export first"},
        {Data() + "export", 0, "file 'exportORVAN.orvan' successfully exported!\n", ""},
        {Data() + "-q export", 0, "", ""},
        {"export -q " + Data(), 0, "", ""},
        {"export " + Data() + "--archive '" + (temp_.Path() / "data" / "other.orvan").string() + "'", 0,
         "file 'other.orvan' successfully exported!\n", ""},
        {"import --archive '" + (temp_.Path() / "data" / "other.orvan").string() + "' " + Data(), 0,
         "file 'other.orvan' successfully imported!\n", ""},
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
        if (c.exitCode == kUsageError) {
            EXPECT_TRUE(IsOneMessageLine(run.err)) << c.arguments << ": " << run.err;
        }
    }
}

// Without its type database an export would give every attachment the wrong
// type: it stops, naming the database, before anything is written.
TEST_F(CliTest, AMissingTypeDatabaseStopsTheExport) {
    std::filesystem::create_directory(temp_.Path() / "data");
    const CliRun run = Shell("MAGIC=/nonexistent/magic.mgc " + std::string(ORVAN_CLI) + " " + Data() + "export", temp_.Path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot load the type database '/nonexistent/magic.mgc'"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(temp_.Path() / "data" / "exportORVAN.orvan"));
}

TEST_F(CliTest, JsonDumpIsStableAndCheckFindsADamagedAttachment) {
    std::filesystem::create_directory(temp_.Path() / "data");
    ASSERT_EQ(Orvan(Data() + "export").exitCode, 0);
    const CliRun first = Orvan("dump --json " + Archive());
    const CliRun second = Orvan("dump --json " + Archive());
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_EQ(first.out, second.out);
    EXPECT_EQ(first.out.rfind("{\n  \"schemaVersion\": 1,\n  \"archive\": {", 0), 0u) << first.out;

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

// The paths (list indices as "[]") at which two JSON values differ.
void Differences(const nlohmann::json& a, const nlohmann::json& b, const std::string& path, std::set<std::string>& out) {
    if (a.is_object() && b.is_object()) {
        for (const auto& [key, value] : a.items()) {
            Differences(value, b.contains(key) ? b[key] : nlohmann::json(), path + "." + key, out);
        }
        for (const auto& [key, value] : b.items()) {
            if (!a.contains(key)) {
                out.insert(path + "." + key);
            }
        }
    } else if (a.is_array() && b.is_array() && a.size() == b.size()) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            Differences(a[i], b[i], path + "[]", out);
        }
    } else if (a != b) {
        out.insert(path);
    }
}

// What the exchange does not carry, as docs/record-json.md lists it.
const std::set<std::string> kNotCarried = {
    "$.sArchive.bstrTemplateOrvanId",
    "$.sPatientInfo.sPatientAddress.lAddressRefID",
    "$.sPatientInfo.sKg.vecMedication[].lReserved",
    "$.sPatientInfo.sKg.vecMedication[].vecPosology[].lReserved",
    "$.sPatientInfo.vecDocumentTree[].lID",
    "$.sPatientInfo.vecDocumentTree[].mapDocumentLeaf[].key",
    "$.sPatientInfo.vecDocumentTree[].mapDocumentLeaf[].values[].lDocumentRefID",
    "$.sPatientInfo.vecDocumentTree[].mapDocumentLeaf[].values[].sDocument.bstrFilename",
    "$.sPatientInfo.vecDocumentTree[].mapDocumentLeaf[].values[].sDocument.bstrMimeType",
    "$.sPatientInfo.vecDocumentTree[].mapDocumentLeaf[].values[].sDocument.lSize",
    "$.vecDocument",
    "$.vecAddress",
};
// A company's person fields, at every address.
const std::regex kCompanyOnlyPersonFields(
    R"(.*(Address|sProducerAddress)\.(bstrTitle|bstrSalutation|bstrMaidenname|nSex|bstrSpecialty1|bstrSpecialty2))");

TEST_F(CliTest, ARecordExportedFromJsonImportsBackAsTheSameJson) {
    const std::filesystem::path data = temp_.Path() / "data";
    std::filesystem::create_directories(data / "in");
    std::ofstream(data / "in" / "Befund.txt") << "attachment of a rich record";
    structOrvanOnePatientComm rich = orvan::record::testing::FilledRoot();
    rich.sProcessingInfo.sAuthorAddress.nAddressType = eAddressTypePerson;  // every field of a person travels
    rich.sPatientInfo.sPatientAddress.sAddress.nAddressType = eAddressTypePerson;
    rich.sPatientInfo.sKg.vecMedication[0].vecPosology[1].dtDateEnd = orvan::record::kOleDateUnset;
    for (auto& leaf : rich.sPatientInfo.vecDocumentTree[0].mapDocumentLeaf[1]) {
        leaf.sDocument.bstrFilename = orvan::platform::FromPath(data / "in" / "Befund.txt");
    }
    rich.vecDocument.clear();
    std::ofstream(data / "in" / "rich.json") << orvan::app::RecordToJson(rich, data / "in");
    const CliRun demo = Shell(std::string(ORVAN_CLI) + " " + Data() + "demo-record", data);
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    std::ofstream(data / "demo.json") << demo.out;

    for (const std::filesystem::path& json : {data / "in" / "rich.json", data / "demo.json"}) {
        const std::string archive = "--archive '" + (data / "again.orvan").string() + "' ";
        const CliRun exported = Orvan(Data() + "export " + archive + "--record '" + json.string() + "'");
        ASSERT_EQ(exported.exitCode, 0) << exported.err;
        EXPECT_EQ(exported.out, "file 'again.orvan' successfully exported!\n");
        const CliRun imported = Orvan(Data() + "import " + archive + "--record-out '" + (data / "back.json").string() + "'");
        ASSERT_EQ(imported.exitCode, 0) << imported.err;

        const nlohmann::json before = nlohmann::json::parse(Read(json));
        const nlohmann::json after = nlohmann::json::parse(Read(data / "back.json"));
        std::set<std::string> differences;
        Differences(before, after, "$", differences);
        for (const std::string& path : differences) {
            EXPECT_TRUE(kNotCarried.contains(path) || std::regex_match(path, kCompanyOnlyPersonFields))
                << json << ": " << path << " is carried, but came back as\n" << after.dump(2);
        }
        const auto document = after["sPatientInfo"]["vecDocumentTree"][0]["mapDocumentLeaf"][0]["values"][0]["sDocument"];
        EXPECT_EQ(Read(data / document["bstrFilename"].get<std::string>()),
                  Read(json.parent_path() / before["sPatientInfo"]["vecDocumentTree"][0]["mapDocumentLeaf"][0]["values"][0]["sDocument"]["bstrFilename"].get<std::string>()));
    }
}

TEST_F(CliTest, ARecordThatDoesNotFitIsRefusedBeforeAnythingIsWritten) {
    const std::filesystem::path data = temp_.Path() / "data";
    std::filesystem::create_directory(data);
    ASSERT_EQ(Orvan(Data() + "export").exitCode, 0);
    const std::string archive = Read(data / "exportORVAN.orvan");
    const struct {
        const char* json;
        const char* message;
    } cases[] = {
        {R"({"sPatientInfo": {"lID": 2147483648}})", "bad.json': $.sPatientInfo.lID: out of the range"},
        {R"({"sPatientInfo": {"vecDocumentTree": [{"mapDocumentLeaf": [{"key": 1, "values": [{"sDocument": {"bstrFilename": "gone.txt"}}]}]}]}})",
         "values[0].sDocument.bstrFilename: no attachment file"},
        {"{\"sArchive\": ", "bad.json': $.sArchive: not well-formed JSON"},
    };
    for (const auto& c : cases) {
        std::ofstream(data / "bad.json") << c.json;
        const CliRun run = Orvan("export " + Data() + "--record '" + (data / "bad.json").string() + "'");
        EXPECT_EQ(run.exitCode, 3) << c.json;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(Read(data / "exportORVAN.orvan"), archive) << "the archive stays as it was";
    }
    EXPECT_EQ(Orvan("import " + Data() + "--record-out '" + (data / "no" / "such" / "back.json").string() + "'").exitCode, 1);
}

// Command lines people type: an output naming an input, however spelled, a
// device, a pipe, an empty variable, a name that is not UTF-8. Each is
// refused before anything is written, naming what is wrong.
TEST_F(CliTest, OutputsThatAreInputsOrNoFilesAreRefusedBeforeAnythingIsWritten) {
    const std::filesystem::path data = temp_.Path() / "data";
    // Run there: attachment paths are written relative to the current folder.
    std::ofstream(temp_.Path() / "r.json") << Shell(std::string(ORVAN_CLI) + " " + Data() + "demo-record", temp_.Path()).out;
    ASSERT_EQ(Shell(std::string(ORVAN_CLI) + " " + Data() + "export --record r.json --archive a.orvan", temp_.Path()).exitCode, 0);
    ASSERT_EQ(Shell(std::string(ORVAN_CLI) + " " + Data() + "import --archive a.orvan", temp_.Path()).exitCode, 0);
    std::filesystem::create_symlink("r.json", temp_.Path() / "link.json");
    ASSERT_EQ(::mkfifo((temp_.Path() / "pipe").c_str(), 0600), 0);
    std::ofstream(temp_.Path() / "huge.json") << "{";
    std::filesystem::resize_file(temp_.Path() / "huge.json", (64u << 20) + 1);  // sparse: costs no disk
    const struct {
        std::string arguments;
        int exitCode;
        const char* message;
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
    };
    const auto listing = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(temp_.Path())) {
            if (entry.path().filename() != "out.txt" && entry.path().filename() != "err.txt") {
                names.insert(entry.path().string() + " " + std::to_string(entry.is_regular_file() ? entry.file_size() : 0));
            }
        }
        return names;
    };
    const auto before = listing();
    const std::string record = Read(temp_.Path() / "r.json");
    for (const auto& c : cases) {
        const CliRun run = Shell(std::string(ORVAN_CLI) + " " + Data() + c.arguments, temp_.Path());
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_TRUE(IsOneMessageLine(run.err)) << c.arguments << ": " << run.err;
        EXPECT_EQ(listing(), before) << c.arguments << ": nothing is written";
    }
    EXPECT_EQ(Read(temp_.Path() / "r.json"), record);
    EXPECT_TRUE(std::filesystem::is_symlink(temp_.Path() / "link.json"));

    // A record output may be a stream; a link to a file has its target replaced.
    const CliRun toStdout = Shell(std::string(ORVAN_CLI) + " -q " + Data() + "import --archive a.orvan --record-out /dev/stdout", temp_.Path());
    EXPECT_EQ(toStdout.exitCode, 0) << toStdout.err;
    EXPECT_EQ(nlohmann::json::parse(toStdout.out)["sArchive"]["bstrOrvanId"], nlohmann::json::parse(record)["sArchive"]["bstrOrvanId"]);
    std::ofstream(temp_.Path() / "old.json") << "old";
    std::filesystem::create_symlink("old.json", temp_.Path() / "back.json");
    EXPECT_EQ(Shell(std::string(ORVAN_CLI) + " -q " + Data() + "import --archive a.orvan --record-out back.json", temp_.Path()).exitCode, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(temp_.Path() / "back.json"));
    EXPECT_EQ(nlohmann::json::parse(Read(temp_.Path() / "old.json"))["sArchive"]["bstrOrvanId"], nlohmann::json::parse(record)["sArchive"]["bstrOrvanId"]);
}

// A data directory named for the first time is made, owner-only, by every
// command that writes into it; the demonstration record keeps its attachment.
TEST_F(CliTest, ANewDataDirectoryIsCreatedForTheOwnerOnly) {
    const std::filesystem::path data = temp_.Path() / "new" / "data";
    const std::string option = "--data-dir '" + data.string() + "' ";
    const CliRun demo = Orvan(option + "demo-record");
    EXPECT_EQ(demo.exitCode, 0) << demo.err;
    EXPECT_EQ(nlohmann::json::parse(demo.out)["sPatientInfo"]["vecDocumentTree"].size(), 1u);
    EXPECT_EQ(std::filesystem::status(data).permissions() & std::filesystem::perms::all, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(temp_.Path() / "new");
    EXPECT_EQ(Orvan(option + "export").exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(data / "exportORVAN.orvan"));
}

// Texts from a record reach the terminal only escaped, the trace included.
TEST_F(CliTest, TextsFromOutsideReachTheTerminalOnlyEscaped) {
    const std::filesystem::path data = temp_.Path() / "data";
    // Run there: attachment paths are written relative to the current folder.
    std::ofstream(temp_.Path() / "r.json") << Shell(std::string(ORVAN_CLI) + " " + Data() + "demo-record", temp_.Path()).out;
    nlohmann::json json = nlohmann::json::parse(Read(temp_.Path() / "r.json"));
    json["sProcessingInfo"]["sAuthorAddress"]["bstrFamilyname"] = "Muster\x1b[2J\u009b\u202e\u007f";
    std::ofstream(temp_.Path() / "r.json") << json.dump();
    const std::string archive = "\"$(printf 'x\\033[2Ja.orvan')\"";
    const CliRun exported = Shell(std::string(ORVAN_CLI) + " -v " + Data() + "export --record r.json --archive " + archive, temp_.Path());
    const CliRun imported = Shell(std::string(ORVAN_CLI) + " -v " + Data() + "import --archive " + archive, temp_.Path());
    for (const CliRun& run : {exported, imported}) {
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ((run.out + run.err).find_first_of("\x1b\x7f"), std::string::npos) << run.out << run.err;
        EXPECT_EQ((run.out + run.err).find("\xc2\x9b"), std::string::npos);
        EXPECT_EQ((run.out + run.err).find("\xe2\x80\xae"), std::string::npos);
    }
    EXPECT_NE(imported.out.find("file 'x\\x1b[2Ja.orvan' successfully imported!"), std::string::npos) << imported.out;
    EXPECT_NE(imported.err.find("Muster\\x1b[2J\\x9b\\u202e\\x7f"), std::string::npos) << imported.err;
}

}  // namespace
