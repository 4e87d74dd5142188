#pragma once

#include <optional>
#include <string>

#include "library/Object.h"

namespace Dorv::Orvan::Framework::Common {

// The first difference between two object graphs, walking their class
// descriptions: values (doubles bit for bit), absent versus present, list
// order, which object each reference points to, and attachment content byte
// for byte. Nothing when they are equal. The text names the place, for
// instance "OrvanStructure/PatientInfo[0]/Kg/Diagnosis[2].Name".
std::optional<std::string> FindDifference(const Classes::Object& left, const Classes::Object& right);

}  // namespace Dorv::Orvan::Framework::Common
