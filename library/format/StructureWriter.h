#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <cstddef>
#include <vector>

#include "library/AttachmentContent.h"
#include "library/ObjectStore.h"

namespace Dorv::Orvan::Framework::Common {

namespace Classes {

// Gives every object reachable from the store's root through ownership its number for
// one save, in document order (depth first, children in order), and lists the
// objects whose content follows the structure as entries of their own.
class ObjectNumbering {
public:
    // Throws the library's exception for an object held twice or belonging to
    // another structure, and for nesting deeper than the format allows.
    explicit ObjectNumbering(const ObjectStore& objects);

    // The object's number in this save, or 0 when this save does not hold it.
    std::uint32_t NumberOf(const Object& object) const {
        return &object.Owner() == store_ ? numbers_[object.slot_] : 0;
    }
    // Objects with content, and the content, in document order.
    const std::vector<std::pair<const Object*, const AttachmentContent*>>& Attachments() const {
        return attachments_;
    }

    // The store numbered.
    const ObjectStore& Store() const { return *store_; }

private:
    void Number(const Object& object);

    const ObjectStore* store_;
    std::vector<std::uint32_t> numbers_;  // by slot; 0 for an object not reached yet
    std::uint32_t count_ = 0;
    std::vector<std::pair<const Object*, const AttachmentContent*>> attachments_;
};

}  // namespace Classes

// The name of the archive entry holding the content of the object numbered `number`.
std::string AttachmentEntryName(std::uint64_t number);

// Writes the structure document of the store `numbering` numbered, in pieces
// to `sink`. Throws the library's exception for a reference leaving the
// structure and for a document larger than readers accept.
void WriteStructure(const Classes::ObjectNumbering& numbering,
                    const std::function<void(std::span<const std::byte>)>& sink);

}  // namespace Dorv::Orvan::Framework::Common
