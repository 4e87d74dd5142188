#pragma once

#include <string>

#include "record/OrvanAddress.h"

// The sending software. Its manufacturer counts as absent while the
// manufacturer's family name is empty.
struct structOrvanSoftware {
    std::wstring bstrName;
    std::wstring bstrVersion;
    std::wstring bstrCopyright;
    structOrvanAddress sManufacturerAddress;

    bool operator==(const structOrvanSoftware&) const = default;
};
