#pragma once

#include <vector>

#include "record/OrvanAddress.h"
#include "record/OrvanArchive.h"
#include "record/OrvanDocument.h"
#include "record/OrvanPatientInfo.h"
#include "record/ProcessingInfo.h"

// The record root: one patient communication held in memory. A new root is
// already in its reset state; Reset brings a used one back to it.
struct structOrvanOnePatientComm {
    structOrvanArchive sArchive;
    structProcessingInfo sProcessingInfo;
    structOrvanPatientInfo sPatientInfo;
    std::vector<structOrvanDocument> vecDocument;  // emptied by Reset, otherwise unused
    std::vector<structOrvanAddress> vecAddress;    // emptied by Reset, otherwise unused

    // Writes the reset value into every field and empties every list and map,
    // destroying what they held.
    void Reset();

    bool operator==(const structOrvanOnePatientComm&) const = default;
};
