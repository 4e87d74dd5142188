#pragma once

#include <cstdint>
#include <string>

#include "record/OleDate.h"

// One line of a medication's dosage schedule; constructed in its reset state.
// An end date not later than 1700-01-01 means that the posology has no end.
struct structOrvanPosology {
    double dtDateBegin = orvan::record::kOleDateUnset;
    double dtDateEnd = orvan::record::kOleDateUnset;
    std::int32_t lReserved = 0;
    double dQuantityMorning = 0.0;
    double dQuantityNoon = 0.0;
    double dQuantityEvening = 0.0;
    double dQuantityNight = 0.0;
    std::wstring bstrRemark;

    bool operator==(const structOrvanPosology&) const = default;
};
