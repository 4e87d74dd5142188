#pragma once

#include <array>
#include <string>

#include "platform/FileSystem.h"
#include "record/OrvanOnePatientComm.h"

// The records tests build: the demonstration record's diagnosis and
// medication, and records whose every field holds a value other than its
// reset value.
namespace orvan::record::testing {

// Every text of an address, in the order the record declares them.
template <typename Address>  // const or not
auto AddressTexts(Address& a) {
    return std::array{&a.bstrTitle, &a.bstrSalutation, &a.bstrFamilyname, &a.bstrMaidenname, &a.bstrFirstname,
                      &a.bstrStreet, &a.bstrSubaddress, &a.bstrPobox, &a.bstrZip, &a.bstrCity, &a.bstrCanton,
                      &a.bstrCountry, &a.bstrSpecialty1, &a.bstrSpecialty2, &a.bstrPhone1, &a.bstrPhone2,
                      &a.bstrPhone3, &a.bstrPhone4, &a.bstrPhone5, &a.bstrPhone6, &a.bstrOnline1, &a.bstrOnline2,
                      &a.bstrOnline3, &a.bstrOnline4, &a.bstrIdentificator1, &a.bstrIdentificator2,
                      &a.bstrIdentificator3, &a.bstrIdentificator4};
}

// The diagnosis and the medication as the demonstration record holds them.
inline structOrvanDiagnosis DemoDiagnosis() {
    structOrvanDiagnosis d;
    d.bstrCodingEntryName = d.bstrName = L"Meine Diganose";
    d.nCodingType = 4;
    d.dtDate = 40252.0;  // 2010-03-15
    d.lID = 1;
    d.nIsActive = 0;
    return d;
}

inline structOrvanMedication DemoMedication() {
    structOrvanMedication m;
    m.bstrCodingEntryCode = L"1234567";
    m.bstrCodingEntryName = m.bstrName = L"EXAMPLIN Plv 500 mg Btl 20 Stk";
    m.nCodingType = 0;
    m.dtDate = 40252.0;  // 2010-03-15
    m.lID = 1;
    m.nIsActive = 0;
    structOrvanPosology p;
    p.dtDateBegin = m.dtDate;
    p.bstrRemark = L"bei bdearf";
    m.vecPosology = {p};
    return m;
}

// A company address whose texts are "text<id>.1" to "text<id>.28".
inline structOrvanAddress FilledAddress(int id) {
    structOrvanAddress a;
    a.lID = id;
    a.nAddressType = eAddressTypeCompany;
    a.nSex = 1;
    int n = 0;
    for (std::wstring* text : AddressTexts(a)) {
        *text = L"text" + std::to_wstring(id) + L"." + std::to_wstring(++n);
    }
    return a;
}

// The demonstration medication with two equal posologies of every value.
inline structOrvanMedication FilledMedication() {
    structOrvanMedication m = DemoMedication();
    m.lReserved = 9;
    m.nIsChronic = 1;
    m.bstrShortName = L"EX";
    structOrvanPosology p = m.vecPosology[0];
    p.dtDateEnd = 40300.5;
    p.lReserved = 3;
    p.dQuantityMorning = 1.0;
    p.dQuantityNoon = 0.5;
    p.dQuantityEvening = 2.0;
    p.dQuantityNight = 0.25;
    m.vecPosology = {p, p};
    return m;
}

// One tree of two leaves that show one attachment.
inline structOrvanDocumentTree FilledTree() {
    structOrvanDocumentLeaf leaf;
    leaf.bstrName = L"mein Titel";
    leaf.bstrComment = L"Kommentar";
    leaf.dtDate = 44000.25;
    leaf.lDocumentRefID = 1;
    // An absolute path on either system.
    leaf.sDocument.bstrFilename = orvan::platform::kPathSeparator == L'/' ? L"/data/a.txt" : L"C:\\data\\a.txt";
    leaf.sDocument.lID = 1;
    leaf.sDocument.bstrMimeType = L"text/plain";
    leaf.sDocument.lSize = 23;
    leaf.sDocument.sProducerAddress = FilledAddress(9);
    structOrvanDocumentTree tree;
    tree.lID = 4;
    tree.bstrName = L"documents";
    tree.mapDocumentLeaf[1] = {leaf, leaf};
    return tree;
}

// A root in which every field, at every depth, holds a value other than its reset value.
inline structOrvanOnePatientComm FilledRoot() {
    structOrvanOnePatientComm r;
    r.sArchive = {L"2.16.1", L"2.16.0", L"Titel", L"fr"};
    r.sProcessingInfo.dtDate = 44000.5;
    r.sProcessingInfo.bstrTitle = L"Bericht";
    r.sProcessingInfo.sAuthorAddress = FilledAddress(1);
    r.sProcessingInfo.sRecipientAddress = FilledAddress(2);
    r.sProcessingInfo.sSoftware = {L"DemoPraxis", L"3.0", L"(c) Muster", FilledAddress(3)};
    auto& patient = r.sPatientInfo;
    patient.lID = 111;
    patient.sPatientAddress = {4, 111, 1, 25000.0, L"756.1", L"Arzt", L"CH", L"rk",
                               L"KK", L"it", 0, 1, FilledAddress(4)};
    structOrvanDiagnosis diagnosis = DemoDiagnosis();
    diagnosis.bstrCodingEntryCode = L"A00";
    diagnosis.bstrShortName = L"MD";
    patient.sKg.mapDiagnosis[0] = {diagnosis};
    diagnosis.lID = 2;
    diagnosis.lParentID = 1;
    patient.sKg.mapDiagnosis[1] = {diagnosis};
    patient.sKg.vecMedication = {FilledMedication()};
    patient.vecDocumentTree = {FilledTree()};
    r.vecDocument = {FilledTree().mapDocumentLeaf[1][0].sDocument};
    r.vecAddress = {FilledAddress(5)};
    return r;
}

}  // namespace orvan::record::testing
