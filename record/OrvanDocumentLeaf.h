#pragma once

#include <cstdint>
#include <string>

#include "record/OleDate.h"
#include "record/OrvanDocument.h"

// An entry of a document tree; it owns its own copy of the attachment it shows.
struct structOrvanDocumentLeaf {
    std::wstring bstrName;
    std::wstring bstrComment;
    double dtDate = orvan::record::kOleDateUnset;
    std::int32_t lDocumentRefID = 0;
    structOrvanDocument sDocument;

    bool operator==(const structOrvanDocumentLeaf&) const = default;
};
