#include "TempDir.h"

#include <stdexcept>
#include <system_error>

#include "platform/UniqueFolder.h"
#include "platform/Utf8.h"

namespace orvan::testing {

TempDir::TempDir() {
    const auto made = platform::CreateUniqueFolder(platform::TemporaryFilesFolder(), L"orvan-test-");
    if (!made) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = platform::ToPath(*made);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::wstring TempDir::Wide(const std::string& relative) const {
    // In the system's own spelling, as the program gives paths back.
    return platform::FromPath(std::filesystem::path(relative.empty() ? path_ : path_ / relative).make_preferred());
}

}  // namespace orvan::testing
