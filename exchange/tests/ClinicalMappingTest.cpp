#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "HandlerTestAccess.h"
#include "library/ObjectStore.h"
#include "library/io/FaultInjection.h"
#include "library/OrvanException.h"

namespace {

using Dorv::Orvan::Framework::Common::DateTime;
using Dorv::Orvan::Framework::Common::FaultInjection;

structOrvanDiagnosis Diagnosis(std::int32_t id, std::int32_t parent, const wchar_t* code = L"A00",
                               const wchar_t* name = L"Cholera") {
    structOrvanDiagnosis d = orvan::record::testing::DemoDiagnosis();
    d.bstrCodingEntryCode = code;
    d.bstrCodingEntryName = name;
    d.lID = id;
    d.lParentID = parent;
    return d;
}

// A map whose records sit under the keys their parent IDs give.
structOrvanKg Tree(std::initializer_list<std::pair<std::int32_t, std::int32_t>> idAndParent) {
    structOrvanKg kg;
    for (const auto& [id, parent] : idAndParent) {
        kg.mapDiagnosis[parent].push_back(Diagnosis(id, parent));
    }
    return kg;
}

std::vector<std::int64_t> Ids(const model::DiagnosisCollection& diagnoses) {
    std::vector<std::int64_t> ids;
    for (const model::Diagnosis* d : diagnoses) {
        ids.push_back(d ? d->ID : -999);
    }
    return ids;
}

TEST(DiagnosisMappingTest, ValuesAndTheirMissingMarkers) {
    HandlerHarness h;
    structOrvanDiagnosis reset;  // coding type 5, date 1700-01-01, no flag
    h.record.sPatientInfo.sKg.mapDiagnosis[0] = {reset, Diagnosis(2, 0)};
    model::Kg* kg = h.ExportKg();
    const model::Diagnosis& first = *kg->Diagnosis[0];
    EXPECT_EQ(static_cast<int>(first.CodingType), 5);
    EXPECT_EQ(first.Date, DateTime::FromFields({1700, 1, 1, 0, 0, 0, 0}));
    EXPECT_FALSE(first.IsActive.has_value());
    EXPECT_EQ(first.CodingEntryPtr->Code, L"");

    kg->Diagnosis[1]->Date.reset();
    kg->Diagnosis[1]->ID = (std::int64_t{3} << 32) + 2;
    const auto back = h.ImportKg(kg).mapDiagnosis.at(0);
    EXPECT_EQ(back[0], reset);
    EXPECT_EQ(back[1].dtDate, -73046.0) << "no date imports as the reset date";
    EXPECT_EQ(back[1].lID, 2) << "the low 32 bits of the ID";
}

TEST(DiagnosisMappingTest, CodingEntriesAreSharedOnlyByEqualCodeAndName) {
    HandlerHarness h;
    h.record.sPatientInfo.sKg.mapDiagnosis[0] = {Diagnosis(1, 0, L"A_B", L"C"), Diagnosis(2, 0, L"A", L"B_C"),
                                                 Diagnosis(3, 0, L"A_B", L"C"), Diagnosis(4, 0, L"", L""),
                                                 Diagnosis(5, 0, L"", L"")};
    structOrvanMedication medication;
    medication.bstrCodingEntryCode = L"A";
    medication.bstrCodingEntryName = L"B_C";
    h.record.sPatientInfo.sKg.vecMedication = {medication};

    model::Kg* kg = h.ExportKg();
    EXPECT_EQ(h.structure.GlobalDefinitions.Count(), 3u) << "one definition per distinct pair";
    const auto& d = kg->Diagnosis;
    EXPECT_NE(d[0]->CodingEntryPtr, d[1]->CodingEntryPtr) << "same key, different pairs";
    EXPECT_EQ(d[0]->CodingEntryPtr, d[2]->CodingEntryPtr);
    EXPECT_EQ(d[3]->CodingEntryPtr, d[4]->CodingEntryPtr);
    EXPECT_EQ(d[1]->CodingEntryPtr->Code, L"A");
    EXPECT_EQ(d[1]->CodingEntryPtr->Name, L"B_C");
    EXPECT_EQ(kg->Medication[0]->CodingEntryPtr, d[1]->CodingEntryPtr) << "medications share the diagnoses' entries";
}

// A tree exports depth first and imports to the same map; keys not reached
// from 0, and IDs that would walk a key again, are left out.
TEST(DiagnosisMappingTest, TreesExportDepthFirstAndKeysNotReachedOrCyclingAreNotWalked) {
    const struct {
        const char* name;
        structOrvanKg kg;
        std::vector<std::int64_t> order;
        std::size_t assertions;
        bool comesBack;
    } cases[] = {
        {"chain", Tree({{1, 0}, {2, 1}, {3, 2}}), {1, 2, 3}, 0, true},
        {"wide and deep", Tree({{1, 0}, {2, 1}, {3, 1}, {4, 3}, {5, 3}, {6, 0}, {7, 6}}), {1, 2, 3, 4, 5, 6, 7}, 0, true},
        {"negative and large IDs", Tree({{-5, 0}, {2147483647, -5}, {-2147483647, 2147483647}}),
         {-5, 2147483647, -2147483647}, 0, true},
        {"empty", {}, {}, 0, true},
        {"only keys other than 0", Tree({{2, 1}, {3, 2}}), {}, 0, false},
        {"ID equal to its own key", Tree({{1, 0}, {1, 1}, {2, 1}}), {1, 1, 2}, 0, false},
        {"repeated IDs forming a cycle", Tree({{1, 0}, {2, 1}, {1, 2}}), {1, 2, 1}, 1, false},
        {"ID 0 below the top level", Tree({{1, 0}, {0, 1}}), {1, 0}, 1, false},
        {"a finished key referred to again", Tree({{1, 0}, {1, 0}, {2, 1}, {2, 1}}), {1, 2, 2, 1}, 1, false},
    };
    for (const auto& c : cases) {
        HandlerHarness h;
        h.record.sPatientInfo.sKg = c.kg;
        model::Kg* kg = h.ExportKg();
        EXPECT_EQ(Ids(kg->Diagnosis), c.order) << c.name;
        EXPECT_EQ(h.capture.AssertionCount(), c.assertions) << c.name;
        EXPECT_EQ(h.structure.GlobalDefinitions.Count(), c.order.empty() ? 0u : 1u) << c.name;
        if (c.comesBack) {
            EXPECT_EQ(h.ImportKg(kg).mapDiagnosis, c.kg.mapDiagnosis) << c.name;
        }
    }
}

TEST(DiagnosisMappingTest, AChainOfAMillionLevelsExportsWithoutExhaustingTheStack) {
    HandlerHarness h;
    constexpr std::int32_t kLevels = 1'000'000;
    for (std::int32_t id = 1; id <= kLevels; ++id) {
        h.record.sPatientInfo.sKg.mapDiagnosis[id - 1].push_back(Diagnosis(id, id - 1));
    }
    model::Kg* kg = h.ExportKg();
    ASSERT_EQ(kg->Diagnosis.Count(), static_cast<std::size_t>(kLevels));
    EXPECT_EQ(kg->Diagnosis[kLevels - 2]->DiagnosisPtr[0], kg->Diagnosis[kLevels - 1]);
}

TEST(DiagnosisMappingTest, ImportOfSingleReferencesAsTheyWereDefined) {
    using Placed = std::map<std::int32_t, std::vector<std::int32_t>>;  // IDs by the key they are filed under
    const struct {
        const char* name;
        std::vector<std::pair<std::int64_t, bool>> diagnoses;  // ID, whether it has a coding entry
        std::vector<std::pair<std::size_t, std::size_t>> references;  // from the i-th diagnosis to the j-th
        Placed placed;
        std::size_t assertions;
    } cases[] = {
        {"a child listed before the parent that refers to it stays at the top, the parent goes under it",
         {{2, true}, {1, true}}, {{1, 0}}, {{0, {2}}, {2, {1}}}, 0},
        {"a diagnosis referring to itself is filed under its own ID", {{3, true}}, {{0, 0}}, {{3, {3}}}, 0},
        {"itself among several references: it keeps its own place, the others go under it",
         {{6, true}, {7, true}}, {{0, 0}, {0, 1}}, {{0, {6}}, {6, {7}}}, 1},
        {"a diagnosis without coding entry is left out, with its reference",
         {{5, true}, {4, false}}, {{1, 0}}, {{0, {5}}}, 1},
    };
    for (const auto& c : cases) {
        HandlerHarness h;
        model::Kg* kg = h.NewKg();
        for (const auto& [id, coded] : c.diagnoses) {
            model::Diagnosis* d = kg->NewDiagnosis();
            d->ID = id;
            d->CodingEntryPtr = coded ? kg->Owner().Create<model::CodingEntry>("test") : nullptr;
        }
        for (const auto& [from, to] : c.references) {
            kg->Diagnosis[from]->DiagnosisPtr.Add(kg->Diagnosis[to]);
        }
        Placed placed;
        for (const auto& [key, list] : h.ImportKg(kg).mapDiagnosis) {
            for (const auto& d : list) {
                placed[key].push_back(d.lID);
                EXPECT_EQ(d.lParentID, key) << c.name;
            }
        }
        EXPECT_EQ(placed, c.placed) << c.name;
        EXPECT_EQ(h.capture.AssertionCount(), c.assertions) << c.name;
    }
}

TEST(DiagnosisMappingTest, FailingFactoriesStopTheirListAndTheWalkGoesOn) {
    HandlerHarness h;
    h.record.sPatientInfo.sKg = Tree({{1, 0}, {2, 1}, {3, 1}, {4, 0}});
    h.record.sPatientInfo.sKg.mapDiagnosis[1][1].bstrCodingEntryName = L"other";
    {
        const auto fault = FaultInjection::FailFactory("Kg.NewDiagnosis", 2);
        model::Kg* kg = h.ExportKg();
        EXPECT_EQ(Ids(kg->Diagnosis), (std::vector<std::int64_t>{1, 4})) << "the list under 1 stops; key 0 goes on";
    }
    HandlerHarness g;
    g.record.sPatientInfo.sKg = h.record.sPatientInfo.sKg;
    const auto fault = FaultInjection::FailFactory("GlobalDefinitions.NewCodingEntry", 2);
    model::Kg* kg = g.ExportKg();
    ASSERT_EQ(kg->Diagnosis.Count(), 4u);
    EXPECT_EQ(kg->Diagnosis[2]->CodingEntryPtr, nullptr) << "made, but left without values";
    EXPECT_EQ(kg->Diagnosis[0]->DiagnosisPtr.Count(), 1u) << "and not added to its parent";
    EXPECT_EQ(g.capture.AssertionCount(), 1u);
}

// The demonstration medication with an end date and quantities, -0.0 among them.
structOrvanMedication Medication() {
    structOrvanMedication m = orvan::record::testing::DemoMedication();
    structOrvanPosology& p = m.vecPosology[0];
    p.dtDateEnd = 40300.75;
    p.dQuantityMorning = 1.5;
    p.dQuantityNight = -0.0;
    return m;
}

// What the library gets; how a medication comes back the round trip tests show.
TEST(MedicationMappingTest, TheLibraryGetsWhatTheMedicationHolds) {
    HandlerHarness h;
    structOrvanMedication noEnd = Medication();
    noEnd.nIsChronic = 0;
    noEnd.vecPosology[0].dtDateEnd = -73046.0;
    // A date has a value from the first moment after 1700-01-01 00:00 on.
    structOrvanMedication resetPosology = Medication();
    resetPosology.vecPosology = {structOrvanPosology{}, structOrvanPosology{}, structOrvanPosology{}};
    resetPosology.vecPosology[1].dtDateBegin = -73046.0 + 1.0 / 86400.0;
    resetPosology.vecPosology[2].dtDateBegin = -73046.0 - 1.0;
    h.record.sPatientInfo.sKg.vecMedication = {Medication(), noEnd, resetPosology};
    model::Kg* kg = h.ExportKg();
    EXPECT_EQ(kg->Medication[0]->Posology[0]->QuantityNoon, 0.0) << "a quantity is always sent";
    EXPECT_EQ(kg->Medication[0]->Posology[0]->DateEnd, DateTime::FromOleDate(40300.75));
    EXPECT_FALSE(kg->Medication[0]->IsChronic.has_value()) << "the demonstration medication's chronic flag has no value";
    EXPECT_FALSE(kg->Medication[1]->Posology[0]->DateEnd.has_value());
    EXPECT_EQ(kg->Medication[1]->IsChronic, false);
    EXPECT_EQ(kg->Medication[2]->Posology.Count(), 1u) << "only the posology beginning after 1700-01-01 is kept";
    EXPECT_EQ(h.capture.AssertionCount(), 2u) << "one for each posology left out";
    EXPECT_EQ(h.structure.GlobalDefinitions.Count(), 1u);
}

TEST(MedicationMappingTest, MissingValuesOfTheLibraryImportAsResetValues) {
    HandlerHarness h;
    model::Kg* kg = h.NewKg();
    model::Medication* bare = kg->NewMedication();
    model::Posology* posology = bare->NewPosology();
    posology->QuantityMorning = 2.0;
    posology->Remark = L"1-0-1";
    // A begin date never set is 0001-01-01, which has no OLE date.
    EXPECT_THROW(h.ImportKg(kg), Dorv::Orvan::Framework::Common::OrvanConversionException);
    posology->DateBegin = DateTime::FromOleDate(40252.0);
    const structOrvanMedication m = h.ImportKg(kg).vecMedication.at(0);
    EXPECT_EQ(m.dtDate, -73046.0);
    EXPECT_EQ(m.nIsActive, -1);
    EXPECT_EQ(m.bstrCodingEntryCode, L"");
    EXPECT_EQ(m.vecPosology.at(0).dQuantityNoon, 0.0);
    EXPECT_EQ(m.vecPosology.at(0).dQuantityMorning, 2.0);
    EXPECT_EQ(m.vecPosology.at(0).bstrRemark, L"1-0-1");
    EXPECT_EQ(m.vecPosology.at(0).dtDateEnd, -73046.0);
    EXPECT_EQ(h.capture.AssertionCount(), 2u) << "a medication without coding entry, in each import";
}

TEST(MedicationMappingTest, AFailingFactoryEndsTheWholeMedicationExport) {
    HandlerHarness h;
    h.record.sPatientInfo.sKg.vecMedication = {Medication(), Medication(), Medication()};
    const auto fault = FaultInjection::FailFactory("Medication.NewPosology", 2);
    model::Kg* kg = h.ExportKg();
    EXPECT_EQ(kg->Medication.Count(), 2u);
    EXPECT_EQ(kg->Medication[1]->Posology.Count(), 0u);
    EXPECT_EQ(h.capture.AssertionCount(), 1u);
}

// A flag: -1 no value, 0 false, any other value true.
TEST(FlagMappingTest, EveryFlagButMinusOneAndZeroExportsAsTrue) {
    const std::pair<std::int32_t, std::optional<bool>> cases[] = {
        {-1, std::nullopt}, {0, false}, {1, true}, {-2, true}, {INT32_MIN, true}, {INT32_MAX, true}};
    for (const auto& [flag, expected] : cases) {
        HandlerHarness h;
        structOrvanKg& clinical = h.record.sPatientInfo.sKg;
        clinical.mapDiagnosis[0] = {orvan::record::testing::DemoDiagnosis()};
        clinical.mapDiagnosis[0][0].nIsActive = flag;
        clinical.vecMedication = {Medication()};
        clinical.vecMedication[0].nIsActive = clinical.vecMedication[0].nIsChronic = flag;
        model::Kg* kg = h.ExportKg();
        EXPECT_EQ(kg->Diagnosis[0]->IsActive, expected) << flag;
        EXPECT_EQ(kg->Medication[0]->IsActive, expected) << flag;
        EXPECT_EQ(kg->Medication[0]->IsChronic, expected) << flag;
    }
}

}  // namespace
