#include "library/io/OpenFileClaim.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "platform/FileCalls.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

// The one record of the process: how many claims live, and the limit before the first.
std::mutex mutex;
std::size_t claims = 0;
std::optional<std::size_t> before;

}  // namespace

std::size_t OpenFileClaim::OpenNow() { return orvan::platform::OpenFileCount(); }

OpenFileClaim::OpenFileClaim(std::size_t wanted) {
    const std::lock_guard lock(mutex);
    ++claims;
    const std::optional<std::size_t> limit = orvan::platform::OpenFileLimit();
    if (!limit) {
        granted_ = wanted;  // no limit to mind
        return;
    }
    const std::size_t open = OpenNow();
    std::size_t inForce = *limit;
    if (inForce < open + wanted + kReserve) {
        inForce = orvan::platform::RaiseOpenFileLimit(open + wanted + kReserve).value_or(inForce);
        if (inForce != *limit && !before) {
            before = *limit;
        }
    }
    const std::size_t used = open + kReserve;
    granted_ = std::min(wanted, inForce > used ? inForce - used : 0);
}

OpenFileClaim::~OpenFileClaim() {
    const std::lock_guard lock(mutex);
    if (--claims == 0 && before) {
        // The rest of the program (a child process, a select() loop) finds
        // the limit it had.
        orvan::platform::RestoreOpenFileLimit(*before);
        before.reset();
    }
}

}  // namespace Dorv::Orvan::Framework::Common
