#pragma once

#include <memory>
#include <string>

#include "PlatformCapture.h"
#include "exchange/OrvanHandler.h"
#include "library/model/OrvanStructure.h"

namespace model = Dorv::Orvan::Framework::Common::Classes::fullORVAN;

// Reaches the handler's private operations for the tests.
class COrvanHandlerTestAccess {
public:
    explicit COrvanHandlerTestAccess(COrvanHandler& handler) : h_(handler) {}

    void Bind(structOrvanOnePatientComm& record) { h_.f_psOrvanOnePatientComm = &record; }
    int IsValidDate(double date) const { return h_.IsValidDate(date); }
    std::wstring Key(const std::wstring& code, const std::wstring& name) const { return h_.BuildCodingEntryKey(code, name); }
    void ExportAddress(const structOrvanAddress& record, model::Address* address) { h_.DoExportAddress(&record, address); }
    void ImportAddress(model::Address* address, structOrvanAddress& record) { h_.DoImportAddress(address, &record); }
    void ExportKg(model::OrvanStructure& s, model::Kg* kg) { h_.DoExportKg(&s, kg); }
    void ImportKg(model::OrvanStructure& s, model::Kg* kg) { h_.DoImportKg(&s, kg); }
    void ResetImportTables() {
        h_.f_mapDiagnosisImportParentID.clear();
        h_.f_mapDiagnosisImportAddedID.clear();
    }
    void SetAttachmentFolder(const std::wstring& folder) { h_.f_strAttachmentDir = folder; }
    bool RecordUnbound() const { return h_.f_psOrvanOnePatientComm == nullptr; }
    bool TablesEmpty() const {
        return h_.f_mapAddress.empty() && h_.f_mapDocument.empty() && h_.f_mapCodingEntry.empty() &&
               h_.f_mapDiagnosisImportParentID.empty() && h_.f_mapDiagnosisImportAddedID.empty() &&
               h_.f_mapDocumentsImportedID.empty() && h_.f_psOrvanOnePatientComm == nullptr &&
               h_.f_strAttachmentDir.empty();
    }

private:
    COrvanHandler& h_;
};

// The demonstration medication: one coded product with one posology.
inline structOrvanMedication SampleMedication() {
    structOrvanMedication m;
    m.bstrCodingEntryCode = L"1234567";
    m.bstrCodingEntryName = L"EXAMPLIN Plv 500 mg Btl 20 Stk";
    m.nCodingType = 0;
    m.dtDate = 40252.0;
    m.lID = 1;
    m.nIsActive = 0;
    m.bstrName = m.bstrCodingEntryName;
    structOrvanPosology p;
    p.dtDateBegin = 40252.0;
    p.bstrRemark = L"bei bdearf";
    m.vecPosology = {p};
    return m;
}

// A handler bound to a record, a structure to map into or from, and the
// platform output captured.
struct HandlerHarness {
    HandlerHarness() { access.Bind(record); }

    model::Kg* NewKg() { return structure.NewPatientInfo()->NewKg(); }
    // Exports the record's clinical history, then imports it into a fresh record.
    structOrvanKg RoundTripKg() {
        model::Kg* kg = NewKg();
        access.ExportKg(structure, kg);
        structOrvanOnePatientComm imported;
        access.Bind(imported);
        access.ImportKg(structure, kg);
        access.Bind(record);
        return imported.sPatientInfo.sKg;
    }

    orvan::testing::PlatformCapture capture;
    structOrvanOnePatientComm record;
    model::OrvanStructure structure{L"2.25.1"};
    COrvanHandler handler;
    COrvanHandlerTestAccess access{handler};
};
