// Document trees with their leaves, and the attachments they show.
#include <set>
#include <vector>

#include "exchange/AttachmentName.h"
#include "exchange/ExchangeValues.h"
#include "exchange/OrvanHandler.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/FileSystem.h"

using namespace orvan::exchange;
using orvan::platform::DebugTrace;

namespace {

// The files the record's trees take in: one for each document, the first time it is shown.
std::vector<std::wstring> AttachmentPaths(const structOrvanPatientInfo& patient) {
    std::set<std::int32_t> documents;
    std::vector<std::wstring> paths;
    ForEachDocumentLeaf(patient.vecDocumentTree, [&](const structOrvanDocumentLeaf& leaf, auto) {
        if (documents.insert(leaf.sDocument.lID).second && !leaf.sDocument.bstrFilename.empty()) {
            paths.push_back(*ToLibraryText(leaf.sDocument.bstrFilename));
        }
    });
    return paths;
}

}  // namespace

void COrvanHandler::IdentifyAttachmentTypes(OrvanStructure* pOrvanStructure) {
    // Telling the attachments' types apart takes most of the time of taking
    // them in; started for all of them at once, it runs on the other cores
    // while the structure is built.
    pOrvanStructure->IdentifyTypesAhead(AttachmentPaths(f_psOrvanOnePatientComm->sPatientInfo));
}

void COrvanHandler::DoExportDocumentTree(OrvanStructure* pOrvanStructure, model::PatientInfo* pPatientInfo) {
    for (const structOrvanDocumentTree& treeRecord : f_psOrvanOnePatientComm->sPatientInfo.vecDocumentTree) {
        model::DocumentTree* tree = pPatientInfo->NewDocumentTree();
        if (!ORVAN_ASSERT(tree != nullptr)) {
            continue;  // nothing to attach this tree's leaves to
        }
        tree->Name = ToLibraryText(treeRecord.bstrName);
        for (const auto& [key, leaves] : treeRecord.mapDocumentLeaf) {
            for (const structOrvanDocumentLeaf& leafRecord : leaves) {
                const std::int32_t id = leafRecord.sDocument.lID;
                if (!f_mapDocument.contains(id)) {
                    DoExportDocument(pOrvanStructure, &leafRecord.sDocument);
                }
                const auto document = f_mapDocument.find(id);
                if (!ORVAN_ASSERT(document != f_mapDocument.end())) {
                    continue;  // the attachment could not be made
                }
                model::DocumentLeaf* leaf = tree->NewDocumentLeaf();
                if (!ORVAN_ASSERT(leaf != nullptr)) {
                    return;  // the rest of the trees is abandoned
                }
                leaf->Name = ToLibraryText(leafRecord.bstrName);
                leaf->Date = ToLibraryDate(leafRecord.dtDate);
                leaf->Comment = ToLibraryText(leafRecord.bstrComment);
                leaf->DocumentRefID = document->second;
            }
        }
    }
}

void COrvanHandler::DoExportDocument(OrvanStructure* pOrvanStructure, const structOrvanDocument* psDocument) {
    model::Document* document = pOrvanStructure->NewDocument();
    if (!ORVAN_ASSERT(document != nullptr)) {
        return;
    }
    document->ID = WidenId(psDocument->lID);
    if (psDocument->bstrFilename.empty()) {
        // A document without content, as an import keeps one: the record's
        // type and size are all there is of it.
        document->MimeType = ToLibraryText(psDocument->bstrMimeType);
        document->Size = psDocument->lSize;
    } else {
        document->ImportFile(*ToLibraryText(psDocument->bstrFilename));
    }
    const structOrvanAddress& producer = psDocument->sProducerAddress;
    if (!producer.bstrFamilyname.empty()) {
        model::ProducerAddress_Document* reference = document->NewProducerAddress();
        if (!ORVAN_ASSERT(reference != nullptr) ||
            !DoExportAddressReference(pOrvanStructure, producer, reference->AddressRefID,
                                      L"pProducerAddress->AddressRefID==NULL")) {
            return;  // the document stays unregistered
        }
    }
    f_mapDocument[psDocument->lID] = document;
}

