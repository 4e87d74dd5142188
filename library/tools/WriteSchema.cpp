// Prints the XML schema of the structure document, generated from the class
// descriptions: `orvan-write-schema > docs/orvan-structure.xsd`; with
// `--tables`, the class tables of docs/archive-format.md.
#include <iostream>
#include <string_view>

#include "library/format/StructureSchema.h"
#include "library/model/OrvanStructure.h"

int main(int argc, char** argv) {
    using namespace Dorv::Orvan::Framework::Common;
    const auto& root = Classes::fullORVAN::OrvanStructure::StaticClass();
    const bool tables = argc > 1 && std::string_view(argv[1]) == "--tables";
    std::cout << (tables ? StructureTables(root) : StructureSchema(root));
    return 0;
}
