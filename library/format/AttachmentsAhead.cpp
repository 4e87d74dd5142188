#include "library/format/AttachmentsAhead.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <span>
#include <system_error>
#include <utility>

#include "library/Progress.h"
#include "library/format/FormatFacts.h"
#include "library/io/FaultInjection.h"
#include "library/io/File.h"
#include "library/io/StartWorker.h"
#include "library/io/TransferBuffer.h"
#include "library/zip/ZipReader.h"
#include "platform/FileCalls.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

namespace sys = orvan::platform;

bool WriteAll(int descriptor, std::span<const std::byte> data) {
    while (!data.empty()) {
        const std::int64_t n = sys::WriteSome(descriptor, data.data(), data.size());
        if (n <= 0) {
            return false;
        }
        data = data.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

AttachmentsAhead::AttachmentsAhead(std::shared_ptr<const ZipReader> archive, const std::wstring& folder)
    : archive_(std::move(archive)) {
    const auto& entries = archive_->Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].name.starts_with(ArchiveEntries::kAttachmentPrefix)) {
            slotOf_.emplace(entries[i].name, slots_.size());
            slots_.push_back(Slot{i});
        }
    }
    if (slots_.empty() || !Worthwhile(folder)) {
        finished_ = true;
        return;
    }
    // Each extracted file stays open until it is named.
    claim_.emplace(slots_.size());
    worker_ = StartWorker("AttachmentsAhead", [this](const std::stop_token& stop) { Run(stop); });
    if (!worker_.joinable()) {
        finished_ = true;  // no thread: everything is written out the usual way
        claim_.reset();
    }
}

AttachmentsAhead::~AttachmentsAhead() {
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
    for (const Slot& slot : slots_) {
        if (slot.descriptor >= 0) {
            sys::CloseFile(slot.descriptor);
        }
    }
}

bool AttachmentsAhead::Worthwhile(const std::wstring& folder) {
    if (FaultInjection::AnyArmed()) {
        return false;
    }
    // A folder behind a link is left to the usual way, which checks it.
    const auto status = sys::GetLinkStatus(folder);
    const auto space = sys::FreeSpace(folder);
    if (!status || !status->isDirectory || !space) {
        return false;
    }
    folder_ = folder;
    // Files nobody takes are written for nothing: what an archive declares may
    // take at most half the room there is.
    std::uint64_t declared = 0;
    for (const Slot& slot : slots_) {
        declared += archive_->Entries()[slot.entry].uncompressedSize;
    }
    return declared <= *space / 2;
}

void AttachmentsAhead::Run(const std::stop_token& stop) {
    for (std::size_t index = 0; index < claim_->Granted() && !stop.stop_requested(); ++index) {
        const int descriptor = Extract(index, stop);
        if (descriptor < 0) {
            break;
        }
        const std::lock_guard lock(mutex_);
        slots_[index].descriptor = descriptor;
        decided_ = index + 1;
        changed_.notify_all();
    }
    const std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
}

int AttachmentsAhead::Extract(std::size_t index, const std::stop_token& stop) {
    // Where the system has no unnamed files, nothing is extracted ahead.
    const int descriptor = sys::CreateUnnamedFile(folder_);
    if (descriptor < 0) {
        return -1;
    }
    try {
        const auto source = archive_->Open(archive_->Entries()[slots_[index].entry]);
        const std::span<std::byte> buffer = TransferBuffer();
        while (const std::size_t n = source->Read(buffer)) {
            if (stop.stop_requested() || !WriteAll(descriptor, buffer.first(n))) {
                sys::CloseFile(descriptor);
                return -1;
            }
            const std::lock_guard lock(mutex_);
            slots_[index].done += n;
        }
        return descriptor;
    } catch (...) {
        // The usual extraction of this entry meets the same fault and reports it.
        sys::CloseFile(descriptor);
        return -1;
    }
}

bool AttachmentsAhead::Take(const ZipReader* archive, const std::string& entry, const std::wstring& path,
                            const ProgressListener& progress) {
    const auto slot = slotOf_.find(entry);
    if (archive != archive_.get() || slot == slotOf_.end()) {
        return false;
    }
    const std::size_t index = slot->second;
    const std::uint64_t size = archive_->Entries()[slots_[index].entry].uncompressedSize;
    std::unique_lock lock(mutex_);
    while (decided_ <= index && !finished_) {
        if (changed_.wait_for(lock, std::chrono::milliseconds(100)) == std::cv_status::timeout) {
            const std::uint64_t done = slots_[index].done;
            lock.unlock();  // a listener may take its time
            ReportProgress(progress, "extract", "bytes", done, size);
            lock.lock();
        }
    }
    const int descriptor = std::exchange(slots_[index].descriptor, -1);
    lock.unlock();
    if (descriptor < 0) {
        return false;
    }
    const struct Closing {
        int descriptor;
        ~Closing() { sys::CloseFile(descriptor); }
    } closing{descriptor};
    if (!NameUnnamedFile(descriptor, path)) {
        return false;
    }
    ReportProgress(progress, "extract", "bytes", size, size);
    return true;
}

}  // namespace Dorv::Orvan::Framework::Common
