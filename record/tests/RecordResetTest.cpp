#include <gtest/gtest.h>

#include "FilledRecord.h"
#include "record/OrvanOnePatientComm.h"

namespace {

using namespace orvan::record::testing;

void ExpectAddressReset(const structOrvanAddress& a, const char* which) {
    SCOPED_TRACE(which);
    EXPECT_EQ(a.lID, 0);
    EXPECT_EQ(a.nAddressType, eAddressTypeNone);
    EXPECT_EQ(a.nSex, 2);
    EXPECT_EQ(a, structOrvanAddress{}) << "every one of the 28 texts is empty";
    EXPECT_TRUE(a.bstrFamilyname.empty() && a.bstrIdentificator4.empty());
}

TEST(RecordResetTest, ResetOfAFilledRootReachesTheResetValuesAtEveryDepth) {
    structOrvanOnePatientComm root = FilledRoot();
    root.Reset();

    EXPECT_EQ(root.sArchive.bstrOrvanId, L"");
    EXPECT_EQ(root.sArchive.bstrTemplateOrvanId, L"");
    EXPECT_EQ(root.sArchive.bstrTitle, L"");
    EXPECT_EQ(root.sArchive.bstrLanguage, L"de");

    const auto& processing = root.sProcessingInfo;
    EXPECT_EQ(processing.dtDate, 0.0) << "the processing date resets to 1899-12-30";
    EXPECT_EQ(processing.bstrTitle, L"");
    ExpectAddressReset(processing.sAuthorAddress, "author");
    ExpectAddressReset(processing.sRecipientAddress, "recipient");
    EXPECT_EQ(processing.sSoftware.bstrName + processing.sSoftware.bstrVersion +
                  processing.sSoftware.bstrCopyright,
              L"");
    ExpectAddressReset(processing.sSoftware.sManufacturerAddress, "manufacturer");

    const auto& patient = root.sPatientInfo;
    EXPECT_EQ(patient.lID, 0);
    const auto& personal = patient.sPatientAddress;
    EXPECT_EQ(personal.lAddressRefID, 0);
    EXPECT_EQ(personal.lPatientID, 0);
    EXPECT_EQ(personal.nStatusType, 0);
    EXPECT_EQ(personal.dtBirthDate, -73046.0) << "the birth date resets to 1700-01-01";
    EXPECT_EQ(personal.bstrSsn + personal.bstrProfession + personal.bstrNationality +
                  personal.bstrDenomination + personal.bstrHmoAffiliation,
              L"");
    EXPECT_EQ(personal.bstrLanguage, L"de");
    EXPECT_EQ(personal.nEthnicity, 7);
    EXPECT_EQ(personal.nMaritalStatus, 5);
    ExpectAddressReset(personal.sAddress, "patient");

    EXPECT_TRUE(patient.sKg.mapDiagnosis.empty());
    EXPECT_TRUE(patient.sKg.vecMedication.empty());
    EXPECT_TRUE(patient.vecDocumentTree.empty());
    EXPECT_TRUE(root.vecDocument.empty());
    EXPECT_TRUE(root.vecAddress.empty());

    EXPECT_NE(processing.dtDate, personal.dtBirthDate) << "the two reset dates differ";
    EXPECT_EQ(root, structOrvanOnePatientComm{}) << "a reset root equals a new one, field by field";
}

TEST(RecordResetTest, ResetTwiceInARowChangesNothingMore) {
    structOrvanOnePatientComm root = FilledRoot();
    root.Reset();
    const structOrvanOnePatientComm once = root;
    root.Reset();
    EXPECT_EQ(root, once);
}

TEST(RecordResetTest, NewRecordsHoldTheirResetValues) {
    const structOrvanDiagnosis diagnosis;
    EXPECT_EQ(diagnosis.nCodingType, 5);
    EXPECT_EQ(diagnosis.dtDate, -73046.0);
    EXPECT_EQ(diagnosis.lID, 0);
    EXPECT_EQ(diagnosis.lParentID, 0);
    EXPECT_EQ(diagnosis.nIsActive, -1);

    const structOrvanMedication medication;
    EXPECT_EQ(medication.nCodingType, 3);
    EXPECT_EQ(medication.dtDate, -73046.0);
    EXPECT_EQ(medication.lReserved, 0);
    EXPECT_EQ(medication.nIsActive, -1);
    EXPECT_EQ(medication.nIsChronic, -1);
    EXPECT_TRUE(medication.vecPosology.empty());

    const structOrvanPosology posology;
    EXPECT_EQ(posology.dtDateBegin, -73046.0);
    EXPECT_EQ(posology.dtDateEnd, -73046.0);
    EXPECT_EQ(posology.dQuantityMorning + posology.dQuantityNoon + posology.dQuantityEvening +
                  posology.dQuantityNight,
              0.0);

    const structOrvanDocumentLeaf leaf;
    EXPECT_EQ(leaf.dtDate, -73046.0);
    EXPECT_EQ(leaf.lDocumentRefID, 0);
    EXPECT_EQ(leaf.sDocument.lID, 0);
    EXPECT_EQ(leaf.sDocument.lSize, 0);
    EXPECT_TRUE(leaf.sDocument.bstrFilename.empty() && leaf.sDocument.bstrMimeType.empty());
    ExpectAddressReset(leaf.sDocument.sProducerAddress, "producer");

    const structOrvanDocumentTree tree;
    EXPECT_EQ(tree.lID, 0);
    EXPECT_TRUE(tree.mapDocumentLeaf.empty());
}

}  // namespace
