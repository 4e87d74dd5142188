#pragma once

#include <cstdint>
#include <string>

#include "record/OrvanAddress.h"

// An attachment: the file, its identity within the record, type, size and producer.
// Constructed in its reset state (ID 0 stands for no attachment).
struct structOrvanDocument {
    std::wstring bstrFilename;  // full path of the file on disk
    std::int32_t lID = 0;
    std::wstring bstrMimeType;
    structOrvanAddress sProducerAddress;
    std::int32_t lSize = 0;

    bool operator==(const structOrvanDocument&) const = default;
};
