#pragma once

#include <string>

#include "record/OleDate.h"
#include "record/OrvanAddress.h"
#include "record/OrvanSoftware.h"

// Processing data of a communication. Unlike every other date, the processing
// date resets to 1899-12-30 00:00 (0.0).
struct structProcessingInfo {
    double dtDate = orvan::record::kOleDateZero;
    std::wstring bstrTitle;
    structOrvanAddress sAuthorAddress;
    structOrvanAddress sRecipientAddress;
    structOrvanSoftware sSoftware;

    bool operator==(const structProcessingInfo&) const = default;
};
