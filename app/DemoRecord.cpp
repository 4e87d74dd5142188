// The demonstration communication that Export writes.
#include <string_view>

#include "app/OrvanCommands.h"
#include "platform/Calendar.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/FileCalls.h"
#include "platform/FileSystem.h"
#include "platform/System.h"
#include "platform/Utf8.h"

namespace orvan::app {
namespace {

// Creates the attachment source, readable by its owner only, holding one line
// when it came out empty. False when it could not be created.
bool CreateAttachmentSource(const std::wstring& path) {
    const int descriptor = platform::CreateNewFile(path);
    if (descriptor < 0) {
        return false;
    }
    constexpr std::string_view kLine = "sample for attachment\n";
    const bool written = platform::WriteSome(descriptor, kLine.data(), kLine.size()) == std::int64_t(kLine.size());
    return platform::CloseFile(descriptor) == 0 && written;
}

}  // namespace

void COrvanCommands::FillOrvanOnePatientCommStruct(structOrvanOnePatientComm& record) {
    record.Reset();
    const double now = platform::CurrentOleDate();

    record.sArchive.bstrOrvanId =
        L"2.16.756.5.30.1.917.1.10." + std::to_wstring(static_cast<std::int32_t>(platform::GetTickCount()));
    record.sArchive.bstrTitle = L"Orvan Demo-Export: OrvanOnePatientComm";
    record.sArchive.bstrLanguage = L"de";

    auto& processing = record.sProcessingInfo;
    processing.dtDate = now;
    structOrvanAddress& author = processing.sAuthorAddress;
    author.lID = ++m_lLastAddressID;
    author.nAddressType = eAddressTypeCompany;
    author.bstrFamilyname = L"Muster Software AG";
    author.bstrPobox = L"";
    author.bstrStreet = L"Musterweg 12";
    author.bstrZip = L"9999";
    author.bstrCity = L"Musterdorf";
    author.bstrCountry = L"CH";
    author.bstrOnline3 = author.bstrOnline4 = L"https://www.muster-software.example";
    author.bstrOnline1 = L"info@muster-software.example";
    author.bstrOnline2 = L"support@muster-software.example";
    processing.sRecipientAddress = author;
    processing.sRecipientAddress.lID = ++m_lLastAddressID;
    processing.sSoftware.bstrName = L"DemoPraxis";
    processing.sSoftware.bstrVersion = L"3.0";
    processing.sSoftware.bstrCopyright = L"Copyright (C) Muster Software AG";
    processing.sSoftware.sManufacturerAddress = author;
    processing.sSoftware.sManufacturerAddress.lID = ++m_lLastAddressID;

    auto& patient = record.sPatientInfo;
    structOrvanAddress& person = patient.sPatientAddress.sAddress;
    person.lID = ++m_lLastAddressID;
    person.nAddressType = eAddressTypePerson;
    person.bstrFamilyname = L"Muster";
    person.bstrFirstname = L"Max";
    person.bstrPobox = L"";
    person.bstrStreet = author.bstrStreet;
    person.bstrZip = author.bstrZip;
    person.bstrCity = author.bstrCity;
    person.bstrCountry = L"CH";
    patient.lID = 111;
    auto& personal = patient.sPatientAddress;
    personal.lAddressRefID = person.lID;
    personal.lPatientID = 111;
    personal.nStatusType = 0;
    personal.dtBirthDate = platform::OleDateFromCalendar(1970, 6, 15);
    personal.bstrLanguage = L"de";
    personal.nEthnicity = 0;
    personal.nMaritalStatus = 1;

    std::int32_t diagnoses = 0;
    structOrvanDiagnosis diagnosis;
    diagnosis.bstrCodingEntryCode = L"";
    diagnosis.bstrCodingEntryName = L"Meine Diganose";
    diagnosis.nCodingType = 4;
    diagnosis.dtDate = platform::OleDateFromCalendar(2010, 3, 15);
    diagnosis.lID = ++diagnoses;
    diagnosis.lParentID = 0;
    diagnosis.nIsActive = 0;
    diagnosis.bstrName = L"Meine Diganose";
    patient.sKg.mapDiagnosis[0] = {diagnosis};

    std::int32_t medications = 0;
    structOrvanMedication medication;
    medication.bstrCodingEntryCode = L"1234567";
    medication.bstrCodingEntryName = L"EXAMPLIN Plv 500 mg Btl 20 Stk";
    medication.nCodingType = 0;
    medication.dtDate = platform::OleDateFromCalendar(2010, 3, 15);
    medication.lID = ++medications;
    medication.nIsActive = 0;
    medication.bstrName = medication.bstrCodingEntryName;
    structOrvanPosology posology;
    posology.dtDateBegin = medication.dtDate;
    posology.bstrRemark = L"bei bdearf";
    medication.vecPosology.push_back(posology);
    patient.sKg.vecMedication.push_back(medication);

    const std::wstring attachment = GetProgPath() + kAttachmentSource;
    platform::DebugTrace(L"%ls\n", attachment);
    if (!platform::GetFileStatus(attachment)) {
        ORVAN_ASSERT(CreateAttachmentSource(attachment));
    }
    const auto status = platform::GetFileStatus(attachment);
    if (!status) {
        return;  // no attachment: no document tree
    }
    structOrvanDocumentTree tree;
    tree.bstrName = L"documents";
    structOrvanDocumentLeaf leaf;
    leaf.bstrComment = L"dies ist ein Kommentar";
    leaf.dtDate = now;
    leaf.lDocumentRefID = 1;
    leaf.bstrName = L"mein Titel";
    leaf.sDocument.bstrFilename = attachment;
    leaf.sDocument.lID = 1;
    leaf.sDocument.bstrMimeType = L"text/plain";
    leaf.sDocument.lSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(status->size));
    tree.mapDocumentLeaf[1] = {leaf};
    patient.vecDocumentTree.push_back(tree);
}

}  // namespace orvan::app
