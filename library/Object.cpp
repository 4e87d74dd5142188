#include "library/Object.h"

#include <new>

#include "library/io/HugePageArena.h"

namespace Dorv::Orvan::Framework::Common::Classes {

void* Object::operator new(std::size_t size, HugePageArena& arena) {
    if (void* object = arena.Allocate(size)) {
        return object;
    }
    throw std::bad_alloc();
}

void Object::operator delete(void* object, HugePageArena& arena) noexcept { arena.Deallocate(object); }

}  // namespace Dorv::Orvan::Framework::Common::Classes
