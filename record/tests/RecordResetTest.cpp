#include <gtest/gtest.h>

#include <tuple>

#include "FilledRecord.h"
#include "record/OrvanOnePatientComm.h"

namespace {

using namespace orvan::record::testing;

// The filled root differs from a new one in every field, so a field that
// Reset leaves alone shows as a difference; the reset values themselves are
// checked where they are more than a type's zero or empty text.
TEST(RecordResetTest, AFilledRootResetsToTheResetValuesAtEveryDepth) {
    structOrvanOnePatientComm root = FilledRoot();
    root.Reset();
    EXPECT_EQ(root, structOrvanOnePatientComm{}) << "every field, every list emptied";

    const auto& processing = root.sProcessingInfo;
    const auto& patient = root.sPatientInfo;
    const auto& personal = patient.sPatientAddress;
    EXPECT_EQ(root.sArchive.bstrOrvanId + root.sArchive.bstrTemplateOrvanId + root.sArchive.bstrTitle +
                  processing.bstrTitle + processing.sSoftware.bstrName + processing.sSoftware.bstrVersion +
                  processing.sSoftware.bstrCopyright + personal.bstrSsn + personal.bstrProfession +
                  personal.bstrNationality + personal.bstrDenomination + personal.bstrHmoAffiliation,
              L"");
    EXPECT_EQ(root.sArchive.bstrLanguage + L"," + personal.bstrLanguage, L"de,de");
    EXPECT_EQ(processing.dtDate, 0.0) << "the processing date resets to 1899-12-30";
    EXPECT_EQ(personal.dtBirthDate, -73046.0) << "the birth date resets to 1700-01-01";
    EXPECT_EQ(std::tuple(patient.lID, personal.lAddressRefID, personal.lPatientID, personal.nStatusType,
                         personal.nEthnicity, personal.nMaritalStatus),
              std::tuple(0, 0, 0, 0, 7, 5));
    for (const structOrvanAddress* a : {&processing.sAuthorAddress, &processing.sRecipientAddress,
                                        &processing.sSoftware.sManufacturerAddress, &personal.sAddress}) {
        EXPECT_EQ(std::tuple(a->lID, a->nAddressType, a->nSex), std::tuple(0, 0, 2)) << "no kind, sex 2";
        for (const std::wstring* text : AddressTexts(*a)) {
            EXPECT_EQ(*text, L"");
        }
    }
}

}  // namespace
