#pragma once

#include "library/BaseCollection.h"
#include "library/Object.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

// One coded concept, shared by the diagnoses and medications that refer to it.
class CodingEntry final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    Text Code;
    Text Name;
};

using CodingEntryCollection = BaseCollection<CodingEntry*>;

class GlobalDefinitions final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    CodingEntryCollection CodingEntry;

    fullORVAN::CodingEntry* NewCodingEntry();
};

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
