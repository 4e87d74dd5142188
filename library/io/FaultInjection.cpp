#include "library/io/FaultInjection.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace Dorv::Orvan::Framework::Common {
namespace {

struct Fault {
    bool armed = false;
    std::string factory;  // empty for a file fault
    FileOperation operation{};
    int nth = 0;
    int error = 0;
    int calls = 0;
    bool fired = false;
};

std::atomic<int> armedFaults{0};
std::mutex mutex;
std::vector<Fault>& Faults() {
    static std::vector<Fault> faults;
    return faults;
}

std::size_t Arm(Fault fault) {
    std::lock_guard lock(mutex);
    fault.armed = true;
    auto& faults = Faults();
    faults.push_back(std::move(fault));
    ++armedFaults;
    return faults.size() - 1;
}

// Counts the call in every armed fault that `matches`; returns the fault that fires now.
template <typename Matches>
Fault* Count(Matches matches) {
    if (armedFaults.load(std::memory_order_relaxed) == 0) {
        return nullptr;
    }
    std::lock_guard lock(mutex);
    Fault* firing = nullptr;
    for (Fault& fault : Faults()) {
        if (fault.armed && matches(fault) && ++fault.calls == fault.nth) {
            fault.fired = true;
            firing = &fault;
        }
    }
    return firing;
}

}  // namespace

FaultInjection FaultInjection::FailFactory(std::string_view factory, int nth) {
    return FaultInjection(Arm(Fault{false, std::string(factory), {}, nth, 0, 0, false}));
}

FaultInjection FaultInjection::FailFile(FileOperation operation, int nth, int error) {
    return FaultInjection(Arm(Fault{false, {}, operation, nth, error, 0, false}));
}

FaultInjection::FaultInjection(FaultInjection&& other) noexcept : slot_(other.slot_) {
    other.slot_ = static_cast<std::size_t>(-1);
}

FaultInjection::~FaultInjection() {
    if (slot_ == static_cast<std::size_t>(-1)) {
        return;
    }
    std::lock_guard lock(mutex);
    Faults()[slot_].armed = false;
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
    return Count([&](const Fault& f) { return f.factory == factory; }) != nullptr;
}

bool FaultInjection::AnyArmed() { return armedFaults.load(std::memory_order_relaxed) != 0; }

int FaultInjection::FileFails(FileOperation operation) {
    const Fault* fault =
        Count([&](const Fault& f) { return f.factory.empty() && f.operation == operation; });
    return fault ? fault->error : 0;
}

}  // namespace Dorv::Orvan::Framework::Common
