#pragma once

#include <string>
#include <vector>

#include "library/ArchiveHeader.h"
#include "library/PrimaryClass.h"

namespace Dorv::Orvan::Framework::Common {

// A readable picture of an archive: its header, every object with every
// property that has a value, and each attachment's size. Built by walking the
// class descriptions; objects are numbered in document order as in the
// archive, and references show the number of the object they point to. The
// same archive always gives the same picture.
struct DumpNode {
    std::string name;   // property or field name
    std::string value;  // the value as text, or the class and number of an object
    std::vector<DumpNode> children;
};

DumpNode BuildDump(const ArchiveHeader& header, const Classes::PrimaryClass& structure);

// As an indented tree, one node a line.
std::string DumpAsText(const DumpNode& root);
// As JSON; "schemaVersion" tells readers which shape to expect.
std::string DumpAsJson(const DumpNode& root);
// As one "path = value" line per node, for comparing two pictures line by line.
std::vector<std::string> DumpAsPaths(const DumpNode& root);

inline constexpr int kDumpSchemaVersion = 1;

}  // namespace Dorv::Orvan::Framework::Common
