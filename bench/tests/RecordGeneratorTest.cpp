// The unusual record shapes of the benchmark generator: exporting and
// importing them takes work in proportion to their objects. The work is
// counted (objects made, allocations), never timed.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "../RecordGenerator.h"
#include "PlatformCapture.h"
#include "TempDir.h"
#include "exchange/OrvanHandler.h"
#include "library/Archive.h"
#include "platform/Utf8.h"

namespace {
std::atomic<std::size_t> allocations{0};
}  // namespace

// Every allocation of the program counts; only differences are looked at.
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
// The standard library's temporary buffers take the nothrow form: it must
// come from the same malloc as the rest, or the sanitizer sees a mismatch.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

namespace {

namespace model = Dorv::Orvan::Framework::Common::Classes::fullORVAN;
using orvan::testing::PlatformCapture;
using orvan::testing::TempDir;

struct ExportResult {
    std::size_t allocations = 0;  // made by the export and its read-back
    std::size_t diagnoses = 0;    // in the written archive
    std::size_t codingEntries = 0;
};

ExportResult Export(structOrvanOnePatientComm record) {
    const TempDir temp;
    const std::wstring path = temp.Wide("record.orvan");
    ExportResult result;
    const std::size_t before = allocations.load();
    {
        COrvanHandler handler;
        EXPECT_EQ(handler.DoOrvanExport(path, &record), 1);
    }
    result.allocations = allocations.load() - before;
    const Dorv::Orvan::Framework::Common::Archive archive(path);
    const model::OrvanStructure structure(archive);
    result.diagnoses = structure.PatientInfo[0]->Kg->Diagnosis.Count();
    for (const model::GlobalDefinitions* definitions : structure.GlobalDefinitions) {
        result.codingEntries += definitions->CodingEntry.Count();
    }
    return result;
}

TEST(RecordGeneratorTest, ALadderExportsEachLevelOnceAndReportsEveryRepeat) {
    for (const int levels : {1, 2, 16, 30}) {
        const PlatformCapture capture;
        const ExportResult result = Export(orvan::bench::GenerateLadderRecord(levels));
        EXPECT_EQ(result.diagnoses, 2u * static_cast<std::size_t>(levels)) << levels << " levels";
        EXPECT_EQ(capture.AssertionCount(), static_cast<std::size_t>(levels - 1))
            << "each level's second reference to the next level";
    }
}

TEST(RecordGeneratorTest, CodingEntriesThatShareAKeyCostNoMoreThanOthers) {
    const ExportResult small = Export(orvan::bench::GenerateCollidingKeyRecord(200));
    const ExportResult large = Export(orvan::bench::GenerateCollidingKeyRecord(400));
    EXPECT_EQ(small.codingEntries, 200u) << "one per pair";
    EXPECT_EQ(large.codingEntries, 400u);
    // Twice the records, about twice the work (n log n leaves room for a little more).
    EXPECT_LE(large.allocations, small.allocations * 5 / 2)
        << small.allocations << " allocations for 200 records, " << large.allocations << " for 400";
}

}  // namespace
