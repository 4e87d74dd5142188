#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "record/OrvanDiagnosis.h"
#include "record/OrvanMedication.h"

// The clinical history. Diagnoses are keyed by their parent's ID: key 0 holds
// the top level, key k the children of the diagnosis whose ID is k, in order.
struct structOrvanKg {
    std::map<std::int32_t, std::vector<structOrvanDiagnosis>> mapDiagnosis;
    std::vector<structOrvanMedication> vecMedication;

    bool operator==(const structOrvanKg&) const = default;
};
