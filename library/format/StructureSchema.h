#pragma once

#include <string>

#include "library/ClassInfo.h"

namespace Dorv::Orvan::Framework::Common {

// The XML schema of the structure document whose root is `root`, generated
// from the class descriptions, so that it cannot drift from what the writer
// writes. docs/orvan-structure.xsd is this text for OrvanStructure.
std::string StructureSchema(const Classes::ClassInfo& root);

// The same classes as Markdown tables (property, element form, occurrence),
// for the format's documentation.
std::string StructureTables(const Classes::ClassInfo& root);

}  // namespace Dorv::Orvan::Framework::Common
