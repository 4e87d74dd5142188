#include "library/io/OpenFileClaim.h"

#include <dirent.h>
#include <sys/resource.h>

#include <algorithm>
#include <mutex>
#include <optional>

namespace Dorv::Orvan::Framework::Common {
namespace {

// The one record of the process: how many claims live, and the limit before the first.
std::mutex mutex;
std::size_t claims = 0;
std::optional<rlimit> before;

}  // namespace

std::size_t OpenFileClaim::OpenNow() {
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr) {
        return 0;
    }
    std::size_t count = 0;
    while (const dirent* entry = ::readdir(folder)) {
        count += entry->d_name[0] != '.';
    }
    ::closedir(folder);
    return count > 0 ? count - 1 : 0;  // not the one reading the folder
}

OpenFileClaim::OpenFileClaim(std::size_t wanted) {
    const std::lock_guard lock(mutex);
    ++claims;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return;
    }
    const std::size_t open = OpenNow();
    const rlim_t needed = open + wanted + kReserve;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < needed) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max == RLIM_INFINITY ? needed : std::min(limit.rlim_max, needed);
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            if (!before) {
                before = limit;
            }
            limit = raised;
        }
    }
    const rlim_t used = open + kReserve;
    granted_ = limit.rlim_cur == RLIM_INFINITY
                   ? wanted
                   : std::min<std::size_t>(wanted, limit.rlim_cur > used ? limit.rlim_cur - used : 0);
}

OpenFileClaim::~OpenFileClaim() {
    const std::lock_guard lock(mutex);
    if (--claims == 0 && before) {
        // The rest of the program (a child process, a select() loop) finds
        // the limit it had.
        ::setrlimit(RLIMIT_NOFILE, &*before);
        before.reset();
    }
}

}  // namespace Dorv::Orvan::Framework::Common
