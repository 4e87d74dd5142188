#include "record/OrvanOnePatientComm.h"

// Every record's default member values are its reset values, so assigning a
// fresh record resets all of its fields at once.
void structOrvanOnePatientComm::Reset() {
    sArchive = structOrvanArchive{};
    sProcessingInfo = structProcessingInfo{};
    sPatientInfo.lID = 0;
    sPatientInfo.sPatientAddress = structOrvanPatientAddress{};
    sPatientInfo.sKg.mapDiagnosis.clear();
    sPatientInfo.sKg.vecMedication.clear();
    sPatientInfo.vecDocumentTree.clear();
    vecDocument.clear();
    vecAddress.clear();
}
