#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "library/ObjectStore.h"
#include "library/format/XmlReader.h"
#include "library/zip/ZipReader.h"

namespace Dorv::Orvan::Framework::Common {

class StructureBuilder;

// Reads a structure document in two steps, so that it can be read while its
// archive is still being written: the document first, into objects, then
// each document's content bound to the entry of the finished archive that
// its element names.
class StructureLoad {
public:
    // Objects of the classes `of` taken as soon as their elements close, when
    // every reference from within them leads to an object read already:
    // `take` gets each such object (with all it holds) while the rest of the
    // document is still being read, and afterwards it is freed and its holder
    // holds nothing in its place. A later reference into it is refused. Once
    // one child of a holder cannot be taken, its later children are not
    // either, so that what is taken early is always what came first.
    struct Early {
        std::vector<const Classes::ClassInfo*> of;
        std::function<void(Classes::Object&)> take;
    };

    // Fills the empty store `objects` and its root from the structure document
    // `entry` of `source`. A `stop` that becomes true ends the reading
    // (OrvanIoException). Throws OrvanFormatException naming the entry, line
    // and element for anything that is not exactly a structure of this format.
    StructureLoad(Classes::ObjectStore& objects, const std::shared_ptr<const ZipReader>& source,
                  const ZipReader::Entry& entry, const std::atomic<bool>* stop = nullptr, Early early = {});
    ~StructureLoad();
    StructureLoad(const StructureLoad&) = delete;
    StructureLoad& operator=(const StructureLoad&) = delete;

    // Makes each document's content the entry of `archive` that its element
    // names, which must be one of the archive's attachments and no other
    // document's; every entry of the archive but the header and the structure
    // document must be a document's content. The content stays in the archive.
    void Bind(const std::shared_ptr<const ZipReader>& archive);

private:
    XmlReader xml_;
    std::unique_ptr<StructureBuilder> builder_;
};

// Both steps on one archive: fills the empty `objects` and its root from the
// structure document of `archive`.
void LoadStructure(Classes::ObjectStore& objects, const std::shared_ptr<const ZipReader>& archive,
                   StructureLoad::Early early = {});

}  // namespace Dorv::Orvan::Framework::Common
