#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include <nlohmann/json.hpp>

#include "TempDir.h"
#include "app/RecordJson.h"
#include "library/DateTime.h"
#include "library/OrvanException.h"
#include "platform/Utf8.h"
#include "record/tests/FilledRecord.h"

namespace orvan::app {
namespace {

using Json = nlohmann::json;
using orvan::testing::TempDir;
namespace common = Dorv::Orvan::Framework::Common;

class RecordJsonTest : public ::testing::Test {
protected:
    RecordJsonTest() {
        std::filesystem::create_directory(temp_.Path() / "files");
        std::ofstream(temp_.Path() / "files" / "a.txt") << "attachment";
    }
    // A root with every field filled, at every depth, its attachments in temp_.
    structOrvanOnePatientComm Filled() const {
        structOrvanOnePatientComm record = record::testing::FilledRoot();
        const std::wstring file = temp_.Wide("files/a.txt");
        for (auto& leaf : record.sPatientInfo.vecDocumentTree[0].mapDocumentLeaf[1]) {
            leaf.sDocument.bstrFilename = file;
        }
        record.vecDocument[0].bstrFilename = file;
        return record;
    }
    TempDir temp_;
};

// Every field comes back bit for bit, each in its documented form.
TEST_F(RecordJsonTest, EveryFieldSurvivesARoundTripInItsDocumentedForm) {
    structOrvanOnePatientComm record = Filled();
    auto& posology = record.sPatientInfo.sKg.vecMedication[0].vecPosology[0];
    posology.dQuantityMorning = std::numeric_limits<double>::infinity();
    posology.dQuantityNoon = -std::numeric_limits<double>::infinity();
    posology.dQuantityEvening = 0.1 + 0.2;  // needs all 17 digits
    posology.dtDateEnd = common::DateTime::Parse("2010-05-02T12:00:00.123")->ToOleDate();
    record.sPatientInfo.lID = std::numeric_limits<std::int32_t>::min();
    record.sPatientInfo.sPatientAddress.lPatientID = std::numeric_limits<std::int32_t>::max();
    record.sPatientInfo.sPatientAddress.dtBirthDate = record::kOleDateUnset;
    record.sArchive.bstrTitle = L"Bericht \u00e4\U0001F600 \"quoted\"\n\t\x01";
    record.sPatientInfo.sKg.mapDiagnosis[-5] = record.sPatientInfo.sKg.mapDiagnosis[1];
    const std::filesystem::path files = temp_.Path() / "files";
    const std::string text = RecordToJson(record, files);
    EXPECT_EQ(RecordFromJson(text, files), record) << text;
    EXPECT_EQ(RecordToJson(RecordFromJson(text, files), files), text);

    posology.dQuantityNight = std::numeric_limits<double>::quiet_NaN();
    const Json json = Json::parse(RecordToJson(record, files));
    EXPECT_TRUE(std::isnan(RecordFromJson(json.dump(), files).sPatientInfo.sKg.vecMedication[0].vecPosology[0].dQuantityNight));
    const std::string quantities = "/sPatientInfo/sKg/vecMedication/0/vecPosology/0/dQuantity";
    const struct {
        std::string pointer;
        Json expected;
    } cases[] = {
        {"/sPatientInfo/sPatientAddress/dtBirthDate", nullptr},  // the date without a value
        {"/sProcessingInfo/dtDate", "2020-06-18T12:00:00.000"},  // 44000.5
        {"/sPatientInfo/vecDocumentTree/0/mapDocumentLeaf/0/values/0/dtDate", "2020-06-18T06:00:00.000"},
        {"/sPatientInfo/sKg/vecMedication/0/vecPosology/0/dtDateEnd", "2010-05-02T12:00:00.123"},
        {"/sPatientInfo/sKg/mapDiagnosis/0/key", -5},
        {"/sPatientInfo/sKg/mapDiagnosis/1/key", 0},
        {"/sPatientInfo/sKg/mapDiagnosis/2/values/0/lParentID", 1},
        {"/sPatientInfo/vecDocumentTree/0/mapDocumentLeaf/0/values/1/sDocument/bstrFilename", "a.txt"},
        {"/vecDocument/0/bstrFilename", "a.txt"},
        {quantities + "Morning", "Infinity"},
        {quantities + "Noon", "-Infinity"},
        {quantities + "Evening", 0.1 + 0.2},
        {quantities + "Night", "NaN"},
        {"/sArchive/bstrLanguage", "fr"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json.at(Json::json_pointer(c.pointer)), c.expected) << c.pointer;
    }
    // Seen from another folder, the path climbs out of it.
    const Json elsewhere = Json::parse(RecordToJson(record, temp_.Path() / "out"));
    EXPECT_EQ(elsewhere.at("/vecDocument/0/bstrFilename"_json_pointer), "../files/a.txt");
}

TEST_F(RecordJsonTest, MissingFieldsKeepTheirResetValuesAndPathsAreTakenFromTheFolder) {
    EXPECT_EQ(RecordFromJson("{}", temp_.Path()), structOrvanOnePatientComm{});
    structOrvanOnePatientComm expected;
    expected.sPatientInfo.lID = 7;
    expected.sProcessingInfo.dtDate = record::kOleDateUnset;
    expected.vecDocument.resize(1);
    expected.vecDocument[0].bstrFilename = temp_.Wide("files/a.txt");
    EXPECT_EQ(RecordFromJson(R"({"sPatientInfo": {"lID": 7}, "sProcessingInfo": {"dtDate": null},
                                 "vecDocument": [{"bstrFilename": "files/./a.txt"}]})",
                             temp_.Path()),
              expected);
    EXPECT_EQ(RecordFromJson(R"({"sProcessingInfo": {"dtDate": "1700-01-01T00:00:00.000"}})", temp_.Path())
                  .sProcessingInfo.dtDate,
              record::kOleDateUnset);
    // As JSON Schema counts them, numbers written with a fraction or an exponent are integers when integral.
    for (const auto& [json, value] : {std::pair{"1.0", 1}, {"1e2", 100}, {"-2.5e1", -25}, {"-2147483648.0", INT32_MIN}}) {
        EXPECT_EQ(RecordFromJson(std::string(R"({"sPatientInfo": {"lID": )") + json + "}}", temp_.Path()).sPatientInfo.lID,
                  value) << json;
    }
}

