#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "record/OleDate.h"
#include "record/OrvanPosology.h"

// One medication with its posologies; constructed in its reset state.
struct structOrvanMedication {
    std::wstring bstrCodingEntryCode;
    std::wstring bstrCodingEntryName;
    std::int32_t nCodingType = 3;
    double dtDate = orvan::record::kOleDateUnset;
    std::int32_t lReserved = 0;
    std::int32_t lID = 0;
    std::int32_t nIsActive = -1;   // -1 no value, 0 false, other values true
    std::int32_t nIsChronic = -1;  // as nIsActive
    std::wstring bstrName;
    std::wstring bstrShortName;
    std::vector<structOrvanPosology> vecPosology;

    bool operator==(const structOrvanMedication&) const = default;
};
