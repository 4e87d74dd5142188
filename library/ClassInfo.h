#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "library/AttachmentContent.h"
#include "library/BaseCollection.h"
#include "library/DateTime.h"
#include "library/Object.h"

namespace Dorv::Orvan::Framework::Common::Classes {

enum class PropertyKind {
    String,            // Text
    Int32,             // std::int32_t
    Int64,             // std::int64_t
    Enum,              // an enumeration carrying any 32-bit number
    Date,              // DateTime
    NullableDate,      // std::optional<DateTime>
    NullableBool,      // std::optional<bool>
    NullableDouble,    // std::optional<double>
    StringList,        // BaseCollection<Text>
    Child,             // an owned object, or none
    Children,          // BaseCollection of owned objects
    Reference,         // an object elsewhere in the same structure, or none
    References,        // BaseCollection of such references
    Attachment,        // a document's content, stored as an archive entry of its own
};

// How generic code treats a property: as one value it gets and sets (a text
// included), a list of texts, objects it holds or refers to, or a document's
// content. Switching over the shape, code still sees every kind.
enum class PropertyShape { Value, Texts, Objects, Content };

constexpr PropertyShape ShapeOf(PropertyKind kind) {
    switch (kind) {
        case PropertyKind::String:
        case PropertyKind::Int32:
        case PropertyKind::Int64:
        case PropertyKind::Enum:
        case PropertyKind::Date:
        case PropertyKind::NullableDate:
        case PropertyKind::NullableBool:
        case PropertyKind::NullableDouble: return PropertyShape::Value;
        case PropertyKind::StringList: return PropertyShape::Texts;
        case PropertyKind::Child:
        case PropertyKind::Children:
        case PropertyKind::Reference:
        case PropertyKind::References: return PropertyShape::Objects;
        case PropertyKind::Attachment: return PropertyShape::Content;
    }
    return PropertyShape::Value;  // not reached: the switch names every kind
}

// Whether the property owns the objects it holds, rather than referring to them.
constexpr bool Owns(PropertyKind kind) { return kind == PropertyKind::Child || kind == PropertyKind::Children; }

// A property whose type has no "no value", so that a document must give it:
// a date-time's default (0001-01-01) is no date anyone meant.
constexpr bool IsRequired(PropertyKind kind) { return kind == PropertyKind::Date; }

// A scalar property's value; std::monostate stands for "no value".
using Value = std::variant<std::monostate, std::wstring, std::int64_t, double, bool, DateTime>;

// How generic code reaches one property of an object. Scalars go through
// get/set; every object-valued kind looks like a list (a single child or
// reference is a list of at most one); text lists have their own pair.
struct PropertyInfo {
    std::string_view name;
    PropertyKind kind;
    const ClassInfo& (*target)() = nullptr;  // class of the objects held or referenced
    Value (*get)(const Object&) = nullptr;
    const Text& (*text)(const Object&) = nullptr;  // String kind only: the text itself, not a copy
    bool (*set)(Object&, Value&&) = nullptr;  // false: the value does not fit
    std::size_t (*count)(const Object&) = nullptr;
    Object* (*at)(const Object&, std::size_t) = nullptr;
    void (*append)(Object&, Object*) = nullptr;
    std::span<const Text> (*texts)(const Object&) = nullptr;
    void (*appendText)(Object&, Text) = nullptr;
    const AttachmentContent& (*content)(const Object&) = nullptr;
    AttachmentContent& (*mutableContent)(Object&) = nullptr;
};

struct ClassInfo {
    std::string_view name;
    std::span<const PropertyInfo> properties;
    Object* (*make)(HugePageArena& arena);  // made in a store's arena, not yet adopted
    std::size_t size;  // of what make() makes

