// Prints the XML schema of the structure document, generated from the class
// descriptions: `orvan-write-schema > docs/orvan-structure.xsd`.
#include <iostream>

#include "library/StructureSchema.h"
#include "library/model/OrvanStructure.h"

int main() {
    using namespace Dorv::Orvan::Framework::Common;
    std::cout << StructureSchema(Classes::fullORVAN::OrvanStructure::StaticClass());
    return 0;
}
