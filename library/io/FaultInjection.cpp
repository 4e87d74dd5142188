#include "library/io/FaultInjection.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace Dorv::Orvan::Framework::Common {
namespace {

enum class FaultKind { Factory, File, Thread };

struct Fault {
    bool armed = false;
    FaultKind kind = FaultKind::Factory;
    std::string name;  // of the factory or the worker
    FileOperation operation{};
    int nth = 0;
    int error = 0;
    int calls = 0;
    bool fired = false;
};

std::atomic<int> armedFaults{0};
std::atomic<int> armedCallFaults{0};  // of factories and files
std::mutex mutex;
std::vector<Fault>& Faults() {
    static std::vector<Fault> faults;
    return faults;
}

std::size_t Arm(Fault fault) {
    std::lock_guard lock(mutex);
    fault.armed = true;
    auto& faults = Faults();
    if (fault.kind != FaultKind::Thread) {
        ++armedCallFaults;
    }
    faults.push_back(std::move(fault));
    ++armedFaults;
    return faults.size() - 1;
}

// Counts the call in every armed fault of `kind` that `matches`; returns the
// error number of the fault that fires now (1 where a fault has none), or 0.
// Read under the lock: another thread may arm or disarm faults meanwhile.
template <typename Matches>
int Count(FaultKind kind, Matches matches) {
    if (armedFaults.load(std::memory_order_relaxed) == 0) {
        return 0;
    }
    std::lock_guard lock(mutex);
    int firing = 0;
    for (Fault& fault : Faults()) {
        if (fault.armed && fault.kind == kind && matches(fault) && ++fault.calls == fault.nth) {
            fault.fired = true;
            firing = kind == FaultKind::File ? fault.error : 1;
        }
    }
    return firing;
}

}  // namespace

FaultInjection FaultInjection::FailFactory(std::string_view factory, int nth) {
    return FaultInjection(Arm(Fault{false, FaultKind::Factory, std::string(factory), {}, nth, 0, 0, false}));
}

FaultInjection FaultInjection::FailFile(FileOperation operation, int nth, int error) {
    return FaultInjection(Arm(Fault{false, FaultKind::File, {}, operation, nth, error, 0, false}));
}

FaultInjection FaultInjection::FailThread(std::string_view worker, int nth) {
    return FaultInjection(Arm(Fault{false, FaultKind::Thread, std::string(worker), {}, nth, 0, 0, false}));
}

FaultInjection::FaultInjection(FaultInjection&& other) noexcept : slot_(other.slot_) {
    other.slot_ = static_cast<std::size_t>(-1);
}

FaultInjection::~FaultInjection() {
    if (slot_ == static_cast<std::size_t>(-1)) {
        return;
    }
    std::lock_guard lock(mutex);
    Fault& fault = Faults()[slot_];
    fault.armed = false;
    if (fault.kind != FaultKind::Thread) {
        --armedCallFaults;
    }
    if (--armedFaults == 0) {
        Faults().clear();
    }
}

bool FaultInjection::Fired() const {
    std::lock_guard lock(mutex);
    return Faults()[slot_].fired;
}

int FaultInjection::Calls() const {
    std::lock_guard lock(mutex);
    return Faults()[slot_].calls;
}

bool FaultInjection::FactoryFails(std::string_view factory) {
    return Count(FaultKind::Factory, [&](const Fault& f) { return f.name == factory; }) != 0;
}

bool FaultInjection::ThreadFails(std::string_view worker) {
    return Count(FaultKind::Thread, [&](const Fault& f) { return f.name == worker; }) != 0;
}

bool FaultInjection::AnyArmed() { return armedCallFaults.load(std::memory_order_relaxed) != 0; }

int FaultInjection::FileFails(FileOperation operation) {
    return Count(FaultKind::File, [&](const Fault& f) { return f.operation == operation; });
}

}  // namespace Dorv::Orvan::Framework::Common
