#include <gtest/gtest.h>

#include "HandlerTestAccess.h"
#include "library/ObjectStore.h"
#include "library/io/FaultInjection.h"
#include "library/OrvanException.h"

namespace {

using Dorv::Orvan::Framework::Common::DateTime;
using Dorv::Orvan::Framework::Common::FaultInjection;

structOrvanDiagnosis Diagnosis(std::int32_t id, std::int32_t parent, const wchar_t* code = L"A00",
                               const wchar_t* name = L"Cholera") {
    structOrvanDiagnosis d;
    d.bstrCodingEntryCode = code;
    d.bstrCodingEntryName = name;
    d.lID = id;
    d.lParentID = parent;
    d.dtDate = 40252.5;
    d.bstrName = L"Diagnose " + std::to_wstring(id);
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

TEST(DiagnosisMappingTest, TreesOfAnyShapeExportDepthFirstAndImportToTheSameMap) {
    const struct {
        const char* name;
        structOrvanKg kg;
        std::vector<std::int64_t> order;
    } cases[] = {
        {"chain", Tree({{1, 0}, {2, 1}, {3, 2}}), {1, 2, 3}},
        {"wide and deep", Tree({{1, 0}, {2, 1}, {3, 1}, {4, 3}, {5, 3}, {6, 0}, {7, 6}}), {1, 2, 3, 4, 5, 6, 7}},
        {"negative and large IDs", Tree({{-5, 0}, {2147483647, -5}, {-2147483647, 2147483647}}),
         {-5, 2147483647, -2147483647}},
    };
    for (const auto& c : cases) {
        HandlerHarness h;
        h.record.sPatientInfo.sKg = c.kg;
        model::Kg* kg = h.NewKg();
        h.access.ExportKg(h.structure, kg);
        EXPECT_EQ(Ids(kg->Diagnosis), c.order) << c.name;
        EXPECT_EQ(kg->Diagnosis[0]->DiagnosisPtr.Count(), c.kg.mapDiagnosis.at(static_cast<std::int32_t>(c.order[0])).size()) << c.name;

        structOrvanOnePatientComm imported;
        h.access.Bind(imported);
        h.access.ImportKg(h.structure, kg);
        EXPECT_EQ(imported.sPatientInfo.sKg.mapDiagnosis, c.kg.mapDiagnosis) << c.name;
        EXPECT_EQ(h.capture.AssertionCount(), 0u) << c.name << ": several children are a valid tree";
    }
}

TEST(DiagnosisMappingTest, ValuesAndTheirMissingMarkers) {
    HandlerHarness h;
    structOrvanDiagnosis reset;  // coding type 5, date 1700-01-01, no flag
    structOrvanDiagnosis active = Diagnosis(2, 0);
    active.nIsActive = 7;
    h.record.sPatientInfo.sKg.mapDiagnosis[0] = {reset, active};
    model::Kg* kg = h.NewKg();
    h.access.ExportKg(h.structure, kg);
    const model::Diagnosis& first = *kg->Diagnosis[0];
    EXPECT_EQ(static_cast<int>(first.CodingType), 5);
    EXPECT_EQ(first.Date, DateTime::FromFields({1700, 1, 1, 0, 0, 0, 0}));
    EXPECT_FALSE(first.IsActive.has_value());
    EXPECT_EQ(first.CodingEntryPtr->Code, L"");
    EXPECT_EQ(kg->Diagnosis[1]->IsActive, true);

    kg->Diagnosis[1]->Date.reset();
    kg->Diagnosis[1]->ID = (std::int64_t{3} << 32) + 2;
    structOrvanOnePatientComm imported;
    h.access.Bind(imported);
    h.access.ImportKg(h.structure, kg);
    const auto& back = imported.sPatientInfo.sKg.mapDiagnosis.at(0);
    EXPECT_EQ(back[0], reset);
    EXPECT_EQ(back[1].nIsActive, 1);
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
    EXPECT_EQ(h.access.Key(L"A_B", L"C"), L"A_B_C");
    EXPECT_EQ(h.access.Key(L"", L""), L"_");

    model::Kg* kg = h.NewKg();
    h.access.ExportKg(h.structure, kg);
    EXPECT_EQ(h.structure.GlobalDefinitions.Count(), 3u) << "one definition per distinct pair";
    const auto& d = kg->Diagnosis;
    EXPECT_NE(d[0]->CodingEntryPtr, d[1]->CodingEntryPtr) << "same key, different pairs";
    EXPECT_EQ(d[0]->CodingEntryPtr, d[2]->CodingEntryPtr);
    EXPECT_EQ(d[3]->CodingEntryPtr, d[4]->CodingEntryPtr);
    EXPECT_EQ(d[1]->CodingEntryPtr->Code, L"A");
    EXPECT_EQ(d[1]->CodingEntryPtr->Name, L"B_C");
    EXPECT_EQ(kg->Medication[0]->CodingEntryPtr, d[1]->CodingEntryPtr) << "medications share the diagnoses' entries";
}

TEST(DiagnosisMappingTest, KeysThatAreNotReachedOrWouldCycleAreNotWalked) {
    const struct {
        const char* name;
        structOrvanKg kg;
        std::vector<std::int64_t> order;
        std::size_t assertions;
    } cases[] = {
        {"empty", {}, {}, 0},
        {"only keys other than 0", Tree({{2, 1}, {3, 2}}), {}, 0},
        {"ID equal to its own key", Tree({{1, 0}, {1, 1}, {2, 1}}), {1, 1, 2}, 0},
        {"repeated IDs forming a cycle", Tree({{1, 0}, {2, 1}, {1, 2}}), {1, 2, 1}, 1},
        {"ID 0 below the top level", Tree({{1, 0}, {0, 1}}), {1, 0}, 1},
        {"a finished key referred to again", Tree({{1, 0}, {1, 0}, {2, 1}, {2, 1}}), {1, 2, 2, 1}, 1},
    };
    for (const auto& c : cases) {
        HandlerHarness h;
        h.record.sPatientInfo.sKg = c.kg;
        model::Kg* kg = h.NewKg();
        h.access.ExportKg(h.structure, kg);
        EXPECT_EQ(Ids(kg->Diagnosis), c.order) << c.name;
        EXPECT_EQ(h.capture.AssertionCount(), c.assertions) << c.name;
        EXPECT_EQ(h.structure.GlobalDefinitions.Count(), c.order.empty() ? 0u : 1u) << c.name;
    }
}

TEST(DiagnosisMappingTest, AChainOfAMillionLevelsExportsWithoutExhaustingTheStack) {
    HandlerHarness h;
    constexpr std::int32_t kLevels = 1'000'000;
    for (std::int32_t id = 1; id <= kLevels; ++id) {
        h.record.sPatientInfo.sKg.mapDiagnosis[id - 1].push_back(Diagnosis(id, id - 1));
    }
    model::Kg* kg = h.NewKg();
    h.access.ExportKg(h.structure, kg);
    ASSERT_EQ(kg->Diagnosis.Count(), static_cast<std::size_t>(kLevels));
    EXPECT_EQ(kg->Diagnosis[kLevels - 2]->DiagnosisPtr[0], kg->Diagnosis[kLevels - 1]);
}

TEST(DiagnosisMappingTest, ImportOfSingleReferencesAsTheyWereDefined) {
    const auto import = [](const std::function<void(model::Kg*)>& build) {
        HandlerHarness h;
        model::Kg* kg = h.NewKg();
        build(kg);
        h.access.ImportKg(h.structure, kg);
        std::map<std::int32_t, std::vector<std::int32_t>> placed;
        for (const auto& [key, list] : h.record.sPatientInfo.sKg.mapDiagnosis) {
            for (const auto& d : list) {
                placed[key].push_back(d.lID);
                EXPECT_EQ(d.lParentID, key);
            }
        }
        return std::pair(placed, h.capture.AssertionCount());
    };
    auto diagnosis = [](model::Kg* kg, std::int64_t id, bool coded = true) {
        model::Diagnosis* d = kg->NewDiagnosis();
        d->ID = id;
        if (coded) {
            d->CodingEntryPtr = kg->Owner().Create<model::CodingEntry>("test");
        }
        return d;
    };
    using Placed = std::map<std::int32_t, std::vector<std::int32_t>>;
    // A child listed before its parent that refers to it: the child stays at the top and the parent goes under it.
    EXPECT_EQ(import([&](model::Kg* kg) {
                  model::Diagnosis* child = diagnosis(kg, 2);
                  diagnosis(kg, 1)->DiagnosisPtr.Add(child);
              }),
              std::pair(Placed{{0, {2}}, {2, {1}}}, std::size_t{0}));
    // A diagnosis referring to itself is filed under its own ID.
    EXPECT_EQ(import([&](model::Kg* kg) {
                  model::Diagnosis* self = diagnosis(kg, 3);
                  self->DiagnosisPtr.Add(self);
              }),
              std::pair(Placed{{3, {3}}}, std::size_t{0}));
    // Itself among several references: it keeps its own place, the others go under it.
    EXPECT_EQ(import([&](model::Kg* kg) {
                  model::Diagnosis* self = diagnosis(kg, 6);
                  self->DiagnosisPtr.Add(self);
                  self->DiagnosisPtr.Add(diagnosis(kg, 7));
              }),
              std::pair(Placed{{0, {6}}, {6, {7}}}, std::size_t{1}));
    // A diagnosis without coding entry is left out, with its reference.
    EXPECT_EQ(import([&](model::Kg* kg) {
                  model::Diagnosis* child = diagnosis(kg, 5);
                  diagnosis(kg, 4, false)->DiagnosisPtr.Add(child);
              }),
              std::pair(Placed{{0, {5}}}, std::size_t{1}));
}

TEST(DiagnosisMappingTest, FailingFactoriesStopTheirListAndTheWalkGoesOn) {
    HandlerHarness h;
    h.record.sPatientInfo.sKg = Tree({{1, 0}, {2, 1}, {3, 1}, {4, 0}});
    h.record.sPatientInfo.sKg.mapDiagnosis[1][1].bstrCodingEntryName = L"other";
    {
        const auto fault = FaultInjection::FailFactory("Kg.NewDiagnosis", 2);
        model::Kg* kg = h.NewKg();
        h.access.ExportKg(h.structure, kg);
        EXPECT_EQ(Ids(kg->Diagnosis), (std::vector<std::int64_t>{1, 4})) << "the list under 1 stops; key 0 goes on";
    }
    HandlerHarness g;
    g.record.sPatientInfo.sKg = h.record.sPatientInfo.sKg;
    const auto fault = FaultInjection::FailFactory("GlobalDefinitions.NewCodingEntry", 2);
    model::Kg* kg = g.NewKg();
    g.access.ExportKg(g.structure, kg);
    ASSERT_EQ(kg->Diagnosis.Count(), 4u);
    EXPECT_EQ(kg->Diagnosis[2]->CodingEntryPtr, nullptr) << "made, but left without values";
    EXPECT_EQ(kg->Diagnosis[0]->DiagnosisPtr.Count(), 1u) << "and not added to its parent";
    EXPECT_EQ(g.capture.AssertionCount(), 1u);
}

// The sample medication with an end date and quantities, -0.0 among them.
structOrvanMedication Medication() {
    structOrvanMedication m = SampleMedication();
    structOrvanPosology& p = m.vecPosology[0];
    p.dtDateEnd = 40300.75;
    p.dQuantityMorning = 1.5;
    p.dQuantityNight = -0.0;
    return m;
}

TEST(MedicationMappingTest, MedicationsRoundTripWithTheirDocumentedLosses) {
    HandlerHarness h;
    structOrvanMedication full = Medication();
    full.lReserved = 77;
    full.vecPosology[0].lReserved = 5;
    structOrvanMedication noEnd = Medication();
    noEnd.nIsChronic = 0;
    noEnd.vecPosology[0].dtDateEnd = -73046.0;
    structOrvanMedication noPosology = Medication();
    noPosology.vecPosology.clear();
    h.record.sPatientInfo.sKg.vecMedication = {full, noEnd, noPosology};

    const structOrvanKg back = h.RoundTripKg();
    ASSERT_EQ(back.vecMedication.size(), 3u);
    full.lReserved = 0;
    full.vecPosology[0].lReserved = 0;
    EXPECT_EQ(back.vecMedication[0], full) << "only the reserved numbers are not exchanged";
    EXPECT_EQ(back.vecMedication[1], noEnd);
    EXPECT_EQ(back.vecMedication[2].vecPosology, std::vector<structOrvanPosology>(1))
        << "a medication without posology comes back with one reset posology";

    model::Kg* kg = h.structure.PatientInfo[0]->Kg;
    EXPECT_FALSE(kg->Medication[1]->Posology[0]->DateEnd.has_value());
    EXPECT_EQ(kg->Medication[1]->IsChronic, false);
    EXPECT_FALSE(kg->Medication[0]->IsChronic.has_value());
    EXPECT_EQ(kg->Medication[0]->Posology[0]->QuantityNoon, 0.0) << "a quantity is always sent";
    EXPECT_EQ(kg->Medication[2]->Posology.Count(), 0u);
    EXPECT_EQ(h.structure.GlobalDefinitions.Count(), 1u);

    HandlerHarness again;
    again.record.sPatientInfo.sKg.vecMedication = {back.vecMedication[2]};
    model::Kg* second = again.NewKg();
    again.access.ExportKg(again.structure, second);
    EXPECT_EQ(second->Medication[0]->Posology.Count(), 0u) << "the reset posology is left out";
    EXPECT_EQ(again.capture.AssertionCount(), 1u);
}

TEST(MedicationMappingTest, MissingValuesOfTheLibraryImportAsResetValues) {
    HandlerHarness h;
    model::Kg* kg = h.NewKg();
    model::Medication* bare = kg->NewMedication();
    model::Posology* posology = bare->NewPosology();
    posology->QuantityMorning = 2.0;
    structOrvanOnePatientComm imported;
    h.access.Bind(imported);
    // A begin date never set is 0001-01-01, which has no OLE date.
    EXPECT_THROW(h.access.ImportKg(h.structure, kg), Dorv::Orvan::Framework::Common::OrvanConversionException);
    posology->DateBegin = DateTime::FromOleDate(40252.0);
    imported = structOrvanOnePatientComm();
    h.access.ImportKg(h.structure, kg);
    const structOrvanMedication& m = imported.sPatientInfo.sKg.vecMedication.at(0);
    EXPECT_EQ(m.dtDate, -73046.0);
    EXPECT_EQ(m.nIsActive, -1);
    EXPECT_EQ(m.bstrCodingEntryCode, L"");
    EXPECT_EQ(m.vecPosology.at(0).dQuantityNoon, 0.0);
    EXPECT_EQ(m.vecPosology.at(0).dQuantityMorning, 2.0);
    EXPECT_EQ(m.vecPosology.at(0).dtDateEnd, -73046.0);
    EXPECT_EQ(h.capture.AssertionCount(), 2u) << "a medication without coding entry, in each import";
}

TEST(MedicationMappingTest, AFailingFactoryEndsTheWholeMedicationExport) {
    HandlerHarness h;
    h.record.sPatientInfo.sKg.vecMedication = {Medication(), Medication(), Medication()};
    const auto fault = FaultInjection::FailFactory("Medication.NewPosology", 2);
    model::Kg* kg = h.NewKg();
    h.access.ExportKg(h.structure, kg);
    EXPECT_EQ(kg->Medication.Count(), 2u);
    EXPECT_EQ(kg->Medication[1]->Posology.Count(), 0u);
    EXPECT_EQ(h.capture.AssertionCount(), 1u);
}

TEST(HandlerFrameTest, NewHandlerAndTheDateTest) {
    COrvanHandler handler;
    COrvanHandlerTestAccess access(handler);
    EXPECT_TRUE(access.TablesEmpty());
    EXPECT_EQ(access.IsValidDate(-73046.0), 0);
    EXPECT_EQ(access.IsValidDate(-73046.0 - 1.0), 0);
    EXPECT_EQ(access.IsValidDate(-73046.0 + 1.0 / 86400.0), 1);
    EXPECT_EQ(access.IsValidDate(0.0), 1);
}

}  // namespace
