#include "library/model/GlobalDefinitions.h"

#include "library/ClassInfo.h"
#include "library/ObjectStore.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

const ClassInfo& CodingEntry::StaticClass() {
    static const PropertyInfo properties[] = {ORVAN_SCALAR(CodingEntry, Code), ORVAN_SCALAR(CodingEntry, Name)};
    static const ClassInfo info = MakeClassInfo<CodingEntry>("CodingEntry", properties);
    return info;
}

const ClassInfo& GlobalDefinitions::StaticClass() {
    static const PropertyInfo properties[] = {ORVAN_CHILDREN(GlobalDefinitions, CodingEntry)};
    static const ClassInfo info = MakeClassInfo<GlobalDefinitions>("GlobalDefinitions", properties);
    return info;
}

fullORVAN::CodingEntry* GlobalDefinitions::NewCodingEntry() {
    return Owner().CreateInto(CodingEntry, "GlobalDefinitions.NewCodingEntry");
}

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
