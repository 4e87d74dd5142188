#include "library/io/MimeTypesAhead.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "library/io/File.h"
#include "library/io/MimeType.h"
#include "library/io/StartWorker.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

std::int64_t ChangeTime(const struct stat& info) {
    return info.st_ctim.tv_sec * 1'000'000'000LL + info.st_ctim.tv_nsec;
}

}  // namespace

MimeTypesAhead::MimeTypesAhead(std::span<const std::wstring> paths) {
    std::vector<std::optional<Found>> results(paths.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&]() noexcept {
        for (std::size_t i; (i = next++) < paths.size();) {
            try {
                results[i] = Identify(paths[i]);
            } catch (...) {
                // Left out: taking the file in identifies it again, and
                // reports what goes wrong then.
            }
        }
    };
    const std::size_t helpers =
        std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()), 8, paths.size()});
    std::vector<std::jthread> threads;
    threads.reserve(helpers);
    for (std::size_t i = 1; i < helpers; ++i) {
        std::jthread helper = StartWorker("MimeTypesAhead", work);
        if (!helper.joinable()) {
            break;  // fewer helpers: this thread does the rest
        }
        threads.push_back(std::move(helper));
    }
    work();
    threads.clear();  // joins
    for (std::optional<Found>& result : results) {
        if (result) {
            const auto key = std::pair(result->device, result->inode);
            found_.insert_or_assign(key, std::move(*result));
        }
    }
}

std::optional<MimeTypesAhead::Found> MimeTypesAhead::Identify(const std::wstring& path) {
    const File file = File::OpenForReading(path);  // throws where it cannot: the file is left out
    struct stat info {};
    if (::fstat(file.Descriptor(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return Found{info.st_dev, info.st_ino, info.st_size, ChangeTime(info), IdentifyMimeType(file.Descriptor())};
}

std::optional<std::wstring> MimeTypesAhead::Lookup(int descriptor) const {
    struct stat info {};
    if (found_.empty() || ::fstat(descriptor, &info) != 0) {
        return std::nullopt;
    }
    const auto found = found_.find(std::pair(info.st_dev, info.st_ino));
    if (found != found_.end() && found->second.size == info.st_size && found->second.changed == ChangeTime(info)) {
        return found->second.type;
    }
    return std::nullopt;
}

}  // namespace Dorv::Orvan::Framework::Common
