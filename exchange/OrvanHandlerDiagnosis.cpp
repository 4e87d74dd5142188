// Diagnoses with their hierarchy, and the coding entries that diagnoses and
// medications share.
#include <set>

#include "exchange/ExchangeValues.h"
#include "exchange/OrvanHandler.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"

using namespace orvan::exchange;

std::wstring COrvanHandler::BuildCodingEntryKey(const std::wstring& strCodingEntryCode,
                                                const std::wstring& strCodingEntryName) const {
    return strCodingEntryCode + L"_" + strCodingEntryName;
}

// Two records share an entry only when code and name are both equal: the key
// alone would let "A_B"/"C" and "A"/"B_C" meet. One ordered lookup by both
// texts finds the entry however many pairs spell the same key.
model::CodingEntry* COrvanHandler::FindOrCreateCodingEntry(OrvanStructure* pOrvanStructure, const std::wstring& strCode,
                                                           const std::wstring& strName) {
    // Texts end at their first NUL on their way into the library.
    auto [slot, isNew] = f_mapCodingEntry.try_emplace({*ToLibraryText(strCode), *ToLibraryText(strName)}, nullptr);
    if (!isNew && slot->second != nullptr) {
        return slot->second;
    }
    model::GlobalDefinitions* definitions = pOrvanStructure->NewGlobalDefinitions();
    if (!ORVAN_ASSERT(definitions != nullptr)) {
        return nullptr;
    }
    model::CodingEntry* entry = definitions->NewCodingEntry();
    if (!ORVAN_ASSERT(entry != nullptr)) {
        return nullptr;
    }
    entry->Code = slot->first.first;
    entry->Name = slot->first.second;
    slot->second = entry;
    return entry;
}

void COrvanHandler::DoExportDiagnosis(OrvanStructure* pOrvanStructure, model::Kg* pKG) {
    if (!f_psOrvanOnePatientComm->sPatientInfo.sKg.mapDiagnosis.empty()) {
        DoRawExportDiagnosis(pOrvanStructure, pKG, 0, nullptr);
    }
}

// Depth first, each parent before its children, siblings in list order. The
// walk keeps its own stack, so a chain of any depth is safe, and enters each
// key at most once: repeated IDs can make the keys a cycle, or a ladder whose
// repeated walks would double with every level.
void COrvanHandler::DoRawExportDiagnosis(OrvanStructure* pOrvanStructure, model::Kg* pKG, const std::int32_t& lParentID,
                                         model::DiagnosisPtrCollection* pDiagnosisCollection) {
    const auto& map = f_psOrvanOnePatientComm->sPatientInfo.sKg.mapDiagnosis;
    struct Walk {
        std::int32_t key;
        const std::vector<structOrvanDiagnosis>* list;
        std::size_t next;
        model::DiagnosisPtrCollection* collection;
    };
    std::vector<Walk> stack;
    std::set<std::int32_t> entered;
    const auto enter = [&](std::int32_t key, model::DiagnosisPtrCollection* collection) {
        const auto found = map.find(key);
        if (found != map.end()) {
            stack.push_back(Walk{key, &found->second, 0, collection});
            entered.insert(key);
        }
    };
    enter(lParentID, pDiagnosisCollection);
    while (!stack.empty()) {
        Walk& walk = stack.back();
        if (walk.next == walk.list->size()) {
            stack.pop_back();
            continue;
        }
        const structOrvanDiagnosis& record = (*walk.list)[walk.next++];
        model::Diagnosis* diagnosis = pKG->NewDiagnosis();
        model::CodingEntry* entry = diagnosis ? FindOrCreateCodingEntry(pOrvanStructure, record.bstrCodingEntryCode,
                                                                        record.bstrCodingEntryName)
                                              : nullptr;
        if (!ORVAN_ASSERT(diagnosis != nullptr) || entry == nullptr) {
            walk.next = walk.list->size();  // this list stops; the enclosing one goes on
            continue;
        }
        diagnosis->CodingEntryPtr = entry;
        diagnosis->CodingType = static_cast<model::EnumCodingType>(record.nCodingType);
        diagnosis->Date = ToLibraryDate(record.dtDate);
        diagnosis->ID = WidenId(record.lID);
        if (record.nIsActive != -1) {
            diagnosis->IsActive = ToLibraryFlag(record.nIsActive);
        }
        diagnosis->Name = ToLibraryText(record.bstrName);
        diagnosis->ShortName = ToLibraryText(record.bstrShortName);
        if (walk.collection != nullptr) {
            walk.collection->Add(diagnosis);
        }
        if (record.lID != walk.key && ORVAN_ASSERT(!entered.contains(record.lID))) {
            enter(record.lID, &diagnosis->DiagnosisPtr);
        }
    }
}

void COrvanHandler::DoImportDiagnosis(OrvanStructure* pOrvanStructure, model::Kg* pKG) {
    if (!ORVAN_ASSERT(pKG != nullptr)) {
        return;
    }
    for (model::Diagnosis* diagnosis : pKG->Diagnosis) {
        if (ORVAN_ASSERT(diagnosis != nullptr)) {
            DoRawImportDiagnosis(pOrvanStructure, 0, diagnosis);
        }
    }
}

void COrvanHandler::DoRawImportDiagnosis(OrvanStructure*, std::int32_t, model::Diagnosis* pDiagnosis) {
    structOrvanDiagnosis record;
    if (!ORVAN_ASSERT(pDiagnosis->CodingEntryPtr != nullptr)) {
        return;
    }
    record.bstrCodingEntryCode = ToRecordText(pDiagnosis->CodingEntryPtr->Code);
    record.bstrCodingEntryName = ToRecordText(pDiagnosis->CodingEntryPtr->Name);
    record.nCodingType = static_cast<std::int32_t>(pDiagnosis->CodingType);
    if (pDiagnosis->Date) {
        record.dtDate = ToRecordDate(*pDiagnosis->Date);
    }
    record.lID = LowBits(pDiagnosis->ID);
    record.nIsActive = ToRecordFlag(pDiagnosis->IsActive);
    record.bstrName = TakeRecordText(pDiagnosis->Name);
    record.bstrShortName = TakeRecordText(pDiagnosis->ShortName);
    orvan::platform::DebugTrace(L"%ls\n", record.bstrName);

    std::vector<std::int32_t> children;
    for (const model::Diagnosis* child : pDiagnosis->DiagnosisPtr) {
        if (child != nullptr) {
            children.push_back(LowBits(child->ID));
        }
    }
    if (children.size() == 1) {
        // One reference: either this diagnosis belongs under the one referred
        // to, when that came first, or that one will be filed under this.
        const std::int32_t referred = children.front();
        f_mapDiagnosisImportParentID[referred] = record.lID;
        if (f_mapDiagnosisImportAddedID.contains(referred)) {
            record.lParentID = referred;
        }
    } else {
        // Several references are children: each is filed under this diagnosis,
        // in order. Itself among them would file it under its own ID, where no
        // export reaches it nor its children.
        for (const std::int32_t child : children) {
            if (ORVAN_ASSERT(child != record.lID)) {
                f_mapDiagnosisImportParentID[child] = record.lID;
            }
        }
    }
    if (const auto parent = f_mapDiagnosisImportParentID.find(record.lID);
        parent != f_mapDiagnosisImportParentID.end()) {
        record.lParentID = parent->second;
    }
    f_mapDiagnosisImportAddedID[record.lID] = record.lID;
    // The list for the key is made when it is missing.
    f_psOrvanOnePatientComm->sPatientInfo.sKg.mapDiagnosis[record.lParentID].push_back(std::move(record));
}
