#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "record/OrvanDocumentLeaf.h"

// A named folder of leaves. Leaves are grouped under a key; every producer
// files them under key 1, and a tree without leaves has no group at all.
struct structOrvanDocumentTree {
    std::int32_t lID = 0;
    std::map<std::int32_t, std::vector<structOrvanDocumentLeaf>> mapDocumentLeaf;
    std::wstring bstrName;

    bool operator==(const structOrvanDocumentTree&) const = default;
};
