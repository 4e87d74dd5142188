#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exchange/AttachmentName.h"
#include "exchange/CommandListener.h"
#include "library/model/OrvanStructure.h"
#include "record/OrvanOnePatientComm.h"

namespace orvan::exchange {
namespace model = Dorv::Orvan::Framework::Common::Classes::fullORVAN;
}
namespace Dorv::Orvan::Framework::Common {
class ReadBack;
}

// Converts one record root into a structure of the record library, saves it as
// an archive file, and reads such a file back into a record root, writing the
// attachments into a folder. One handler serves one command.
//
// Problems inside the mapping are reported by debug assertions and message
// boxes and the mapping goes on; exceptions of the record library (an archive
// that cannot be read or written, a date outside the convertible range) pass
// to the caller.
class COrvanHandler {
public:
    // Messages go to the platform's message box.
    COrvanHandler();
    // Messages and the record library's progress go to `listener`.
    explicit COrvanHandler(orvan::exchange::CommandListener& listener);
    ~COrvanHandler();
    COrvanHandler(const COrvanHandler&) = delete;
    COrvanHandler& operator=(const COrvanHandler&) = delete;

    // Saves the record as the archive `strFilename` and reads it back once as
    // a check. 1 when the archive was written, else 0.
    int DoOrvanExport(const std::wstring& strFilename, structOrvanOnePatientComm* psOrvanOnePatientComm);
    // Resets the record and fills it from the archive `strFilename`, writing
    // attachments into `strAttachmentDir` (none when empty). 1 after a
    // completed import, 0 when no record was given.
    int DoOrvanImport(const std::wstring& strFilename, const std::wstring& strAttachmentDir,
                      structOrvanOnePatientComm* psOrvanOnePatientComm);
    // Empties the handler's tables; never throws.
    void Dispose();

private:
    friend class COrvanHandlerTestAccess;
    using OrvanStructure = orvan::exchange::model::OrvanStructure;

    // The structure an export's read-back has read already, beside the save.
    struct ReadAhead {
        std::unique_ptr<OrvanStructure> structure;
        std::unique_ptr<Dorv::Orvan::Framework::Common::ReadBack> readBack;  // reads into `structure`: goes first
        ~ReadAhead();
    };
    // DoOrvanImport, taking the structure from `ahead` where it is the one the archive holds.
    int DoImportArchive(const std::wstring& strFilename, const std::wstring& strAttachmentDir,
                        structOrvanOnePatientComm* psOrvanOnePatientComm, ReadAhead* ahead);
    using Address = orvan::exchange::model::Address;

    int IsValidDate(const double& date) const;

    // Processing and patient data.
    void DoExportProcessingInfo(OrvanStructure* pOrvanStructure);
    void DoImportProcessingInfo(OrvanStructure* pOrvanStructure);
    void DoExportAuthor(OrvanStructure* pOrvanStructure, orvan::exchange::model::ProcessingInfo* pProcessingInfo);
    void DoImportAuthor(orvan::exchange::model::ProcessingInfo* pProcessingInfo);
    void DoExportRecipient(OrvanStructure* pOrvanStructure, orvan::exchange::model::ProcessingInfo* pProcessingInfo);
    void DoImportRecipient(orvan::exchange::model::ProcessingInfo* pProcessingInfo);
    void DoExportSoftware(OrvanStructure* pOrvanStructure, orvan::exchange::model::ProcessingInfo* pProcessingInfo);
    void DoImportSoftware(orvan::exchange::model::ProcessingInfo* pProcessingInfo);
    void DoExportPatientInfo(OrvanStructure* pOrvanStructure, orvan::exchange::model::PatientInfo* pPatientInfo);
    void DoImportPatientInfo(OrvanStructure* pOrvanStructure, orvan::exchange::model::PatientInfo* pPatientInfo);
    void DoExportKg(OrvanStructure* pOrvanStructure, orvan::exchange::model::Kg* pKG);
    // Takes the texts of what it maps: an imported structure is dropped after.
    void DoImportKg(OrvanStructure* pOrvanStructure, orvan::exchange::model::Kg* pKG);

