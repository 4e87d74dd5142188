#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "FileContent.h"
#include "library/io/File.h"
#include "library/zip/ZipWriter.h"
#include "platform/Utf8.h"

namespace orvan::library::testing {

namespace common = Dorv::Orvan::Framework::Common;

using orvan::testing::ReadBytes;
using orvan::testing::WriteFile;

inline std::set<std::string> FolderListing(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Writes a ZIP holding exactly these entries, deflated, for crafting archives
// the library would never write.
inline void WriteZip(const std::filesystem::path& path,
                     const std::vector<std::pair<std::string, std::string>>& entries) {
    common::AtomicFileWriter out(orvan::platform::FromPath(path), false);
    common::ZipWriter zip(out);
    for (const auto& [name, content] : entries) {
        zip.BeginEntry(name, common::ZipWriter::Method::Deflated);
        zip.Write(std::as_bytes(std::span(content.data(), content.size())));
        zip.EndEntry();
    }
    zip.Finish();
    out.Commit();
}

// Runs `write(i)` for i below `times` while another thread keeps removing
// the temporary files that killed writers left in `folder`, as another
// import does; how many writes failed.
inline int FailuresBesideACleanup(const std::filesystem::path& folder, int times,
                                  const std::function<bool(int)>& write) {
    std::atomic<bool> done{false};
    std::thread cleaner([&] {
        while (!done.load()) {
            common::RemoveStaleTemporaries(orvan::platform::FromPath(folder));
        }
    });
    int failed = 0;
    for (int i = 0; i < times; ++i) {
        failed += write(i) ? 0 : 1;
    }
    done = true;
    cleaner.join();
    return failed;
}

}  // namespace orvan::library::testing
