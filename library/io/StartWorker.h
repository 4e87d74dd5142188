#pragma once

#include <string_view>
#include <thread>
#include <utility>

#include "library/io/FaultInjection.h"

namespace Dorv::Orvan::Framework::Common {

// Starts `work` on a thread of its own, named `worker` for the test seam. An
// empty jthread where none can be started (a limit on processes or threads,
// no memory for one, a test fault): every caller has a way to do the work
// without it, so nothing it started before is left behind by an exception.
template <typename Work>
std::jthread StartWorker(std::string_view worker, Work&& work) noexcept {
    if (FaultInjection::ThreadFails(worker)) {
        return {};
    }
    try {
        return std::jthread(std::forward<Work>(work));
    } catch (...) {
        return {};
    }
}

}  // namespace Dorv::Orvan::Framework::Common
