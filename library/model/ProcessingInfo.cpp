#include "library/model/ProcessingInfo.h"

#include "library/ClassInfo.h"
#include "library/ObjectStore.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

const ClassInfo& Software::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(Software, Name),
        ORVAN_SCALAR(Software, Version),
        ORVAN_SCALAR(Software, Copyright),
        ORVAN_CHILD(Software, ManufacturerAddress),
    };
    static const ClassInfo info = MakeClassInfo<Software>("Software", properties);
    return info;
}

fullORVAN::ManufacturerAddress* Software::NewManufacturerAddress() {
    return Owner().CreateInto(ManufacturerAddress, "Software.NewManufacturerAddress");
}

const ClassInfo& ProcessingInfo::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(ProcessingInfo, Date),
        ORVAN_SCALAR(ProcessingInfo, Title),
        ORVAN_CHILD(ProcessingInfo, AuthorAddress),
        ORVAN_CHILD(ProcessingInfo, RecipientAddress),
        ORVAN_CHILD(ProcessingInfo, Software),
    };
    static const ClassInfo info = MakeClassInfo<ProcessingInfo>("ProcessingInfo", properties);
    return info;
}

fullORVAN::AuthorAddress* ProcessingInfo::NewAuthorAddress() {
    return Owner().CreateInto(AuthorAddress, "ProcessingInfo.NewAuthorAddress");
}

fullORVAN::RecipientAddress* ProcessingInfo::NewRecipientAddress() {
    return Owner().CreateInto(RecipientAddress, "ProcessingInfo.NewRecipientAddress");
}

fullORVAN::Software* ProcessingInfo::NewSoftware() {
    return Owner().CreateInto(Software, "ProcessingInfo.NewSoftware");
}

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
