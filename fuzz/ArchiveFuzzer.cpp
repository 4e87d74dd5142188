// libFuzzer target: arbitrary bytes as an archive file, opened, loaded,
// imported into a record and extracted into a scratch folder. Any exception of
// the record library is a correct refusal; a crash, a leak, undefined
// behaviour, a hang or runaway memory is a bug.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "exchange/OrvanHandler.h"
#include "library/OrvanException.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/MessageBox.h"
#include "platform/Utf8.h"

namespace {

// One scratch folder per process, emptied for every input.
const std::filesystem::path& Scratch() {
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvan-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(pattern);
    }();
    return folder;
}

void Silence() {
    orvan::platform::DebugTraceOutput().Replace([](std::wstring_view) {});
    orvan::platform::DebugAssertOutput().Replace([](const orvan::platform::AssertionFailure&) {});
    orvan::platform::MessageBoxOutput().Replace([](std::wstring_view, std::wstring_view, orvan::platform::MessageKind) {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool silenced = (Silence(), true);
    (void)silenced;
    const std::filesystem::path& scratch = Scratch();
    std::error_code ignored;
    std::filesystem::remove_all(scratch / "out", ignored);
    std::filesystem::create_directory(scratch / "out");
    const std::filesystem::path archive = scratch / "input.orvan";
    std::ofstream(archive, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                      static_cast<std::streamsize>(size));
    try {
        structOrvanOnePatientComm record;
        COrvanHandler handler;
        handler.DoOrvanImport(orvan::platform::FromPath(archive), orvan::platform::FromPath(scratch / "out"),
                              &record);
    } catch (const Dorv::Orvan::Framework::Common::OrvanException&) {
        // refused
    }
    // Nothing may appear beside the input and the attachment folder.
    for (const auto& entry : std::filesystem::directory_iterator(scratch)) {
        const auto name = entry.path().filename();
        if (name != "input.orvan" && name != "out") {
            std::abort();
        }
    }
    return 0;
}
