#include "library/ClassInfo.h"

namespace Dorv::Orvan::Framework::Common::Classes {

const PropertyInfo* ClassInfo::Find(std::string_view propertyName) const {
    for (const PropertyInfo& p : properties) {
        if (p.name == propertyName) {
            return &p;
        }
    }
    return nullptr;
}

}  // namespace Dorv::Orvan::Framework::Common::Classes
