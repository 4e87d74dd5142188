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
MimeTypesAhead::MimeTypesAhead(std::vector<std::wstring> paths)
    : paths_(std::move(paths)), results_(paths_.size()) {
    if (paths_.empty()) {
        return;
    }
    // One core is left to the caller, who goes on building meanwhile.
    const std::size_t helpers = std::min<std::size_t>(
        {std::max(2u, std::thread::hardware_concurrency()) - 1, 8, paths_.size()});
    for (std::size_t i = 0; i < helpers; ++i) {
        std::jthread helper = StartWorker("MimeTypesAhead", [this] { Work(); });
        if (!helper.joinable()) {
            break;
        }
        threads_.push_back(std::move(helper));
    }
    if (threads_.empty()) {
        Work();  // no helper: identified here and now
    }
}

MimeTypesAhead::~MimeTypesAhead() {
    stop_ = true;
    threads_.clear();  // joins
}

void MimeTypesAhead::Work() const noexcept {
    for (std::size_t i; !stop_ && (i = next_++) < paths_.size();) {
        try {
            results_[i] = Identify(paths_[i]);
        } catch (...) {
            // Left out: taking the file in identifies it again, and
            // reports what goes wrong then.
        }
    }
}

void MimeTypesAhead::Collect() const {
    Work();  // rather than only wait
    threads_.clear();  // joins: every result is written
    for (const std::optional<Found>& result : results_) {
        if (result) {
            found_.insert_or_assign(std::pair(result->device, result->inode), *result);
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
    if (!collected_) {
        Collect();
        collected_ = true;
    }
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
