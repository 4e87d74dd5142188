#include "library/ObjectStore.h"

#include "library/ClassInfo.h"
#include "library/io/FaultInjection.h"
#include "library/io/HugePageArena.h"

namespace Dorv::Orvan::Framework::Common::Classes {

ObjectStore::ObjectStore() : arena_(std::make_unique<HugePageArena>()) {}

ObjectStore::ObjectStore(Object& root) : ObjectStore() {
    root_ = &root;
    root.owner_ = this;
}

ObjectStore::~ObjectStore() { Clear(); }

bool ObjectStore::FactoryFails(std::string_view factory) { return FaultInjection::FactoryFails(factory); }

Object* ObjectStore::Adopt(Object* object) {
    try {
        objects_.push_back(object);
    } catch (...) {
        Destroy(object);
        throw;
    }
    object->owner_ = this;
    object->slot_ = static_cast<std::uint32_t>(objects_.size());
    return object;
}

void ObjectStore::Destroy(Object* object) noexcept {
    const std::size_t size = object->GetClass().size;
    object->~Object();
    arena_->Deallocate(object, size);
}

Object* ObjectStore::Make(const ClassInfo& info) { return Adopt(info.make(*arena_)); }

void ObjectStore::Clear() noexcept {
    // Objects refer to each other only by plain pointers, so they can go in any order.
    for (Object* object : objects_) {
        if (object != nullptr) {
            Destroy(object);
        }
    }
    objects_.clear();
}

void ObjectStore::Release(Object& object) noexcept {
    std::vector<Object*> owned;
    try {
        WalkDocumentOrder(object, [&](const Object& each, std::size_t) {
            owned.push_back(const_cast<Object*>(&each));  // ours: this store made it
            return true;
        });
    } catch (...) {
        return;  // no memory to list them: they go with the store
    }
    // Last made first freed: the arena then takes their room back for the next.
    for (auto each = owned.rbegin(); each != owned.rend(); ++each) {
        objects_[(*each)->slot_ - 1] = nullptr;
        Destroy(*each);
    }
}

}  // namespace Dorv::Orvan::Framework::Common::Classes
