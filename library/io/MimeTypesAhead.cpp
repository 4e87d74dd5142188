#include "library/io/MimeTypesAhead.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "library/io/File.h"
#include "library/io/MimeType.h"
#include "library/io/StartWorker.h"
#include "platform/FileCalls.h"

namespace Dorv::Orvan::Framework::Common {
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
    const auto status = orvan::platform::GetOpenFileStatus(file.Descriptor());
    if (!status || !status->isRegularFile) {
        return std::nullopt;
    }
    return Found{status->device, status->inode, status->size, status->changedNanoseconds,
                 IdentifyMimeType(file.Descriptor())};
}

std::optional<std::wstring> MimeTypesAhead::Lookup(int descriptor) const {
    const auto status = found_.empty() ? std::nullopt : orvan::platform::GetOpenFileStatus(descriptor);
    if (!status) {
        return std::nullopt;
    }
    const auto found = found_.find(std::pair(status->device, status->inode));
    if (found != found_.end() && found->second.size == status->size &&
        found->second.changed == status->changedNanoseconds) {
        return found->second.type;
    }
    return std::nullopt;
}

}  // namespace Dorv::Orvan::Framework::Common
