#pragma once

#include <cstdint>
#include <optional>

#include "library/BaseCollection.h"
#include "library/DateTime.h"
#include "library/Object.h"
#include "library/model/Address.h"
#include "library/model/DocumentTree.h"
#include "library/model/Kg.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

enum class EnumStatusType : std::int32_t { Unknown = 0, Active = 1, Inactive = 2, Deceased = 3 };
enum class EnumEthnicity : std::int32_t {
    Group0 = 0, Group1 = 1, Group2 = 2, Group3 = 3, Group4 = 4, Group5 = 5, Group6 = 6, Unknown = 7,
};
enum class EnumMaritalStatus : std::int32_t {
    Single = 0, Married = 1, Divorced = 2, Widowed = 3, Separated = 4, Unknown = 5,
};

// The patient's personal data and the reference to the patient's own address.
class PatientAddress final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    std::int32_t PatientID = 0;
    EnumStatusType StatusType = EnumStatusType::Unknown;
    std::optional<DateTime> BirthDate;
    Text Ssn;
    Text Profession;
    Text Nationality;
    Text Denomination;
    Text HmoAffiliation;
    Text Language;
    EnumEthnicity Ethnicity = EnumEthnicity::Unknown;
    EnumMaritalStatus MaritalStatus = EnumMaritalStatus::Unknown;
    Address* AddressRefID = nullptr;
};

using DocumentTreeCollection = BaseCollection<DocumentTree*>;

class PatientInfo final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    std::int64_t ID = 0;
    fullORVAN::PatientAddress* PatientAddress = nullptr;
    fullORVAN::Kg* Kg = nullptr;
    DocumentTreeCollection DocumentTree;

    fullORVAN::PatientAddress* NewPatientAddress();
    fullORVAN::Kg* NewKg();
    fullORVAN::DocumentTree* NewDocumentTree();
};

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
