#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "library/AttachmentContent.h"
#include "library/BaseCollection.h"
#include "library/DateTime.h"
#include "library/Object.h"
#include "library/model/Address.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

// An attachment, held once by the structure and referenced from leaves.
class Document final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    std::int64_t ID = 0;
    Text Filename;
    Text MimeType;
    std::int32_t Size = 0;  // bytes, at most 2^31-1 (larger content keeps its real size)
    fullORVAN::ProducerAddress_Document* ProducerAddress = nullptr;

    fullORVAN::ProducerAddress_Document* NewProducerAddress();

    // Takes the file at `path` in as this document's content: its name (the
    // last path component), size and MIME type now, its bytes when the
    // structure is saved. Throws OrvanIoException when it cannot be read.
    void ImportFile(const std::wstring& path);
    // Writes the content to `path` as a new file readable by its owner only,
    // replacing a file (or symbolic link) there but never writing through a
    // link; nothing is left behind when it fails.
    void ExportFile(const std::wstring& path) const;

    const AttachmentContent& Content() const { return content_; }
    AttachmentContent& Content() { return content_; }

private:
    AttachmentContent content_;
};

class DocumentLeaf final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    Text Name;
    Text Comment;
    std::optional<DateTime> Date;
    Document* DocumentRefID = nullptr;
};

using DocumentLeafCollection = BaseCollection<DocumentLeaf*>;
class DocumentTree;
using DocumentTreePtrCollection = BaseCollection<DocumentTree*>;

// A named folder of leaves, which may hold child trees of its own.
class DocumentTree final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    Text Name;
    DocumentLeafCollection DocumentLeaf;
    DocumentTreePtrCollection DocumentTreePtr;

    fullORVAN::DocumentLeaf* NewDocumentLeaf();
    // Makes a child tree, kept in DocumentTreePtr.
    fullORVAN::DocumentTree* NewDocumentTree();
};

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
