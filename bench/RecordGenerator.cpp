#include "RecordGenerator.h"

#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "platform/Utf8.h"

namespace orvan::bench {
namespace {

std::size_t Scaled(double scale, std::size_t full) {
    return std::max<std::size_t>(1, static_cast<std::size_t>(static_cast<double>(full) * scale));
}

structOrvanAddress Address(std::int32_t id) {
    structOrvanAddress a;
    a.lID = id;
    a.nAddressType = id % 3 == 0 ? eAddressTypeCompany : eAddressTypePerson;
    a.bstrFamilyname = L"Muster " + std::to_wstring(id);
    a.bstrFirstname = L"Max";
    a.bstrStreet = L"Musterweg " + std::to_wstring(id % 100);
    a.bstrZip = L"9999";
    a.bstrCity = L"Musterdorf";
    a.bstrCountry = L"CH";
    a.bstrPhone2 = L"+41 00 000 00 00";
    a.bstrOnline1 = L"info@muster.example";
    return a;
}

// Writes the file unless it is there with its size already.
void WriteAttachment(const std::filesystem::path& path, bool text, std::mt19937_64& random) {
    constexpr std::size_t kSize = 1 << 20;
    if (std::filesystem::exists(path) && std::filesystem::file_size(path) == kSize) {
        return;
    }
    std::string content(kSize, '\0');
    if (text) {
        static const std::string line = "Befund: keine Auffaelligkeiten, Kontrolle in sechs Monaten empfohlen.\n";
        for (std::size_t i = 0; i < kSize; ++i) {
            content[i] = line[(i + (i / line.size()) * 7) % line.size()];
        }
    } else {
        for (std::size_t i = 0; i < kSize; i += 8) {
            const std::uint64_t word = random();
            std::memcpy(content.data() + i, &word, 8);
        }
    }
    std::ofstream(path, std::ios::binary) << content;
}

// The record of the unusual shapes below: one patient, nothing but diagnoses.
structOrvanOnePatientComm DiagnosesOnly() {
    structOrvanOnePatientComm r;
    r.sArchive.bstrOrvanId = L"2.16.756.5.30.1.917.1.10.2";
    r.sProcessingInfo.dtDate = 45000.5;
    r.sProcessingInfo.sAuthorAddress = Address(1);
    r.sProcessingInfo.sRecipientAddress = Address(2);
    r.sProcessingInfo.sSoftware = {L"Bench", L"1.0", L"-", Address(3)};
    r.sPatientInfo.lID = 111;
    r.sPatientInfo.sPatientAddress.sAddress = Address(4);
    return r;
}

structOrvanDiagnosis Diagnosis(std::int32_t id, std::wstring code, std::wstring name) {
    structOrvanDiagnosis d;
    d.bstrCodingEntryCode = std::move(code);
    d.bstrCodingEntryName = std::move(name);
    d.nCodingType = 4;
    d.dtDate = 40000.0;
    d.lID = id;
    d.bstrName = L"Diagnose " + std::to_wstring(id);
    return d;
}

}  // namespace

structOrvanOnePatientComm GenerateLadderRecord(int levels) {
    structOrvanOnePatientComm r = DiagnosesOnly();
    for (std::int32_t key = 0; key < levels; ++key) {
        const structOrvanDiagnosis rung = Diagnosis(key + 1, L"L" + std::to_wstring(key), L"Stufe");
        r.sPatientInfo.sKg.mapDiagnosis[key] = {rung, rung};
    }
    return r;
}

structOrvanOnePatientComm GenerateCollidingKeyRecord(int count) {
    structOrvanOnePatientComm r = DiagnosesOnly();
    auto& list = r.sPatientInfo.sKg.mapDiagnosis[0];
    for (int i = 0; i < count; ++i) {
        const auto underscores = [](int n) { return std::wstring(static_cast<std::size_t>(n), L'_'); };
        list.push_back(Diagnosis(i + 1, underscores(i), underscores(count - 1 - i)));
    }
    return r;
}

structOrvanOnePatientComm GenerateRecord(double scale, const std::filesystem::path& folder) {
    structOrvanOnePatientComm r;
    r.sArchive.bstrOrvanId = L"2.16.756.5.30.1.917.1.10.1";
    r.sArchive.bstrTitle = L"Benchmark record";
    r.sProcessingInfo.dtDate = 45000.5;
    r.sProcessingInfo.sAuthorAddress = Address(1);
    r.sProcessingInfo.sRecipientAddress = Address(2);
    r.sProcessingInfo.sSoftware = {L"Bench", L"1.0", L"-", Address(3)};
    auto& patient = r.sPatientInfo;
    patient.lID = 111;
    patient.sPatientAddress.lPatientID = 111;
    patient.sPatientAddress.sAddress = Address(4);

    // Diagnoses: runs of siblings of 1 to 8 under parents of depth 1 to 6.
    const std::size_t diagnoses = Scaled(scale, 100'000);
    std::vector<std::int32_t> parents{0};
    for (std::size_t i = 1; i <= diagnoses; ++i) {
        const std::int32_t parent = parents[(i * 2654435761u) % parents.size()];
        structOrvanDiagnosis d;
        d.bstrCodingEntryCode = L"A" + std::to_wstring(i % 997);
        d.bstrCodingEntryName = L"Diagnose " + std::to_wstring(i % 997);
        d.nCodingType = 4;
        d.dtDate = 40000.0 + static_cast<double>(i % 5000);
        d.lID = static_cast<std::int32_t>(i);
        d.lParentID = parent;
        d.nIsActive = static_cast<std::int32_t>(i % 2);
        d.bstrName = L"Meine Diagnose " + std::to_wstring(i);
        patient.sKg.mapDiagnosis[parent].push_back(d);
        if (i % 3 == 0 && parents.size() < 4096) {
            parents.push_back(d.lID);
        }
    }
    const std::size_t medications = Scaled(scale, 100'000);
    for (std::size_t i = 1; i <= medications; ++i) {
        structOrvanMedication m;
        m.bstrCodingEntryCode = std::to_wstring(1'000'000 + i % 5000);
        m.bstrCodingEntryName = L"EXAMPLIN Plv 500 mg Btl " + std::to_wstring(i % 5000);
        m.nCodingType = 0;
        m.dtDate = 40252.0;
        m.lID = static_cast<std::int32_t>(i);
        m.nIsActive = 1;
        m.bstrName = m.bstrCodingEntryName;
        for (int k = 0; k < 3; ++k) {
            structOrvanPosology p;
            p.dtDateBegin = 40252.0 + k;
            p.dQuantityMorning = 1.0;
            p.dQuantityEvening = 0.5;
            p.bstrRemark = L"bei Bedarf";
            m.vecPosology.push_back(p);
        }
        patient.sKg.vecMedication.push_back(m);
    }

    std::filesystem::create_directories(folder);
    std::mt19937_64 random(42);
    const std::size_t binary = Scaled(scale, 1000);
    const std::size_t text = Scaled(scale, 256);
    std::vector<structOrvanDocument> documents;
    for (std::size_t i = 0; i < binary + text; ++i) {
        const bool isText = i >= binary;
        const auto path = folder / ((isText ? "report-" : "scan-") + std::to_string(i) + (isText ? ".txt" : ".bin"));
        WriteAttachment(path, isText, random);
        structOrvanDocument d;
        d.bstrFilename = platform::FromPath(path);
        d.lID = static_cast<std::int32_t>(i + 1);
        d.sProducerAddress = Address(static_cast<std::int32_t>(100 + i));
        documents.push_back(d);
    }
    const std::size_t trees = Scaled(scale, 1000);
    const std::size_t leaves = Scaled(scale, 10'000);
    patient.vecDocumentTree.resize(trees);
    for (std::size_t t = 0; t < trees; ++t) {
        patient.vecDocumentTree[t].bstrName = L"Ordner " + std::to_wstring(t);
    }
    for (std::size_t i = 0; i < leaves; ++i) {
        structOrvanDocumentLeaf leaf;
        leaf.bstrName = L"Eintrag " + std::to_wstring(i);
        leaf.dtDate = 45000.0;
        leaf.sDocument = documents[i % documents.size()];
        patient.vecDocumentTree[i % trees].mapDocumentLeaf[1].push_back(leaf);
    }
    return r;
}

}  // namespace orvan::bench