    // Addresses.
    void DoExportAddress(const structOrvanAddress* psAddress, Address* pAddress);
    void DoImportAddress(Address* pAddress, structOrvanAddress* psAddress);
    void DoTraceAddress(Address* pAddress);
    // Steps 2 to 4 of exporting a party's address reference: a new Address in
    // the structure, filled from the record, set as the reference's target.
    // False, after `strMessage` and a debug assertion, when no Address could be made.
    bool DoExportAddressReference(OrvanStructure* pOrvanStructure, const structOrvanAddress& sAddress,
                                  Address*& pAddressRefID, std::wstring_view strMessage);

    // Diagnoses and coding entries.
    std::wstring BuildCodingEntryKey(const std::wstring& strCodingEntryCode,
                                     const std::wstring& strCodingEntryName) const;
    orvan::exchange::model::CodingEntry* FindOrCreateCodingEntry(OrvanStructure* pOrvanStructure,
                                                                 const std::wstring& strCode,
                                                                 const std::wstring& strName);
    void DoExportDiagnosis(OrvanStructure* pOrvanStructure, orvan::exchange::model::Kg* pKG);
    void DoRawExportDiagnosis(OrvanStructure* pOrvanStructure, orvan::exchange::model::Kg* pKG,
                              const std::int32_t& lParentID,
                              orvan::exchange::model::DiagnosisPtrCollection* pDiagnosisCollection);
    void DoImportDiagnosis(OrvanStructure* pOrvanStructure, orvan::exchange::model::Kg* pKG);
    void DoRawImportDiagnosis(OrvanStructure* pOrvanStructure, std::int32_t lParentID,
                              orvan::exchange::model::Diagnosis* pDiagnosis);

    // Medications.
    void DoExportMedication(OrvanStructure* pOrvanStructure, orvan::exchange::model::Kg* pKG);
    void DoImportMedication(OrvanStructure* pOrvanStructure, orvan::exchange::model::Kg* pKG);
    void DoImportOneMedication(orvan::exchange::model::Medication& medication);

    // Document trees and attachments.
    void IdentifyAttachmentTypes(OrvanStructure* pOrvanStructure);
    void DoExportDocumentTree(OrvanStructure* pOrvanStructure, orvan::exchange::model::PatientInfo* pPatientInfo);
    void DoExportDocument(OrvanStructure* pOrvanStructure, const structOrvanDocument* psDocument);
    void DoImportDocumentTree(OrvanStructure* pOrvanStructure, orvan::exchange::model::DocumentTree* pDocumentTree);
    void DoImportDocument(orvan::exchange::model::Document* pDocument, structOrvanDocument& sOrvanDocument);

    orvan::exchange::CommandListener& f_listener;
    structOrvanOnePatientComm* f_psOrvanOnePatientComm;
    std::wstring f_strAttachmentDir;
    std::map<std::int32_t, Address*> f_mapAddress;
    std::map<std::int32_t, orvan::exchange::model::Document*> f_mapDocument;
    // Coding entries by code and name (each up to its first NUL).
    std::map<std::pair<std::wstring, std::wstring>, orvan::exchange::model::CodingEntry*> f_mapCodingEntry;
    std::map<std::int32_t, std::int32_t> f_mapDiagnosisImportParentID;
    std::map<std::int32_t, std::int32_t> f_mapDiagnosisImportAddedID;
    std::map<std::int32_t, std::int32_t> f_mapDocumentsImportedID;
    // The attachment record each imported document produced, for further
    // leaves that show the same document.
    std::map<const orvan::exchange::model::Document*, structOrvanDocument> f_mapDocumentsImported;
    orvan::exchange::AttachmentNames f_attachmentNames;  // the file names this import gave out
};
