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
