#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "record/OrvanAddress.h"

// The fixed slots of an address record: which record text carries the entry
// of which library type numbers. Export and import both read these tables.
namespace orvan::exchange {

struct AddressSlot {
    std::wstring structOrvanAddress::*field;
    std::int32_t originType;  // kNoOrigin for identificators
    std::int32_t type;        // phone, online or identificator type
};

inline constexpr std::int32_t kNoOrigin = -1;

inline constexpr AddressSlot kPhoneSlots[] = {
    {&structOrvanAddress::bstrPhone1, 1, 0}, {&structOrvanAddress::bstrPhone2, 0, 0},
    {&structOrvanAddress::bstrPhone3, 1, 1}, {&structOrvanAddress::bstrPhone4, 0, 1},
    {&structOrvanAddress::bstrPhone5, 1, 3}, {&structOrvanAddress::bstrPhone6, 0, 3},
};

inline constexpr AddressSlot kOnlineSlots[] = {
    {&structOrvanAddress::bstrOnline1, 1, 0}, {&structOrvanAddress::bstrOnline2, 0, 0},
    {&structOrvanAddress::bstrOnline3, 1, 1}, {&structOrvanAddress::bstrOnline4, 0, 1},
};

inline constexpr AddressSlot kIdentificatorSlots[] = {
    {&structOrvanAddress::bstrIdentificator1, kNoOrigin, 0},
    {&structOrvanAddress::bstrIdentificator2, kNoOrigin, 2},
    {&structOrvanAddress::bstrIdentificator3, kNoOrigin, 1},
    {&structOrvanAddress::bstrIdentificator4, kNoOrigin, 3},
};

// The slot for these type numbers, or none.
inline const AddressSlot* FindSlot(std::span<const AddressSlot> slots, std::int32_t originType, std::int32_t type) {
    for (const AddressSlot& slot : slots) {
        if (slot.originType == originType && slot.type == type) {
            return &slot;
        }
    }
    return nullptr;
}

// Whether any slot carries this type number.
inline bool HasType(std::span<const AddressSlot> slots, std::int32_t type) {
    for (const AddressSlot& slot : slots) {
        if (slot.type == type) {
            return true;
        }
    }
    return false;
}

}  // namespace orvan::exchange
