#pragma once

#include "platform/Port.h"

namespace orvan::platform {

// Told `true` when the first busy cursor appears and `false` when the last one
// goes. The headless default does nothing.
using BusyCursorPort = Port<void(bool busy)>;
BusyCursorPort& BusyCursorOutput();

// Shows the busy cursor for the lifetime of the object; guards may nest.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace orvan::platform
