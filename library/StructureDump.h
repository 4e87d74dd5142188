#pragma once

#include <string>
#include <vector>

#include "library/format/ArchiveHeader.h"
#include "library/Object.h"

namespace Dorv::Orvan::Framework::Common {

// A readable picture of an archive: its header, every object with every
// property that has a value, and each attachment's size. Built by walking the
// class descriptions; objects are named by class and id (see DumpIds), and
// references show the id of the object they point to. The
// same archive always gives the same picture.
struct DumpNode {
    std::string name;   // property or field name
    std::string value;  // the value as text, or the class and number of an object
    std::vector<DumpNode> children;
};

// How objects are named: by the `id` they had in the archive they were loaded
// from (objects made in memory by their number in document order), or all by
// their number in document order, so that two archives of one structure
// written with other ids give the same picture.
enum class DumpIds { AsInFile, DocumentOrder };
DumpNode BuildDump(const ArchiveHeader& header, const Classes::Object& structure,
                   DumpIds ids = DumpIds::AsInFile);

// As an indented tree, one node a line.
std::string DumpAsText(const DumpNode& root);
// As one "path = value" line per node, for comparing two pictures line by line.
std::vector<std::string> DumpAsPaths(const DumpNode& root);

// The shape of the dump as JSON (docs/dump.schema.json), which the application writes.
inline constexpr int kDumpSchemaVersion = 1;

}  // namespace Dorv::Orvan::Framework::Common
