#include "library/model/DocumentTree.h"


#include <limits>

#include "library/ClassInfo.h"
#include "library/format/AttachmentsAhead.h"
#include "library/io/File.h"
#include "library/io/MimeType.h"
#include "library/OrvanException.h"
#include "library/PrimaryClass.h"
#include "library/Progress.h"
#include "library/io/TransferBuffer.h"
#include "platform/FileCalls.h"
#include "platform/FileName.h"

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
    const File file = File::OpenForReading(path);
    const auto status = orvan::platform::GetOpenFileStatus(file.Descriptor());
    if (!status || !status->isRegularFile) {
        throw OrvanIoException(L"cannot take in attachment '" + path + L"': not a regular file");
    }
    const std::uint64_t size = status->size;
    // The name the file has, which a path may spell otherwise ("a.txt." or
    // "REPORT~1.TXT" on Windows): the archive carries what the folder shows.
    Filename = orvan::platform::NameInFolder(path).value_or(LastComponent(path));
    MimeType = DetectMimeType(file.Descriptor(), Owner().TypesAhead());
    Size = static_cast<std::int32_t>(
        std::min<std::uint64_t>(size, std::numeric_limits<std::int32_t>::max()));
    content_.SetFile(path, size, IsCompressible(*MimeType));
}

void Document::ExportFile(const std::wstring& path) const {
    if (!content_.Present()) {
        throw OrvanFormatException(L"document " + std::to_wstring(ID) + L" has no content to write to '" +
                                   path + L"'");
    }
    if (AttachmentsAhead* ahead = Owner().AttachmentsExtractedAhead()) {
        const AttachmentContent::Identity source = content_.Identify();
        if (ahead->Take(static_cast<const ZipReader*>(source.archive), source.entry, path)) {
            return;
        }
    }
    // A copy of content kept in the archive: written whole or not at all, but
    // not worth waiting for the disk.
    AtomicFileWriter out(path, /*durable=*/false);
    const auto source = content_.Open();
    const std::span<std::byte> buffer = TransferBuffer();
    std::uint64_t written = 0;
    while (const std::size_t n = source->Read(buffer)) {
        out.Write(buffer.first(n));
        ReportProgress("extract", "bytes", written += n, content_.Size());
    }
    out.Commit();
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
