#include <gtest/gtest.h>

#include "FilledRecord.h"
#include "record/OrvanOnePatientComm.h"

namespace {

using namespace orvan::record::testing;

TEST(RecordCopyTest, AddressCopyCarriesEveryFieldAndIsIndependent) {
    const structOrvanAddress source = FilledAddress(7);
    structOrvanAddress copy = source;
    EXPECT_EQ(copy, source) << "slots, specialties and sex are copied, also for a company";

    copy.bstrPhone6 = L"changed";
    copy.bstrCity = L"changed";
    EXPECT_EQ(source.bstrPhone6, L"text7.20");
    EXPECT_EQ(source.bstrCity, L"text7.10");

    structOrvanAddress assigned;
    assigned = source;
    EXPECT_EQ(assigned, source);
    auto& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned, source) << "self-assignment leaves the record unchanged";
}

TEST(RecordCopyTest, MedicationCopyOwnsItsPosologies) {
    const structOrvanMedication source = FilledMedication();
    structOrvanMedication copy = source;
    ASSERT_EQ(copy, source);
    copy.vecPosology[1].bstrRemark = L"changed";
    copy.vecPosology[0].dQuantityNoon = 9.0;
    EXPECT_EQ(source.vecPosology[1].bstrRemark, L"bei Bedarf");
    EXPECT_EQ(source.vecPosology[0].dQuantityNoon, 0.5);
}

TEST(RecordCopyTest, TreeCopyIsDeepDownToTheProducerAddress) {
    const structOrvanDocumentTree source = FilledTree();
    structOrvanDocumentTree copy = source;
    ASSERT_EQ(copy, source);
    auto& leaf = copy.mapDocumentLeaf.at(1).at(1);
    leaf.bstrComment = L"changed";
    leaf.sDocument.bstrFilename = L"changed";
    leaf.sDocument.sProducerAddress.bstrFamilyname = L"changed";
    const auto& original = source.mapDocumentLeaf.at(1).at(1);
    EXPECT_EQ(original.bstrComment, L"Kommentar");
    EXPECT_EQ(original.sDocument.bstrFilename, FilledTree().mapDocumentLeaf.at(1).at(1).sDocument.bstrFilename);
    EXPECT_EQ(original.sDocument.sProducerAddress.bstrFamilyname, L"text9.3");
}

TEST(RecordCopyTest, RootCopySharesNothingWithItsSource) {
    const structOrvanOnePatientComm source = FilledRoot();
    structOrvanOnePatientComm copy = source;
    ASSERT_EQ(copy, source);
    copy.sPatientInfo.sKg.mapDiagnosis.at(1).at(0).bstrName = L"changed";
    copy.sProcessingInfo.sSoftware.sManufacturerAddress.bstrZip = L"changed";
    copy.Reset();
    EXPECT_EQ(source, FilledRoot());
}

}  // namespace
