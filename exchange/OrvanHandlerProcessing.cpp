// Processing data with author, recipient and software; the patient; the
// clinical history as a unit.
#include "exchange/ExchangeValues.h"
#include "exchange/OrvanHandler.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/MessageBox.h"

using namespace orvan::exchange;

namespace {

constexpr std::wstring_view kAuthorMessage = L"pAuthorAddress->AddressRefID==NULL";
constexpr std::wstring_view kRecipientMessage = L"pRecipientAddress->AddressRefID==NULL";
constexpr std::wstring_view kManufacturerMessage = L"pManufacturerAddress->AddressRefID==NULL";
constexpr std::wstring_view kPatientMessage = L"pPatientAddress->AddressRefID==NULL";

// A party whose reference exists but holds no address is reported to the user.
template <typename Reference>
model::Address* ReferencedAddress(Reference* reference, std::wstring_view message, CommandListener& listener) {
    if (!ORVAN_ASSERT(reference != nullptr)) {
        return nullptr;
    }
    if (reference->AddressRefID == nullptr) {
        listener.ShowMessage(message, orvan::platform::MessageKind::Warning);
        ORVAN_ASSERT(reference->AddressRefID != nullptr);
    }
    return reference->AddressRefID;
}

}  // namespace

void COrvanHandler::DoExportProcessingInfo(OrvanStructure* pOrvanStructure) {
    // The coding entries get definitions of their own; this one only opens the structure.
    if (!ORVAN_ASSERT(pOrvanStructure->NewGlobalDefinitions() != nullptr)) {
        return;
    }
    model::ProcessingInfo* processing = pOrvanStructure->NewProcessingInfo();
    if (!ORVAN_ASSERT(processing != nullptr)) {
        return;
    }
    const structProcessingInfo& record = f_psOrvanOnePatientComm->sProcessingInfo;
    processing->Date = ToLibraryDate(record.dtDate);
    processing->Title = ToLibraryText(record.bstrTitle);
    DoExportAuthor(pOrvanStructure, processing);
    DoExportRecipient(pOrvanStructure, processing);
    DoExportSoftware(pOrvanStructure, processing);
}

void COrvanHandler::DoImportProcessingInfo(OrvanStructure* pOrvanStructure) {
    model::ProcessingInfo* processing = pOrvanStructure->ProcessingInfo;
    if (!ORVAN_ASSERT(processing != nullptr)) {
        return;
    }
    structProcessingInfo& record = f_psOrvanOnePatientComm->sProcessingInfo;
    record.dtDate = ToRecordDate(processing->Date);
    record.bstrTitle = ToRecordText(processing->Title);
    DoImportAuthor(processing);
    DoImportRecipient(processing);
    DoImportSoftware(processing);
}

void COrvanHandler::DoExportAuthor(OrvanStructure* pOrvanStructure, model::ProcessingInfo* pProcessingInfo) {
    model::AuthorAddress* reference = pProcessingInfo->NewAuthorAddress();
    if (ORVAN_ASSERT(reference != nullptr)) {
        DoExportAddressReference(pOrvanStructure, f_psOrvanOnePatientComm->sProcessingInfo.sAuthorAddress,
                                 reference->AddressRefID, kAuthorMessage);
    }
}

void COrvanHandler::DoImportAuthor(model::ProcessingInfo* pProcessingInfo) {
    if (Address* address = ReferencedAddress(pProcessingInfo->AuthorAddress, kAuthorMessage, f_listener)) {
        DoImportAddress(address, &f_psOrvanOnePatientComm->sProcessingInfo.sAuthorAddress);
    }
}

void COrvanHandler::DoExportRecipient(OrvanStructure* pOrvanStructure, model::ProcessingInfo* pProcessingInfo) {
    model::RecipientAddress* reference = pProcessingInfo->NewRecipientAddress();
    if (ORVAN_ASSERT(reference != nullptr)) {
        DoExportAddressReference(pOrvanStructure, f_psOrvanOnePatientComm->sProcessingInfo.sRecipientAddress,
                                 reference->AddressRefID, kRecipientMessage);
    }
}

void COrvanHandler::DoImportRecipient(model::ProcessingInfo* pProcessingInfo) {
    if (Address* address = ReferencedAddress(pProcessingInfo->RecipientAddress, kRecipientMessage, f_listener)) {
        DoImportAddress(address, &f_psOrvanOnePatientComm->sProcessingInfo.sRecipientAddress);
    }
}

void COrvanHandler::DoExportSoftware(OrvanStructure* pOrvanStructure, model::ProcessingInfo* pProcessingInfo) {
    model::Software* software = pProcessingInfo->NewSoftware();
    if (!ORVAN_ASSERT(software != nullptr)) {
        return;
    }
    const structOrvanSoftware& record = f_psOrvanOnePatientComm->sProcessingInfo.sSoftware;
    software->Name = ToLibraryText(record.bstrName);
    software->Version = ToLibraryText(record.bstrVersion);
    software->Copyright = ToLibraryText(record.bstrCopyright);
    if (record.sManufacturerAddress.bstrFamilyname.empty()) {
        return;  // no manufacturer
    }
    model::ManufacturerAddress* reference = software->NewManufacturerAddress();
    if (ORVAN_ASSERT(reference != nullptr)) {
        DoExportAddressReference(pOrvanStructure, record.sManufacturerAddress, reference->AddressRefID,
                                 kManufacturerMessage);
    }
}

