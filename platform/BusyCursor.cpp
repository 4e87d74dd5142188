#include "platform/BusyCursor.h"

namespace orvan::platform {
namespace {

int activeGuards = 0;

}  // namespace

BusyCursorPort& BusyCursorOutput() {
    static BusyCursorPort port([](bool) {});
    return port;
}

BusyCursor::BusyCursor() {
    if (activeGuards++ == 0) {
        BusyCursorOutput()(true);
    }
}

BusyCursor::~BusyCursor() {
    if (--activeGuards == 0) {
        BusyCursorOutput()(false);
    }
}

}  // namespace orvan::platform
