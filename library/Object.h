#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace Dorv::Orvan::Framework::Common {
class HugePageArena;
}

namespace Dorv::Orvan::Framework::Common::Classes {

struct ClassInfo;
class ObjectStore;

// Texts of the object model may be missing, which is not the same as empty.
using Text = std::optional<std::wstring>;

// Every object of the model belongs to exactly one structure, which made it and
// frees it. A class describes its properties once, in its ClassInfo; saving,
// loading, dumping and comparing walk those descriptions.
class Object {
public:
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // The objects of a structure live in the arena of its store
    // (ObjectStore::Create), where a large structure is built and freed much
    // faster, and go with it. The structure itself is made anywhere.
    static void* operator new(std::size_t size, HugePageArena& arena);
    static void operator delete(void* object, HugePageArena& arena) noexcept;  // when a constructor throws
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* object) noexcept { ::operator delete(object); }

    virtual const ClassInfo& GetClass() const = 0;
    // The store that owns this object (for the structure itself, the store of its objects).
    ObjectStore& Owner() const { return *owner_; }
    // The `id` this object had in the archive it was loaded from; 0 for an
    // object made in memory.
    std::uint64_t FileId() const { return fileId_; }

protected:
    Object() = default;

private:
    friend class ObjectStore;
    friend class ObjectNumbering;
    friend struct ObjectFileIds;

    ObjectStore* owner_ = nullptr;
    std::uint64_t fileId_ = 0;
    // Its place among the objects its store made, from 1; 0 for the root. A save numbers the objects in an array by their places.
    std::uint32_t slot_ = 0;
};

}  // namespace Dorv::Orvan::Framework::Common::Classes

// Declares the class description of an object class.
#define ORVAN_OBJECT_CLASS()                                                        \
public:                                                                             \
    static const ::Dorv::Orvan::Framework::Common::Classes::ClassInfo& StaticClass(); \
    const ::Dorv::Orvan::Framework::Common::Classes::ClassInfo& GetClass() const override { \
        return StaticClass();                                                       \
    }
