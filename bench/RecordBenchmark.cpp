// Times the whole export and import roads on a generated record. Each command
// prints one line: "<what> <seconds> <peak-rss-KiB> <result> <user-seconds> <system-seconds>",
// the times those of the road alone (the generation of the record is left out).
//
//   orvan-bench-record export SCALE FILES ARCHIVE   generate (untimed), then DoOrvanExport
//   orvan-bench-record import ARCHIVE FOLDER        DoOrvanImport, attachments into FOLDER
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "RecordGenerator.h"
#include "exchange/OrvanHandler.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/Memory.h"
#include "platform/MessageBox.h"
#include "platform/Utf8.h"

namespace {

double Seconds(const timeval& time) { return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6; }

template <typename Work>
void Report(const char* what, Work work) {
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    const int result = work();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    std::printf("%s %.3f %ld %d %.3f %.3f\n", what, elapsed.count(), after.ru_maxrss, result,
                Seconds(after.ru_utime) - Seconds(before.ru_utime), Seconds(after.ru_stime) - Seconds(before.ru_stime));
}

}  // namespace

int main(int argc, char** argv) {
    using orvan::platform::FromUtf8;
    orvan::platform::ReturnLargeFreedBlocks();  // as the programs do
    orvan::platform::MessageBoxOutput().Replace([](std::wstring_view, std::wstring_view text, orvan::platform::MessageKind) {
        std::fprintf(stderr, "message: %s\n", orvan::platform::ToUtf8(text).c_str());
    });
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "export" && argc == 5) {
        structOrvanOnePatientComm record = orvan::bench::GenerateRecord(std::stod(argv[2]), argv[3]);
        rusage generated{};
        getrusage(RUSAGE_SELF, &generated);
        // The record model alone, before the road: part of every later peak.
        std::fprintf(stderr, "record generated: peak %ld KiB\n", generated.ru_maxrss);
        Report("orvan-export", [&] {
            COrvanHandler handler;
            return handler.DoOrvanExport(FromUtf8(argv[4]), &record);
        });
        return 0;
    }
    if (command == "import" && argc == 4) {
        Report("orvan-import", [&] {
            structOrvanOnePatientComm record;
            COrvanHandler handler;
            return handler.DoOrvanImport(FromUtf8(argv[2]), FromUtf8(argv[3]), &record);
        });
        return 0;
    }
    std::fprintf(stderr, "usage: see the comment at the top of bench/RecordBenchmark.cpp\n");
    return 2;
}
