#pragma once

#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

namespace Dorv::Orvan::Framework::Common {

// The file operations a test can make fail.
enum class FileOperation { Open, Read, Write, Sync, Close, Rename };

// Test seam: makes the N-th call of a chosen factory return nothing, the N-th
// call of a chosen file operation fail with a chosen error number, or the N-th
// start of a named worker thread fail, so that every failure path of the
// library's callers can be exercised for real.
// Factories are named "Class.Factory", for instance "OrvanStructure.NewAddress";
// saving a structure counts as the factory "PrimaryClass.Save". Worker threads
// are named by the class that starts them (StartWorker).
// Inactive, it costs one load of a flag per call.
class FaultInjection {
public:
    // Arms one fault while the object lives; `nth` counts from 1. Faults of
    // different names and operations may be armed at the same time.
    static FaultInjection FailFactory(std::string_view factory, int nth = 1);
    static FaultInjection FailFile(FileOperation operation, int nth = 1, int error = ENOSPC);
    static FaultInjection FailThread(std::string_view worker, int nth = 1);

    ~FaultInjection();
    FaultInjection(FaultInjection&& other) noexcept;
    FaultInjection(const FaultInjection&) = delete;
    FaultInjection& operator=(const FaultInjection&) = delete;
    FaultInjection& operator=(FaultInjection&&) = delete;

    // Whether the armed fault has fired.
    bool Fired() const;
    // Calls of the watched factory or operation so far.
    int Calls() const;

    // Called by the library: true when this factory call is to return nothing.
    static bool FactoryFails(std::string_view factory);
    // Called by the library: the error number this file operation is to fail
    // with, or 0 to let it run.
    static int FileFails(FileOperation operation);
    // Called by the library: true when this start of a worker thread is to fail.
    static bool ThreadFails(std::string_view worker);
    // Whether any factory or file fault is armed: work that would make the
    // calls a test counts nondeterministic (on another thread) is then left
    // undone. Thread faults do not count: they are what such a test wants.
    static bool AnyArmed();

private:
    explicit FaultInjection(std::size_t slot) : slot_(slot) {}
    std::size_t slot_;
};

}  // namespace Dorv::Orvan::Framework::Common
