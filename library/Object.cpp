#include "library/Object.h"

#include "library/PrimaryClass.h"

namespace Dorv::Orvan::Framework::Common::Classes {

void* Object::operator new(std::size_t size, PrimaryClass& owner) { return owner.Allocate(size); }

void Object::operator delete(void* object, PrimaryClass& owner) noexcept { owner.Deallocate(object); }

}  // namespace Dorv::Orvan::Framework::Common::Classes
