#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "library/BaseCollection.h"
#include "library/Object.h"
#include "library/Progress.h"

namespace Dorv::Orvan::Framework::Common {
class AttachmentsAhead;
class HugePageArena;
class MimeTypesAhead;
}

namespace Dorv::Orvan::Framework::Common::Classes {

struct ClassInfo;

// The objects of one structure: it makes them in its arena, owns them and
// frees them together. Objects hang from the root the store was made for,
// which lives elsewhere (the structure itself). Factories go through the test
// seam, so that a test can make any of them return nothing.
class ObjectStore {
public:
    // A store whose objects hang from `root`; the root's owner becomes this store.
    explicit ObjectStore(Object& root);
    // A store of loose objects, without a root.
    ObjectStore();
    ~ObjectStore();  // frees every object
    ObjectStore(const ObjectStore&) = delete;
    ObjectStore& operator=(const ObjectStore&) = delete;

    // Makes an object of this store for the factory named `factory`
    // ("Class.NewX"), or nothing when the test seam says so.
    template <typename T>
    T* Create(std::string_view factory) {
        if (FactoryFails(factory)) {
            return nullptr;
        }
        return static_cast<T*>(Adopt(new (*arena_) T()));
    }
    // Makes an object for `factory` and makes it the child in `slot`, or
    // appends it to `list`; nothing changes when the factory fails.
    template <typename T>
    T* CreateInto(T*& slot, std::string_view factory) {
        T* made = Create<T>(factory);
        if (made) {
            slot = made;
        }
        return made;
    }
    template <typename T>
    T* CreateInto(BaseCollection<T*>& list, std::string_view factory) {
        T* made = Create<T>(factory);
        if (made) {
            list.Add(made);
        }
        return made;
    }
    // Makes an object of the class `info` describes (for the reader).
    Object* Make(const ClassInfo& info);

    Object& Root() const { return *root_; }
    const ClassInfo& GetClass() const { return root_->GetClass(); }
    std::size_t ObjectCount() const { return objects_.size(); }
    // Frees every object.
    void Clear() noexcept;
    // Frees `object` and every object it owns. Nothing may refer to them any
    // more; the holder's pointer to `object` is its owner's to clear.
    void Release(Object& object) noexcept;

    // What the objects of this store use beyond it, lent by the structure
    // that owns all of it: the types of files identified ahead, the
    // attachments extracted ahead from the archive the structure came from,
    // and where the progress of saving, loading and writing out goes.
    struct Services {
        const MimeTypesAhead* typesAhead = nullptr;
        AttachmentsAhead* attachmentsAhead = nullptr;
        ProgressListener progress;
    };
    void Lend(Services services) { services_ = std::move(services); }
    const Services& Lent() const { return services_; }

private:
    // Takes ownership of an object made in this store's arena.
    Object* Adopt(Object* object);
    void Destroy(Object* object) noexcept;
    // Whether the test seam makes this factory call return nothing.
    static bool FactoryFails(std::string_view factory);

    Object* root_ = nullptr;
    // The memory of the objects: built and freed together, a large structure
    // is much faster in an arena of huge pages than on the heap.
    std::unique_ptr<HugePageArena> arena_;
    std::vector<Object*> objects_;
    Services services_;
};

}  // namespace Dorv::Orvan::Framework::Common::Classes