    const PropertyInfo* Find(std::string_view propertyName) const;
};

namespace detail {

template <typename C, typename T>
C* ClassOf(T C::*);
template <typename C, typename T>
T* TypeOf(T C::*);

template <auto Member>
using MemberClass = std::remove_pointer_t<decltype(ClassOf(Member))>;
template <auto Member>
using MemberType = std::remove_pointer_t<decltype(TypeOf(Member))>;

template <typename T>
struct IsOptional : std::false_type {};
template <typename T>
struct IsOptional<std::optional<T>> : std::true_type {};

template <typename T>
constexpr PropertyKind ScalarKind() {
    if constexpr (std::is_same_v<T, Text>) {
        return PropertyKind::String;
    } else if constexpr (std::is_same_v<T, std::int32_t>) {
        return PropertyKind::Int32;
    } else if constexpr (std::is_same_v<T, std::int64_t>) {
        return PropertyKind::Int64;
    } else if constexpr (std::is_enum_v<T>) {
        static_assert(std::is_same_v<std::underlying_type_t<T>, std::int32_t>);
        return PropertyKind::Enum;
    } else if constexpr (std::is_same_v<T, DateTime>) {
        return PropertyKind::Date;
    } else if constexpr (std::is_same_v<T, std::optional<DateTime>>) {
        return PropertyKind::NullableDate;
    } else if constexpr (std::is_same_v<T, std::optional<bool>>) {
        return PropertyKind::NullableBool;
    } else {
        static_assert(std::is_same_v<T, std::optional<double>>, "unsupported property type");
        return PropertyKind::NullableDouble;
    }
}

template <typename T>
Value ToValue(const T& field) {
    if constexpr (IsOptional<T>::value) {
        return field ? ToValue(*field) : Value{};
    } else if constexpr (std::is_enum_v<T>) {
        return std::int64_t{static_cast<std::int32_t>(field)};
    } else if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
        return std::int64_t{field};
    } else {
        return Value{field};
    }
}

// Takes the value over: a text moves into the field rather than being copied.
template <typename T>
bool FromValue(T& field, Value&& value) {
    if constexpr (IsOptional<T>::value) {
        if (std::holds_alternative<std::monostate>(value)) {
            field.reset();
            return true;
        }
        typename T::value_type inner{};
        if (!FromValue(inner, std::move(value))) {
            return false;
        }
        field = std::move(inner);
        return true;
    } else if constexpr (std::is_enum_v<T> || std::is_same_v<T, std::int32_t>) {
        const auto* number = std::get_if<std::int64_t>(&value);
        if (!number || *number < std::numeric_limits<std::int32_t>::min() ||
            *number > std::numeric_limits<std::int32_t>::max()) {
            return false;
        }
        field = static_cast<T>(static_cast<std::int32_t>(*number));
        return true;
    } else {
        auto* typed = std::get_if<T>(&value);
        if (!typed) {
            return false;
        }
        field = std::move(*typed);
        return true;
    }
}

template <typename T>
struct CollectionItem;
template <typename T>
struct CollectionItem<BaseCollection<T*>> {
    using Type = T;
};

}  // namespace detail

// Property descriptions built from member pointers, so that the name is the
// only thing written twice (and the macros below write it once).
template <auto Member>
PropertyInfo ScalarProperty(std::string_view name) {
    using C = detail::MemberClass<Member>;
    using T = detail::MemberType<Member>;
    PropertyInfo p{name, detail::ScalarKind<T>()};
    p.get = [](const Object& o) { return detail::ToValue(static_cast<const C&>(o).*Member); };
    p.set = [](Object& o, Value&& v) { return detail::FromValue(static_cast<C&>(o).*Member, std::move(v)); };
    if constexpr (std::is_same_v<T, Text>) {
        p.text = [](const Object& o) -> const Text& { return static_cast<const C&>(o).*Member; };
    }
    return p;
}

template <auto Member>
PropertyInfo TextListProperty(std::string_view name) {
    using C = detail::MemberClass<Member>;
    PropertyInfo p{name, PropertyKind::StringList};
    p.texts = [](const Object& o) { return (static_cast<const C&>(o).*Member).GetEnumerator(); };
    p.appendText = [](Object& o, Text t) { (static_cast<C&>(o).*Member).Add(std::move(t)); };
    return p;
}

