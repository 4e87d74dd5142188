#include "library/ClassInfo.h"

namespace Dorv::Orvan::Framework::Common::Classes {

bool IsObjectKind(PropertyKind kind) {
    return kind == PropertyKind::Child || kind == PropertyKind::Children || kind == PropertyKind::Reference ||
           kind == PropertyKind::References;
}

const PropertyInfo* ClassInfo::Find(std::string_view propertyName) const {
    for (const PropertyInfo& p : properties) {
        if (p.name == propertyName) {
            return &p;
        }
    }
    return nullptr;
}

}  // namespace Dorv::Orvan::Framework::Common::Classes
