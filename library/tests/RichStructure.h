#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>

#include "ArchiveTestSupport.h"
#include "library/model/OrvanStructure.h"
#include "platform/Utf8.h"

namespace orvan::library::testing {

namespace model = Dorv::Orvan::Framework::Common::Classes::fullORVAN;
using Dorv::Orvan::Framework::Common::DateTime;

// Texts that XML cannot carry as they are, or that readers like to change.
inline const std::wstring kAwkwardText = std::wstring(L"ctl\x01\x1f|cr\r\nlf|tab\t|") +
                                         static_cast<wchar_t>(0xFFFE) + static_cast<wchar_t>(0xD800) +
                                         L"|\U0001F600|<&>\"'|back\\slash\\1;|" + std::wstring(1, L'\0') + L"end";

// A structure that uses every class and every kind of property, with edge
// values: texts empty, missing and awkward; IDs beyond 32 bits and negative;
// enumeration numbers outside the named values; NaN, infinities and -0.0;
// the smallest and largest date-times; nil members of lists; references to
// siblings and to the referring object itself; attachments of 0 bytes, of
// text and of binary data with a non-ASCII name.
inline std::unique_ptr<model::OrvanStructure> MakeRichStructure(const std::filesystem::path& folder) {
    auto s = std::make_unique<model::OrvanStructure>(L"2.16.756.5.30.1.917.1.10.42");
    auto* code = s->NewGlobalDefinitions()->NewCodingEntry();
    code->Code = L"A_B";
    code->Name = kAwkwardText;
    auto* empty = s->NewGlobalDefinitions()->NewCodingEntry();
    empty->Code = L"";  // empty, Name missing

    auto* company = s->NewAddress();
    company->ID = (std::int64_t{1} << 32) + 5;
    company->NewCompany()->Name = L"Muster & Söhne <AG>";
    company->Company->Department = L"  spaces kept  ";
    auto* postal = company->NewPostal();
    postal->Zip = L"9999";
    postal->Country = L"CH";
    auto* phone = company->NewTelecom();
    phone->OriginType = static_cast<model::EnumOriginType>(-7);
    phone->PhoneType = static_cast<model::EnumPhoneType>(std::numeric_limits<std::int32_t>::max());
    phone->PhoneNumber = L"+41 00 000 00 00";
    company->Telecom.Add(nullptr);
    company->NewOnline()->OnlineAddress = L"https://example.invalid/ä";
    auto* identificator = company->NewIdentificators();
    identificator->IdentificatorType = static_cast<model::EnumIdentificatorType>(std::numeric_limits<std::int32_t>::min());
    identificator->Identificator = L"7601000000000";

    auto* person = s->NewAddress();
    person->ID = -1;
    auto* p = person->NewPerson();
    p->Familyname = L"Muster";
    p->Firstname = L"";
    p->Sex = static_cast<model::EnumSex>(99);
    p->Specialty.Add(L"Allgemeinmedizin");
    p->Specialty.Add(std::nullopt);
    p->Specialty.Add(L"");
    person->NewCompany()->Name = L"both person and company";

    auto* processing = s->NewProcessingInfo();
    processing->Date = DateTime::FromFields({1, 1, 1, 0, 0, 0, 0});
    processing->Title = kAwkwardText;
    processing->NewAuthorAddress()->AddressRefID = company;
    processing->NewRecipientAddress()->AddressRefID = company;  // two references, one address
    auto* software = processing->NewSoftware();
    software->Name = L"DemoPraxis";
    software->Version = L"3.0";
    software->NewManufacturerAddress();  // a reference without address

    for (std::int64_t id : {std::numeric_limits<std::int64_t>::min(), std::int64_t{1} << 40}) {
        auto* patient = s->NewPatientInfo();
        patient->ID = id;
        auto* personal = patient->NewPatientAddress();
        personal->PatientID = std::numeric_limits<std::int32_t>::min();
        personal->StatusType = static_cast<model::EnumStatusType>(-1);
        personal->BirthDate = DateTime::FromFields({9999, 12, 31, 23, 59, 59, 999});
        personal->Language = L"de";
        personal->AddressRefID = person;
    }
    s->PatientInfo.Add(nullptr);

    auto* kg = s->PatientInfo[0]->NewKg();
    auto* parent = kg->NewDiagnosis();
    parent->CodingEntryPtr = code;
    parent->CodingType = static_cast<model::EnumCodingType>(12345);
    parent->Date = DateTime::FromFields({2010, 3, 15, 0, 0, 0, 0});
    parent->ID = 1;
    parent->IsActive = false;
    parent->Name = L"Meine Diganose";
    auto* child = kg->NewDiagnosis();
    child->CodingEntryPtr = empty;
    child->ID = -(std::int64_t{1} << 35);
    child->IsActive = true;
    parent->DiagnosisPtr.Add(child);
    parent->DiagnosisPtr.Add(nullptr);
    child->DiagnosisPtr.Add(child);  // refers to itself
    auto* medication = kg->NewMedication();
    medication->CodingEntryPtr = code;
    medication->IsChronic = false;
    const double quantities[][4] = {
        {std::numeric_limits<double>::quiet_NaN(), -0.0, std::numeric_limits<double>::infinity(),
         -std::numeric_limits<double>::infinity()},
        {std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max(), 0.1, 1e-300},
    };
    for (const auto& q : quantities) {
        auto* posology = medication->NewPosology();
        posology->DateBegin = DateTime::FromFields({1700, 1, 1, 0, 0, 0, 0});
        posology->DateEnd = DateTime::FromFields({2024, 2, 29, 12, 30, 15, 250});
        posology->QuantityMorning = q[0];
        posology->QuantityNoon = q[1];
        posology->QuantityEvening = q[2];
        posology->QuantityNight = q[3];
        posology->Remark = L"bei bdearf";
    }
    medication->NewPosology()->QuantityMorning = std::bit_cast<double>(0xFFF4000000000001ull);  // a NaN's payload
    medication->Posology.Add(nullptr);  // a nil member of a class with a required property
    kg->NewMedication();  // everything unset

    WriteFile(folder / "text.txt", "sample for attachment\n");
    WriteFile(folder / "empty.txt", "");
    std::string binary;
    for (int i = 0; i < 300000; ++i) {
        binary += static_cast<char>((i * 7919) ^ (i >> 3));
    }
    // Names spelled in UTF-8 become paths through the platform's conversion,
    // the same on every system.
    const auto in = [&](const char* name) { return folder / orvan::platform::ToPath(orvan::platform::FromUtf8(name)); };
    WriteFile(in("Bericht Müller \xF0\x9F\x98\x80.bin"), binary);
    model::Document* documents[3];
    int index = 0;
    for (const char* name : {"text.txt", "empty.txt", "Bericht Müller \xF0\x9F\x98\x80.bin"}) {
        auto* document = documents[index++] = s->NewDocument();
        document->ID = index * 1000;
        document->ImportFile(orvan::platform::FromPath(in(name)));
    }
    documents[0]->NewProducerAddress()->AddressRefID = person;
    s->NewDocument()->ID = 4;  // a document without content

    auto* tree = s->PatientInfo[1]->NewDocumentTree();
    tree->Name = L"documents";
    for (model::Document* document : documents) {
        auto* leaf = tree->NewDocumentLeaf();
        leaf->Name = L"mein Titel";
        leaf->Comment = L"dies ist ein Kommentar";
        leaf->Date = DateTime::FromFields({2024, 1, 1, 8, 0, 0, 1});
        leaf->DocumentRefID = document;
    }
    tree->NewDocumentLeaf()->DocumentRefID = documents[0];  // two leaves, one document
    tree->DocumentLeaf.Add(nullptr);
    auto* subtree = tree->NewDocumentTree();
    subtree->Name = L"sub";
    subtree->NewDocumentTree()->NewDocumentLeaf()->DocumentRefID = documents[2];
    return s;
}

}  // namespace orvan::library::testing