template <auto Member>
PropertyInfo SingleObjectProperty(std::string_view name, PropertyKind kind) {
    using C = detail::MemberClass<Member>;
    using T = std::remove_pointer_t<detail::MemberType<Member>>;
    PropertyInfo p{name, kind, &T::StaticClass};
    p.count = [](const Object& o) -> std::size_t { return (static_cast<const C&>(o).*Member) ? 1 : 0; };
    p.at = [](const Object& o, std::size_t) -> Object* { return static_cast<const C&>(o).*Member; };
    p.append = [](Object& o, Object* item) { static_cast<C&>(o).*Member = static_cast<T*>(item); };
    return p;
}

template <auto Member>
PropertyInfo ObjectListProperty(std::string_view name, PropertyKind kind) {
    using C = detail::MemberClass<Member>;
    using T = typename detail::CollectionItem<detail::MemberType<Member>>::Type;
    PropertyInfo p{name, kind, &T::StaticClass};
    p.count = [](const Object& o) { return (static_cast<const C&>(o).*Member).Count(); };
    p.at = [](const Object& o, std::size_t i) -> Object* { return (static_cast<const C&>(o).*Member)[i]; };
    p.append = [](Object& o, Object* item) { (static_cast<C&>(o).*Member).Add(static_cast<T*>(item)); };
    return p;
}

template <typename C>
PropertyInfo AttachmentProperty(std::string_view name) {
    PropertyInfo p{name, PropertyKind::Attachment};
    p.content = [](const Object& o) -> const AttachmentContent& { return static_cast<const C&>(o).Content(); };
    p.mutableContent = [](Object& o) -> AttachmentContent& { return static_cast<C&>(o).Content(); };
    return p;
}

template <typename C>
ClassInfo MakeClassInfo(std::string_view name, std::span<const PropertyInfo> properties) {
    return ClassInfo{name, properties, [](HugePageArena& arena) -> Object* { return new (arena) C(); }, sizeof(C)};
}

// Walks `root` and every object it owns in document order, the order of the
// archive's elements: depth first, children in the order of their properties
// and lists. `visit(object, depth)`, the root at depth 1, returns whether to
// walk into the object's children. The writer numbers objects in this order
// and the dump names them by it, so the two agree.
template <typename Visit>
void WalkDocumentOrder(const Object& root, Visit&& visit) {
    std::vector<std::pair<const Object*, std::size_t>> pending{{&root, 1}};
    while (!pending.empty()) {
        const auto [object, depth] = pending.back();
        pending.pop_back();
        if (!visit(*object, depth)) {
            continue;
        }
        const std::size_t firstChild = pending.size();
        for (const PropertyInfo& p : object->GetClass().properties) {
            if (Owns(p.kind)) {
                for (std::size_t i = 0, n = p.count(*object); i < n; ++i) {
                    if (const Object* child = p.at(*object, i)) {
                        pending.emplace_back(child, depth + 1);
                    }
                }
            }
        }
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(firstChild), pending.end());
    }
}

}  // namespace Dorv::Orvan::Framework::Common::Classes

#define ORVAN_SCALAR(Class, Member) ScalarProperty<&Class::Member>(#Member)
#define ORVAN_TEXTS(Class, Member) TextListProperty<&Class::Member>(#Member)
#define ORVAN_CHILD(Class, Member) SingleObjectProperty<&Class::Member>(#Member, PropertyKind::Child)
#define ORVAN_REFERENCE(Class, Member) \
    SingleObjectProperty<&Class::Member>(#Member, PropertyKind::Reference)
#define ORVAN_CHILDREN(Class, Member) ObjectListProperty<&Class::Member>(#Member, PropertyKind::Children)
#define ORVAN_REFERENCES(Class, Member) \
    ObjectListProperty<&Class::Member>(#Member, PropertyKind::References)
