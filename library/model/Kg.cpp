#include "library/model/Kg.h"

#include "library/ClassInfo.h"
#include "library/ObjectStore.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

const ClassInfo& Diagnosis::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_REFERENCE(Diagnosis, CodingEntryPtr), ORVAN_SCALAR(Diagnosis, CodingType),
        ORVAN_SCALAR(Diagnosis, Date),              ORVAN_SCALAR(Diagnosis, ID),
        ORVAN_SCALAR(Diagnosis, IsActive),          ORVAN_SCALAR(Diagnosis, Name),
        ORVAN_SCALAR(Diagnosis, ShortName),         ORVAN_REFERENCES(Diagnosis, DiagnosisPtr),
    };
    static const ClassInfo info = MakeClassInfo<Diagnosis>("Diagnosis", properties);
    return info;
}

const ClassInfo& Posology::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(Posology, DateBegin),       ORVAN_SCALAR(Posology, DateEnd),
        ORVAN_SCALAR(Posology, QuantityMorning), ORVAN_SCALAR(Posology, QuantityNoon),
        ORVAN_SCALAR(Posology, QuantityEvening), ORVAN_SCALAR(Posology, QuantityNight),
        ORVAN_SCALAR(Posology, Remark),
    };
    static const ClassInfo info = MakeClassInfo<Posology>("Posology", properties);
    return info;
}

const ClassInfo& Medication::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_REFERENCE(Medication, CodingEntryPtr), ORVAN_SCALAR(Medication, CodingType),
        ORVAN_SCALAR(Medication, Date),              ORVAN_SCALAR(Medication, ID),
        ORVAN_SCALAR(Medication, IsActive),          ORVAN_SCALAR(Medication, IsChronic),
        ORVAN_SCALAR(Medication, Name),              ORVAN_SCALAR(Medication, ShortName),
        ORVAN_CHILDREN(Medication, Posology),
    };
    static const ClassInfo info = MakeClassInfo<Medication>("Medication", properties);
    return info;
}

fullORVAN::Posology* Medication::NewPosology() {
    return Owner().CreateInto(Posology, "Medication.NewPosology");
}

const ClassInfo& Kg::StaticClass() {
    static const PropertyInfo properties[] = {ORVAN_CHILDREN(Kg, Diagnosis), ORVAN_CHILDREN(Kg, Medication)};
    static const ClassInfo info = MakeClassInfo<Kg>("Kg", properties);
    return info;
}

fullORVAN::Diagnosis* Kg::NewDiagnosis() { return Owner().CreateInto(Diagnosis, "Kg.NewDiagnosis"); }
fullORVAN::Medication* Kg::NewMedication() { return Owner().CreateInto(Medication, "Kg.NewMedication"); }

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
