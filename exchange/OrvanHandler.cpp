#include "exchange/OrvanHandler.h"

#include "record/OleDate.h"

COrvanHandler::COrvanHandler() : COrvanHandler(orvan::exchange::MessageBoxListener()) {}

COrvanHandler::COrvanHandler(orvan::exchange::CommandListener& listener)
    : f_listener(listener), f_psOrvanOnePatientComm(nullptr) {}

COrvanHandler::~COrvanHandler() { Dispose(); }

void COrvanHandler::Dispose() {
    try {
        f_mapAddress.clear();
        f_mapDocument.clear();
        f_mapCodingEntry.clear();
        f_mapDocumentsImportedID.clear();
        f_mapDocumentsImported.clear();
    } catch (...) {
        // Releasing must never fail a command.
    }
}

int COrvanHandler::IsValidDate(const double& date) const {
    return date > orvan::record::kOleDateUnset ? 1 : 0;
}
