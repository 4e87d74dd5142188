#pragma once

#include <cstdint>
#include <vector>

#include "record/OrvanDocumentTree.h"
#include "record/OrvanKg.h"
#include "record/OrvanPatientAddress.h"

// The one patient of a communication.
struct structOrvanPatientInfo {
    std::int32_t lID = 0;
    structOrvanPatientAddress sPatientAddress;
    structOrvanKg sKg;
    std::vector<structOrvanDocumentTree> vecDocumentTree;

    bool operator==(const structOrvanPatientInfo&) const = default;
};
