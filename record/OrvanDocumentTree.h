#pragma once

#include <cstddef>
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

// Where a leaf is filed among a patient's document trees: the tree, the
// group (by the order of its key) and the leaf within the group.
struct OrvanDocumentLeafPlace {
    std::size_t tree = 0;
    std::size_t group = 0;
    std::size_t leaf = 0;
};

// Visits the leaves of `trees` in stored order, `visit(leaf, place)`: tree by
// tree, the groups of a tree by their keys, a group's leaves as filed.
template <typename Visit>
void ForEachDocumentLeaf(const std::vector<structOrvanDocumentTree>& trees, Visit&& visit) {
    OrvanDocumentLeafPlace place;
    for (place.tree = 0; place.tree < trees.size(); ++place.tree) {
        place.group = 0;
        for (const auto& group : trees[place.tree].mapDocumentLeaf) {
            for (place.leaf = 0; place.leaf < group.second.size(); ++place.leaf) {
                visit(group.second[place.leaf], place);
            }
            ++place.group;
        }
    }
}
