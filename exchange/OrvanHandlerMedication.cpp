// Medications with their posologies.
#include <algorithm>

#include "exchange/ExchangeValues.h"
#include "exchange/OrvanHandler.h"
#include "platform/DebugAssert.h"

using namespace orvan::exchange;

void COrvanHandler::DoExportMedication(OrvanStructure* pOrvanStructure, model::Kg* pKG) {
    for (const structOrvanMedication& record : f_psOrvanOnePatientComm->sPatientInfo.sKg.vecMedication) {
        // The coding entry comes first here, whereas a diagnosis is made before its entry.
        model::CodingEntry* entry =
            FindOrCreateCodingEntry(pOrvanStructure, record.bstrCodingEntryCode, record.bstrCodingEntryName);
        if (entry == nullptr) {
            return;
        }
        model::Medication* medication = pKG->NewMedication();
        if (!ORVAN_ASSERT(medication != nullptr)) {
            return;
        }
        medication->CodingEntryPtr = entry;
        medication->CodingType = static_cast<model::EnumCodingType>(record.nCodingType);
        medication->Date = ToLibraryDate(record.dtDate);
        medication->ID = WidenId(record.lID);
        if (record.nIsActive != -1) {
            medication->IsActive = ToLibraryFlag(record.nIsActive);
        }
        if (record.nIsChronic != -1) {
            medication->IsChronic = ToLibraryFlag(record.nIsChronic);
        }
        medication->Name = ToLibraryText(record.bstrName);
        medication->ShortName = ToLibraryText(record.bstrShortName);
        for (const structOrvanPosology& line : record.vecPosology) {
            if (!ORVAN_ASSERT(IsValidDate(line.dtDateBegin))) {
                continue;
            }
            model::Posology* posology = medication->NewPosology();
            if (!ORVAN_ASSERT(posology != nullptr)) {
                return;
            }
            posology->DateBegin = ToLibraryDate(line.dtDateBegin);
            if (IsValidDate(line.dtDateEnd)) {
                posology->DateEnd = ToLibraryDate(line.dtDateEnd);
            }
            posology->QuantityMorning = line.dQuantityMorning;
            posology->QuantityNoon = line.dQuantityNoon;
            posology->QuantityEvening = line.dQuantityEvening;
            posology->QuantityNight = line.dQuantityNight;
            posology->Remark = ToLibraryText(line.bstrRemark);
        }
    }
}

void COrvanHandler::DoImportMedication(OrvanStructure*, model::Kg* pKG) {
    if (!ORVAN_ASSERT(pKG != nullptr)) {
        return;
    }
    auto& medications = f_psOrvanOnePatientComm->sPatientInfo.sKg.vecMedication;
    // Room for all at once, but still growing by doubling when many patients add a few each.
    if (const std::size_t needed = medications.size() + pKG->Medication.Count(); needed > medications.capacity()) {
        medications.reserve(std::max(needed, 2 * medications.capacity()));
    }
    for (model::Medication* medication : pKG->Medication) {
        if (ORVAN_ASSERT(medication != nullptr)) {
            DoImportOneMedication(*medication);
        }
    }
}

void COrvanHandler::DoImportOneMedication(model::Medication& medication) {
    structOrvanMedication record;
    if (ORVAN_ASSERT(medication.CodingEntryPtr != nullptr)) {
        record.bstrCodingEntryCode = ToRecordText(medication.CodingEntryPtr->Code);
        record.bstrCodingEntryName = ToRecordText(medication.CodingEntryPtr->Name);
    }
    record.nCodingType = static_cast<std::int32_t>(medication.CodingType);
    if (medication.Date) {
        record.dtDate = ToRecordDate(*medication.Date);
    }
    record.lID = LowBits(medication.ID);
    record.nIsActive = ToRecordFlag(medication.IsActive);
    record.nIsChronic = ToRecordFlag(medication.IsChronic);
    record.bstrName = TakeRecordText(medication.Name);
    record.bstrShortName = TakeRecordText(medication.ShortName);
    record.vecPosology.reserve(medication.Posology.Count());
    for (model::Posology* posology : medication.Posology) {
        // A missing member carries nothing to keep; it is skipped like one of the list itself.
        if (!ORVAN_ASSERT(posology != nullptr)) {
            continue;
        }
        structOrvanPosology line;
        line.dtDateBegin = ToRecordDate(posology->DateBegin);
        if (posology->DateEnd) {
            line.dtDateEnd = ToRecordDate(*posology->DateEnd);
        }
        line.dQuantityMorning = posology->QuantityMorning.value_or(0.0);
        line.dQuantityNoon = posology->QuantityNoon.value_or(0.0);
        line.dQuantityEvening = posology->QuantityEvening.value_or(0.0);
        line.dQuantityNight = posology->QuantityNight.value_or(0.0);
        line.bstrRemark = TakeRecordText(posology->Remark);
        record.vecPosology.push_back(std::move(line));
    }
    if (record.vecPosology.empty()) {
        record.vecPosology.emplace_back();
    }
    f_psOrvanOnePatientComm->sPatientInfo.sKg.vecMedication.push_back(std::move(record));
}
