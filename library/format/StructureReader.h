#pragma once

#include <memory>

#include "library/ObjectStore.h"
#include "library/zip/ZipReader.h"

namespace Dorv::Orvan::Framework::Common {

// Fills the empty store `objects` and its root from the structure document of
// `archive`; the documents' content stays in the archive until it is read. Throws
// OrvanFormatException naming the entry, line and element for anything that is
// not exactly a structure of this format.
void LoadStructure(Classes::ObjectStore& objects, const std::shared_ptr<const ZipReader>& archive);

}  // namespace Dorv::Orvan::Framework::Common