TEST_F(RecordJsonTest, EveryMisfitIsRefusedWithItsPath) {
    const std::string medication = R"({"sPatientInfo": {"sKg": {"vecMedication": [{"vecPosology": [)";
    const std::string leaf = R"({"sPatientInfo": {"vecDocumentTree": [{"mapDocumentLeaf": [{"key": 1, "values": [)";
    const struct {
        std::string json;
        std::string refusal;
    } cases[] = {
        {"{", "$: not well-formed JSON at byte 1"},
        {"{} {}", "$: not well-formed JSON at byte 4"},
        {"{\"sArchive\": {\"bstrTitle\": \"\xff\"}}", "$.sArchive.bstrTitle: not well-formed JSON"},
        {"{\"sArchive\": {\"bstrTitle\": \"\xc2\x9b\xe2\x80\xae\x7f\" x", "\"bstrTitle\": \"\\x9b\\u202e\\x7f\" x'"},
        // What a parser would take silently, and no record can mean.
        {R"({"sArchive": {"bstrTitle": "Muster", "bstrTitle": "Meier"}})", "$.sArchive.bstrTitle: a member given twice"},
        {R"({"sArchive": {}, "sArchive": {}})", "$.sArchive: a member given twice"},
        {R"({"sPatientInfo": {"sKg": {"mapDiagnosis": [{"key": 0, "key": 5, "values": []}]}}})",
         "$.sPatientInfo.sKg.mapDiagnosis[0].key: a member given twice"},
        {R"({"vecDocument": [[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]})", "$.vecDocument[0][0][0][0][0][0][0][0][0][0][0][0][0][0][0]: nested deeper than 16 levels"},
        {R"({"sPatientInfo": {"lID": 1e400}})", "$.sPatientInfo.lID: a number too large for any field"},
        {R"({"vecAddress": [{}, {"lID": )" + std::string(400, '9') + "}]}", "$.vecAddress[1].lID: a number too large for any field"},
        {"[]", "$: expected an object"},
        {R"({"sBogus": 1})", "$: no such field 'sBogus'"},
        {R"({"sArchive": {"bstrTitle": "", "bstrtitle": ""}})", "$.sArchive: no such field 'bstrtitle'"},
        {"{\"sArchive\": {\"\\u001b[2J\": 1}}", "$.sArchive: no such field '\\x1b[2J'"},
        {"{\"sArchive\": {\"" + std::string(5000, 'x') + "\": 1}}", "no such field '" + std::string(80, 'x') + "...' (5000 bytes)"},
        {R"({"sArchive": {"bstrTitle": 5}})", "$.sArchive.bstrTitle: expected a string"},
        {R"({"sArchive": {"bstrTitle": null}})", "$.sArchive.bstrTitle: expected a string"},
        {R"({"sPatientInfo": {"lID": "1"}})", "$.sPatientInfo.lID: expected an integer"},
        {R"({"sPatientInfo": {"lID": 1.5}})", "$.sPatientInfo.lID: expected an integer"},
        {R"({"sPatientInfo": {"lID": true}})", "$.sPatientInfo.lID: expected an integer"},
        {R"({"sPatientInfo": {"lID": 2147483648}})", "$.sPatientInfo.lID: out of the range"},
        {R"({"sPatientInfo": {"lID": -2147483649}})", "$.sPatientInfo.lID: out of the range"},
        {R"({"sPatientInfo": {"lID": 18446744073709551615}})", "$.sPatientInfo.lID: out of the range"},
        {R"({"sPatientInfo": {"sPatientAddress": []}})", "$.sPatientInfo.sPatientAddress: expected an object"},
        {medication + R"({"dQuantityNoon": "1"}]}]}}})", "$.sPatientInfo.sKg.vecMedication[0].vecPosology[0].dQuantityNoon: expected a number"},
        {medication + R"({}, {"dtDateEnd": "2010-03-15"}]}]}}})", "$.sPatientInfo.sKg.vecMedication[0].vecPosology[1].dtDateEnd: expected null or a date"},
        {medication + R"({"dtDateBegin": 40252}]}]}}})", "$.sPatientInfo.sKg.vecMedication[0].vecPosology[0].dtDateBegin: expected null or a date"},
        {medication + R"({"dtDateBegin": "2010-02-30T00:00:00.000"}]}]}}})", "vecPosology[0].dtDateBegin: expected null or a date"},
        {medication + R"({"dtDateBegin": "0099-12-31T23:59:59.999"}]}]}}})", "vecPosology[0].dtDateBegin: a date before 0100-01-01"},
        {R"({"sPatientInfo": {"sKg": {"vecMedication": {}}}})", "$.sPatientInfo.sKg.vecMedication: expected an array"},
        {R"({"vecAddress": [{}, 1]})", "$.vecAddress[1]: expected an object"},
        {R"({"sPatientInfo": {"sKg": {"mapDiagnosis": {"0": []}}}})", "$.sPatientInfo.sKg.mapDiagnosis: expected an array"},
        {R"({"sPatientInfo": {"sKg": {"mapDiagnosis": [{"key": 0}]}}})", "$.sPatientInfo.sKg.mapDiagnosis[0]: expected an object with exactly"},
        {R"({"sPatientInfo": {"sKg": {"mapDiagnosis": [{"key": 0, "values": [], "x": 1}]}}})", "$.sPatientInfo.sKg.mapDiagnosis[0]: expected an object with exactly"},
        {R"({"sPatientInfo": {"sKg": {"mapDiagnosis": [{"key": 2, "values": []}, {"key": 1, "values": []}]}}})", "$.sPatientInfo.sKg.mapDiagnosis[1].key: keys must ascend"},
        {R"({"sPatientInfo": {"sKg": {"mapDiagnosis": [{"key": 1, "values": []}, {"key": 1, "values": []}]}}})", "$.sPatientInfo.sKg.mapDiagnosis[1].key: keys must ascend"},
        {R"({"sPatientInfo": {"sKg": {"mapDiagnosis": [{"key": 1, "values": [{"lID": 1.25e1}]}]}}})", "$.sPatientInfo.sKg.mapDiagnosis[0].values[0].lID: expected an integer"},
        {R"({"sPatientInfo": {"lID": 3e9}})", "$.sPatientInfo.lID: out of the range"},
        {leaf + R"({"sDocument": {"bstrFilename": "files/missing.txt"}}]}]}]}})", "$.sPatientInfo.vecDocumentTree[0].mapDocumentLeaf[0].values[0].sDocument.bstrFilename: no attachment file"},
        {leaf + R"({"sDocument": {"bstrFilename": "files"}}]}]}]}})", "sDocument.bstrFilename: no attachment file"},
        // However deep its folder, the file's name shows.
        {leaf + R"({"sDocument": {"bstrFilename": ")" + std::string(100, 'd') + R"(/gone.txt"}}]}]}]}})", "gone.txt'"},
        // Two documents with one lID (0 when left out) would share the first one's file.
        {leaf + R"({"sDocument": {"bstrFilename": "files/a.txt"}}, {"sDocument": {"bstrFilename": ""}}]}]}]}})",
         "$.sPatientInfo.vecDocumentTree[0].mapDocumentLeaf[0].values[1].sDocument: another document with the lID 0 of "
         "$.sPatientInfo.vecDocumentTree[0].mapDocumentLeaf[0].values[0].sDocument"},
        {Json{{"vecAddress", Json(100001, Json::object())}}.dump(),
         "$.vecAddress: the record would take more than 20 MiB of memory"},
    };
    for (const auto& c : cases) {
        std::string refusal;
        try {
            RecordFromJson(c.json, temp_.Path());
        } catch (const common::OrvanFormatException& error) {
            refusal = platform::ToUtf8(error.Message());
        }
        EXPECT_NE(refusal.find(c.refusal), std::string::npos) << c.json << "\n  refused with: " << refusal;
        EXPECT_EQ(refusal.find_first_of("\n\r\x1b"), std::string::npos) << refusal;
    }
}

}  // namespace
}  // namespace orvan::app
