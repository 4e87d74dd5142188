#pragma once

#include <cstdint>
#include <string>

#include "record/OleDate.h"
#include "record/OrvanAddress.h"

// The patient's personal data. The address counts as absent while its family
// name is empty.
struct structOrvanPatientAddress {
    std::int32_t lAddressRefID = 0;  // kept for the record's own use; never exchanged
    std::int32_t lPatientID = 0;
    std::int32_t nStatusType = 0;
    double dtBirthDate = orvan::record::kOleDateUnset;
    std::wstring bstrSsn;
    std::wstring bstrProfession;
    std::wstring bstrNationality;
    std::wstring bstrDenomination;
    std::wstring bstrHmoAffiliation;
    std::wstring bstrLanguage = L"de";
    std::int32_t nEthnicity = 7;
    std::int32_t nMaritalStatus = 5;
    structOrvanAddress sAddress;

    bool operator==(const structOrvanPatientAddress&) const = default;
};
