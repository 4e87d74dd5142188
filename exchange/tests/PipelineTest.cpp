#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HandlerTestAccess.h"
#include "RawZip.h"
#include "TempDir.h"
#include "library/OrvanException.h"
#include "record/tests/FilledRecord.h"
#include "library/format/ArchiveHeader.h"
#include "library/io/FaultInjection.h"
#include "platform/Utf8.h"

// The import maps each clinical history while the rest of the document loads,
// and the export's read-back reads the structure document beside the save:
// neither may report success for what failed after the work began.
namespace {

using namespace orvan::library::testing;
using Dorv::Orvan::Framework::Common::FaultInjection;
using Dorv::Orvan::Framework::Common::FileOperation;
using Dorv::Orvan::Framework::Common::OrvanException;
using orvan::platform::FromPath;

// Threads of this process, where the system shows them.
std::size_t ThreadCount() {
    std::error_code none;
    const std::filesystem::directory_iterator tasks("/proc/self/task", none);
    return none ? 0 : static_cast<std::size_t>(std::distance(tasks, std::filesystem::directory_iterator()));
}

std::string Structure(const std::string& patients, const std::string& end = "</OrvanStructure>\n") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<OrvanStructure xmlns=\"urn:orvan:structure:1\" formatVersion=\"1\" id=\"1\">\n"
           "<GlobalDefinitions id=\"2\"><CodingEntry id=\"3\"><Code>A00</Code><Name>Cholera</Name></CodingEntry>"
           "</GlobalDefinitions>\n" +
           patients + end;
}

// A patient whose clinical history holds one diagnosis (id `first`), which
// refers to the object `refers` when not 0, and one medication (id `first` +
// 1000) with one posology.
std::string Patient(int first, int refers = 0) {
    const std::string id = std::to_string(first);
    return "<PatientInfo id=\"" + std::to_string(first - 2) + "\"><Kg id=\"" + std::to_string(first - 1) +
           "\"><Diagnosis id=\"" + id + "\"><CodingEntryPtr ref=\"3\"/><Name>d" + id + "</Name>" +
           (refers ? "<DiagnosisPtr ref=\"" + std::to_string(refers) + "\"/>" : "") + "</Diagnosis><Medication id=\"" +
           std::to_string(first + 1000) + "\"><CodingEntryPtr ref=\"3\"/><Name>m" + id + "</Name><Posology id=\"" +
           std::to_string(first + 2000) + "\"><DateBegin>2010-03-15T00:00:00.000</DateBegin><Remark>r" + id +
           "</Remark></Posology></Medication></Kg></PatientInfo>\n";
}

class PipelineTest : public ::testing::Test {
protected:
    std::filesystem::path Archive(const std::string& structure) {
        RawZip zip;
        zip.entries = {{"header.xml", Dorv::Orvan::Framework::Common::WriteArchiveHeader({L"2.25.9", L"t", L"T", L"de"})},
                       {"structure.xml", structure}};
        const auto path = temp_.Path() / "in.orvan";
        std::ofstream(path, std::ios::binary) << Build(zip);
        return path;
    }
    int Import(const std::filesystem::path& archive) {
        COrvanHandler handler;
        return handler.DoOrvanImport(FromPath(archive), L"", &record_);
    }

    orvan::testing::TempDir temp_;
    orvan::testing::PlatformCapture capture_;
    structOrvanOnePatientComm record_;
};

TEST_F(PipelineTest, ClinicalHistoriesMappedWhileLoadingComeBackInTheirOrder) {
    ASSERT_EQ(Import(Archive(Structure(Patient(6) + Patient(9)))), 1);
    std::vector<std::wstring> names;
    for (const auto& [parent, list] : record_.sPatientInfo.sKg.mapDiagnosis) {
        for (const structOrvanDiagnosis& d : list) {
            names.push_back(d.bstrName);
        }
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"d6", L"d9"}));
    names.clear();
    for (const structOrvanMedication& m : record_.sPatientInfo.sKg.vecMedication) {
        names.push_back(m.bstrName + L"/" + m.vecPosology.at(0).bstrRemark);
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"m6/r6", L"m9/r9"}));
}

// What fails after a clinical history was mapped fails the whole import.
TEST_F(PipelineTest, AFailureAfterAnEarlyMappedClinicalHistoryFailsTheImport) {
    // The first thread a process starts may bring a runtime's own helper (a
    // sanitizer's) with it: count after one import.
    ASSERT_EQ(Import(Archive(Structure(Patient(6)))), 1);
    const std::size_t threads = ThreadCount();
    const struct {
        const char* name;
        std::string structure;
        const char* problem;
    } cases[] = {
        {"malformed end", Structure(Patient(6), "</OrvanStructur>\n"), "malformed XML"},
        {"unknown element at the end", Structure(Patient(6), "<Unknown/></OrvanStructure>\n"), "unknown"},
        {"a reference into a clinical history taken before", Structure(Patient(6) + Patient(9, 6)),
         "part of a Kg taken before"},
        {"a reference into a medication taken before", Structure(Patient(6) + Patient(9, 2006)),
         "part of a Medication taken before"},
    };
    for (const auto& c : cases) {
        record_ = {};
        try {
            Import(Archive(c.structure));
            ADD_FAILURE() << c.name << ": imported";
        } catch (const OrvanException& error) {
            EXPECT_NE(orvan::platform::ToUtf8(error.Message()).find(c.problem), std::string::npos)
                << c.name << ": " << orvan::platform::ToUtf8(error.Message());
        }
        // The clinical history was mapped before the failure came: the import, not the mapping, failed.
        EXPECT_FALSE(record_.sPatientInfo.sKg.mapDiagnosis.empty()) << c.name;
    }
    EXPECT_EQ(ThreadCount(), threads) << "no thread is left";
}

// A write that fails while attachments are extracted beside the loading ends
// the import, leaves no file in the folder and no thread behind.
TEST_F(PipelineTest, AFailingWriteDuringAnImportLeavesNothing) {
    const auto source = temp_.Path() / "document2export.txt";
    std::ofstream(source) << std::string(3 << 20, 'x');
    structOrvanOnePatientComm record = orvan::record::testing::FilledRoot();
    auto& leaves = record.sPatientInfo.vecDocumentTree.at(0).mapDocumentLeaf[1];
    for (structOrvanDocumentLeaf& leaf : leaves) {
        leaf.sDocument.bstrFilename = FromPath(source);
    }
    COrvanHandler exporter;
    ASSERT_EQ(exporter.DoOrvanExport(FromPath(temp_.Path() / "a.orvan"), &record), 1);
    const auto folder = temp_.Path() / "out";
    std::filesystem::create_directory(folder);
    const std::size_t threads = ThreadCount();
    const auto fault = FaultInjection::FailFile(FileOperation::Write, 2);
    COrvanHandler importer;
    EXPECT_THROW(importer.DoOrvanImport(FromPath(temp_.Path() / "a.orvan"), FromPath(folder), &record_),
                 OrvanException);
    EXPECT_TRUE(fault.Fired());
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(ThreadCount(), threads);
}

}  // namespace
