#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace Dorv::Orvan::Framework::Common::Classes {

// An ordered collection: of objects (pointers, which may be null when an
// archive says so), or of texts. Members are kept in the order they were added.
template <typename T>
class BaseCollection {
public:
    // Appends `item` and returns its index.
    int Add(T item) {
        items_.push_back(std::move(item));
        return static_cast<int>(items_.size() - 1);
    }
    // The members in stored order.
    std::span<const T> GetEnumerator() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    std::size_t Count() const { return items_.size(); }
    const T& operator[](std::size_t index) const { return items_[index]; }

private:
    std::vector<T> items_;
};

}  // namespace Dorv::Orvan::Framework::Common::Classes
