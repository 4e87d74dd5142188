#include "library/model/PatientInfo.h"

#include "library/ClassInfo.h"
#include "library/ObjectStore.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

const ClassInfo& PatientAddress::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(PatientAddress, PatientID),      ORVAN_SCALAR(PatientAddress, StatusType),
        ORVAN_SCALAR(PatientAddress, BirthDate),      ORVAN_SCALAR(PatientAddress, Ssn),
        ORVAN_SCALAR(PatientAddress, Profession),     ORVAN_SCALAR(PatientAddress, Nationality),
        ORVAN_SCALAR(PatientAddress, Denomination),   ORVAN_SCALAR(PatientAddress, HmoAffiliation),
        ORVAN_SCALAR(PatientAddress, Language),       ORVAN_SCALAR(PatientAddress, Ethnicity),
        ORVAN_SCALAR(PatientAddress, MaritalStatus),  ORVAN_REFERENCE(PatientAddress, AddressRefID),
    };
    static const ClassInfo info = MakeClassInfo<PatientAddress>("PatientAddress", properties);
    return info;
}

const ClassInfo& PatientInfo::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(PatientInfo, ID),
        ORVAN_CHILD(PatientInfo, PatientAddress),
        ORVAN_CHILD(PatientInfo, Kg),
        ORVAN_CHILDREN(PatientInfo, DocumentTree),
    };
    static const ClassInfo info = MakeClassInfo<PatientInfo>("PatientInfo", properties);
    return info;
}

fullORVAN::PatientAddress* PatientInfo::NewPatientAddress() {
    return Owner().CreateInto(PatientAddress, "PatientInfo.NewPatientAddress");
}
fullORVAN::Kg* PatientInfo::NewKg() { return Owner().CreateInto(Kg, "PatientInfo.NewKg"); }
fullORVAN::DocumentTree* PatientInfo::NewDocumentTree() {
    return Owner().CreateInto(DocumentTree, "PatientInfo.NewDocumentTree");
}

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
