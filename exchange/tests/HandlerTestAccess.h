#pragma once

#include <string>

#include "PlatformCapture.h"
#include "exchange/OrvanHandler.h"
#include "library/model/OrvanStructure.h"
#include "record/tests/FilledRecord.h"

namespace model = Dorv::Orvan::Framework::Common::Classes::fullORVAN;

// Reaches the handler's private operations for the tests.
class COrvanHandlerTestAccess {
public:
    explicit COrvanHandlerTestAccess(COrvanHandler& handler) : h_(handler) {}

    void Bind(structOrvanOnePatientComm& record) { h_.f_psOrvanOnePatientComm = &record; }
    void ExportAddress(const structOrvanAddress& record, model::Address* address) { h_.DoExportAddress(&record, address); }
    void ImportAddress(model::Address* address, structOrvanAddress& record) { h_.DoImportAddress(address, &record); }
    void ExportKg(model::OrvanStructure& s, model::Kg* kg) { h_.DoExportKg(&s, kg); }
    void ImportKg(model::OrvanStructure& s, model::Kg* kg) { h_.DoImportKg(&s, kg); }
    void SetAttachmentFolder(const std::wstring& folder) { h_.f_strAttachmentDir = folder; }
    bool RecordUnbound() const { return h_.f_psOrvanOnePatientComm == nullptr; }

private:
    COrvanHandler& h_;
};

// A handler bound to a record, a structure to map into or from, and the
// platform output captured.
struct HandlerHarness {
    HandlerHarness() { access.Bind(record); }

    model::Kg* NewKg() { return structure.NewPatientInfo()->NewKg(); }
    // The record's clinical history exported into a new Kg.
    model::Kg* ExportKg() {
        model::Kg* kg = NewKg();
        access.ExportKg(structure, kg);
        return kg;
    }
    // `kg` imported into a fresh record.
    structOrvanKg ImportKg(model::Kg* kg) {
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
