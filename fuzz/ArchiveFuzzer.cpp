// libFuzzer target: arbitrary bytes as an archive file, opened, loaded,
// imported into a record and extracted into a scratch folder. Input that
// starts with '<' is taken as the structure document of an otherwise valid
// archive, so that mutations reach the XML reader past the container's CRCs. Any exception of
// the record library is a correct refusal; a crash, a leak, undefined
// behaviour, a hang or runaway memory is a bug.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "TempDir.h"
#include "exchange/OrvanHandler.h"
#include "library/format/ArchiveHeader.h"
#include "library/OrvanException.h"
#include "library/zip/ZipWriter.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/MessageBox.h"
#include "platform/Utf8.h"

namespace {

// One scratch folder per process, emptied for every input and removed at exit.
const std::filesystem::path& Scratch() {
    static const orvan::testing::TempDir folder;
    return folder.Path();
}

void WrapAsStructure(const std::filesystem::path& archive, std::span<const std::byte> structure) {
    namespace common = Dorv::Orvan::Framework::Common;
    common::AtomicFileWriter out(orvan::platform::FromPath(archive), false);
    common::ZipWriter zip(out);
    const std::string header = common::WriteArchiveHeader({L"2.25.1", L"t", L"Titel", L"de"});
    zip.BeginEntry("header.xml", common::ZipWriter::Method::Deflated);
    zip.Write(std::as_bytes(std::span(header.data(), header.size())));
    zip.EndEntry();
    zip.BeginEntry("structure.xml", common::ZipWriter::Method::Stored);
    zip.Write(structure);
    zip.EndEntry();
    zip.Finish();
    out.Commit();
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
    if (size > 0 && data[0] == '<') {
        WrapAsStructure(archive, std::span(reinterpret_cast<const std::byte*>(data), size));
    } else {
        std::ofstream(archive, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
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
