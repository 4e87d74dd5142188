#pragma once

#include <cstdint>
#include <optional>

#include "library/BaseCollection.h"
#include "library/DateTime.h"
#include "library/Object.h"
#include "library/model/GlobalDefinitions.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

enum class EnumCodingType : std::int32_t {
    ArticleNumber = 0,
    Atc = 1,
    Gtin = 2,
    FreeMedication = 3,
    Icd10 = 4,
    FreeDiagnosis = 5,
};

class Diagnosis;
using DiagnosisCollection = BaseCollection<Diagnosis*>;
// References to child diagnoses, which the clinical history owns.
using DiagnosisPtrCollection = BaseCollection<Diagnosis*>;

class Diagnosis final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    CodingEntry* CodingEntryPtr = nullptr;
    EnumCodingType CodingType = EnumCodingType::FreeDiagnosis;
    std::optional<DateTime> Date;
    std::int64_t ID = 0;
    std::optional<bool> IsActive;
    Text Name;
    Text ShortName;
    DiagnosisPtrCollection DiagnosisPtr;
};

class Posology final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    DateTime DateBegin;
    std::optional<DateTime> DateEnd;
    std::optional<double> QuantityMorning;
    std::optional<double> QuantityNoon;
    std::optional<double> QuantityEvening;
    std::optional<double> QuantityNight;
    Text Remark;
};

using PosologyCollection = BaseCollection<Posology*>;

class Medication final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    CodingEntry* CodingEntryPtr = nullptr;
    EnumCodingType CodingType = EnumCodingType::FreeMedication;
    std::optional<DateTime> Date;
    std::int64_t ID = 0;
    std::optional<bool> IsActive;
    std::optional<bool> IsChronic;
    Text Name;
    Text ShortName;
    PosologyCollection Posology;

    fullORVAN::Posology* NewPosology();
};

using MedicationCollection = BaseCollection<Medication*>;

// The clinical history: every diagnosis of every level, and the medications.
class Kg final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    DiagnosisCollection Diagnosis;
    MedicationCollection Medication;

    fullORVAN::Diagnosis* NewDiagnosis();
    fullORVAN::Medication* NewMedication();
};

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
