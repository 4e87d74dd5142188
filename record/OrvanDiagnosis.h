#pragma once

#include <cstdint>
#include <string>

#include "record/OleDate.h"

// One diagnosis of the clinical history; constructed in its reset state.
struct structOrvanDiagnosis {
    std::wstring bstrCodingEntryCode;
    std::wstring bstrCodingEntryName;
    std::int32_t nCodingType = 5;
    double dtDate = orvan::record::kOleDateUnset;
    std::int32_t lID = 0;
    std::int32_t lParentID = 0;  // the key of the map entry that holds the record
    std::int32_t nIsActive = -1;  // -1 no value, 0 false, other values true
    std::wstring bstrName;
    std::wstring bstrShortName;

    bool operator==(const structOrvanDiagnosis&) const = default;
};