void COrvanHandler::DoImportDocumentTree(OrvanStructure*, model::DocumentTree* pDocumentTree) {
    if (!ORVAN_ASSERT(pDocumentTree != nullptr)) {
        return;
    }
    DebugTrace(L"%ls\n", ToRecordText(pDocumentTree->Name));
    structOrvanDocumentTree treeRecord;
    treeRecord.bstrName = ToRecordText(pDocumentTree->Name);
    std::vector<structOrvanDocumentLeaf> leaves;
    for (const model::DocumentLeaf* leaf : pDocumentTree->DocumentLeaf) {
        if (leaf == nullptr || leaf->DocumentRefID == nullptr) {
            continue;
        }
        DebugTrace(L"...%ls (%d)\n", ToRecordText(leaf->Name), LowBits(leaf->DocumentRefID->ID));
        structOrvanDocumentLeaf leafRecord;
        leafRecord.bstrComment = ToRecordText(leaf->Comment);
        if (leaf->Date) {
            leafRecord.dtDate = ToRecordDate(*leaf->Date);
        }
        leafRecord.bstrName = ToRecordText(leaf->Name);
        DoImportDocument(leaf->DocumentRefID, leafRecord.sDocument);
        leaves.push_back(std::move(leafRecord));
    }
    if (!leaves.empty()) {
        treeRecord.mapDocumentLeaf[1] = std::move(leaves);
        f_psOrvanOnePatientComm->sPatientInfo.vecDocumentTree.push_back(std::move(treeRecord));
    }
    for (const model::DocumentTree* child : pDocumentTree->DocumentTreePtr) {
        if (child != nullptr) {
            ORVAN_ASSERT(false && "child document trees are not imported");
            DebugTrace(L"->%ls\n", ToRecordText(child->Name));
        }
    }
}

void COrvanHandler::DoImportDocument(model::Document* pDocument, structOrvanDocument& sOrvanDocument) {
    sOrvanDocument = structOrvanDocument{};
    const std::int32_t id = LowBits(pDocument->ID);
    // Every leaf showing this very document carries its own full copy of the
    // attachment record; the file is written once. Another document with the
    // same ID is another attachment.
    if (const auto imported = f_mapDocumentsImported.find(pDocument); imported != f_mapDocumentsImported.end()) {
        sOrvanDocument = imported->second;
        return;
    }
    sOrvanDocument.lID = id;
    sOrvanDocument.bstrMimeType = ToRecordText(pDocument->MimeType);
    if (pDocument->ProducerAddress != nullptr && pDocument->ProducerAddress->AddressRefID != nullptr) {
        DoImportAddress(pDocument->ProducerAddress->AddressRefID, &sOrvanDocument.sProducerAddress);
    }
    sOrvanDocument.lSize = pDocument->Size;
    if (pDocument->Content().Present()) {
        // Only ever a plain file directly inside the attachment folder, under
        // a name no other attachment of this import has.
        std::wstring path = f_strAttachmentDir;
        if (!path.empty() && !orvan::platform::IsPathSeparator(path.back())) {
            path += orvan::platform::kPathSeparator;
        }
        path += f_attachmentNames.Claim(SafeAttachmentName(ToRecordText(pDocument->Filename), id));
        sOrvanDocument.bstrFilename = path;
        if (!f_strAttachmentDir.empty()) {
            // Replaces a file there only once the new content is complete.
            pDocument->ExportFile(path);
        }
        DebugTrace(L"...%ls %d\n", sOrvanDocument.bstrFilename, sOrvanDocument.lID);
    } else {
        // Valid in an archive: the record keeps everything but a file.
        DebugTrace(L"...%ls %d: no content, no file written\n", ToRecordText(pDocument->Filename), id);
    }
    f_mapDocumentsImportedID[id] = id;
    f_mapDocumentsImported[pDocument] = sOrvanDocument;
}
