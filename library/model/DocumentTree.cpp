#include "library/model/DocumentTree.h"

#include <algorithm>
#include <limits>

#include "library/ClassInfo.h"
#include "library/ObjectStore.h"
#include "library/OrvanException.h"
#include "library/format/AttachmentFiles.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

const ClassInfo& Document::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(Document, ID),
        ORVAN_SCALAR(Document, Filename),
        ORVAN_SCALAR(Document, MimeType),
        ORVAN_SCALAR(Document, Size),
        ORVAN_CHILD(Document, ProducerAddress),
        AttachmentProperty<Document>("Content"),
    };
    static const ClassInfo info = MakeClassInfo<Document>("Document", properties);
    return info;
}

fullORVAN::ProducerAddress_Document* Document::NewProducerAddress() {
    return Owner().CreateInto(ProducerAddress, "Document.NewProducerAddress");
}

void Document::ImportFile(const std::wstring& path) {
    const TakenFile taken = TakeInFile(path, *Owner().Lent().typesAhead, content_);
    Filename = taken.name;
    MimeType = taken.mimeType;
    Size = static_cast<std::int32_t>(std::min<std::uint64_t>(taken.size, std::numeric_limits<std::int32_t>::max()));
}

void Document::ExportFile(const std::wstring& path) const {
    if (!content_.Present()) {
        throw OrvanFormatException(L"document " + std::to_wstring(ID) + L" has no content to write to '" +
                                   path + L"'");
    }
    WriteOutContent(content_, path, Owner().Lent().attachmentsAhead, Owner().Lent().progress);
}

const ClassInfo& DocumentLeaf::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(DocumentLeaf, Name),
        ORVAN_SCALAR(DocumentLeaf, Comment),
        ORVAN_SCALAR(DocumentLeaf, Date),
        ORVAN_REFERENCE(DocumentLeaf, DocumentRefID),
    };
    static const ClassInfo info = MakeClassInfo<DocumentLeaf>("DocumentLeaf", properties);
    return info;
}

const ClassInfo& DocumentTree::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(DocumentTree, Name),
        ORVAN_CHILDREN(DocumentTree, DocumentLeaf),
        ORVAN_CHILDREN(DocumentTree, DocumentTreePtr),
    };
    static const ClassInfo info = MakeClassInfo<DocumentTree>("DocumentTree", properties);
    return info;
}

fullORVAN::DocumentLeaf* DocumentTree::NewDocumentLeaf() {
    return Owner().CreateInto(DocumentLeaf, "DocumentTree.NewDocumentLeaf");
}

fullORVAN::DocumentTree* DocumentTree::NewDocumentTree() {
    return Owner().CreateInto(DocumentTreePtr, "DocumentTree.NewDocumentTree");
}

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