void COrvanHandler::DoImportSoftware(model::ProcessingInfo* pProcessingInfo) {
    const model::Software* software = pProcessingInfo->Software;
    if (!ORVAN_ASSERT(software != nullptr)) {
        return;
    }
    structOrvanSoftware& record = f_psOrvanOnePatientComm->sProcessingInfo.sSoftware;
    record.bstrName = ToRecordText(software->Name);
    record.bstrVersion = ToRecordText(software->Version);
    record.bstrCopyright = ToRecordText(software->Copyright);
    // A missing manufacturer is normal and reported by nothing.
    if (software->ManufacturerAddress != nullptr && software->ManufacturerAddress->AddressRefID != nullptr) {
        DoImportAddress(software->ManufacturerAddress->AddressRefID, &record.sManufacturerAddress);
    }
    orvan::platform::DebugTrace(L"Software: '%s' '%s'\n", record.bstrName, record.bstrVersion);
}

void COrvanHandler::DoExportPatientInfo(OrvanStructure* pOrvanStructure, model::PatientInfo* pPatientInfo) {
    const structOrvanPatientInfo& patient = f_psOrvanOnePatientComm->sPatientInfo;
    pPatientInfo->ID = WidenId(patient.lID);
    model::PatientAddress* personal = pPatientInfo->NewPatientAddress();
    if (!ORVAN_ASSERT(personal != nullptr)) {
        return;
    }
    const structOrvanPatientAddress& record = patient.sPatientAddress;
    personal->PatientID = record.lPatientID;
    personal->StatusType = static_cast<model::EnumStatusType>(record.nStatusType);
    personal->BirthDate = ToLibraryDate(record.dtBirthDate);
    personal->Ssn = ToLibraryText(record.bstrSsn);
    personal->Profession = ToLibraryText(record.bstrProfession);
    personal->Nationality = ToLibraryText(record.bstrNationality);
    personal->Denomination = ToLibraryText(record.bstrDenomination);
    personal->HmoAffiliation = ToLibraryText(record.bstrHmoAffiliation);
    personal->Language = ToLibraryText(record.bstrLanguage);
    personal->Ethnicity = static_cast<model::EnumEthnicity>(record.nEthnicity);
    personal->MaritalStatus = static_cast<model::EnumMaritalStatus>(record.nMaritalStatus);
    if (!ORVAN_ASSERT(!record.sAddress.bstrFamilyname.empty())) {
        return;  // the patient address has no address
    }
    DoExportAddressReference(pOrvanStructure, record.sAddress, personal->AddressRefID, kPatientMessage);
}

void COrvanHandler::DoImportPatientInfo(OrvanStructure*, model::PatientInfo* pPatientInfo) {
    structOrvanPatientInfo& patient = f_psOrvanOnePatientComm->sPatientInfo;
    patient.lID = LowBits(pPatientInfo->ID);
    model::PatientAddress* personal = pPatientInfo->PatientAddress;
    if (!ORVAN_ASSERT(personal != nullptr)) {
        return;
    }
    structOrvanPatientAddress& record = patient.sPatientAddress;
    record.lPatientID = personal->PatientID;
    record.nStatusType = static_cast<std::int32_t>(personal->StatusType);
    if (personal->BirthDate) {
        record.dtBirthDate = ToRecordDate(*personal->BirthDate);
    }
    record.bstrSsn = ToRecordText(personal->Ssn);
    record.bstrProfession = ToRecordText(personal->Profession);
    record.bstrNationality = ToRecordText(personal->Nationality);
    record.bstrDenomination = ToRecordText(personal->Denomination);
    record.bstrHmoAffiliation = ToRecordText(personal->HmoAffiliation);
    record.bstrLanguage = ToRecordText(personal->Language);
    record.nEthnicity = static_cast<std::int32_t>(personal->Ethnicity);
    record.nMaritalStatus = static_cast<std::int32_t>(personal->MaritalStatus);
    if (Address* address = ReferencedAddress(personal, kPatientMessage, f_listener)) {
        DoImportAddress(address, &record.sAddress);
        DoTraceAddress(address);
    }
}

void COrvanHandler::DoExportKg(OrvanStructure* pOrvanStructure, model::Kg* pKG) {
    if (!ORVAN_ASSERT(pKG != nullptr)) {
        return;
    }
    DoExportDiagnosis(pOrvanStructure, pKG);
    DoExportMedication(pOrvanStructure, pKG);
}

void COrvanHandler::DoImportKg(OrvanStructure* pOrvanStructure, model::Kg* pKG) {
    if (!ORVAN_ASSERT(pKG != nullptr)) {
        return;
    }
    DoImportMedication(pOrvanStructure, pKG);
    DoImportDiagnosis(pOrvanStructure, pKG);
}
