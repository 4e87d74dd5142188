#include "TempDir.h"

#include <stdlib.h>

#include <stdexcept>
#include <system_error>

#include "platform/Utf8.h"

namespace orvan::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvan-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::wstring TempDir::Wide(const std::string& relative) const {
    return platform::FromPath(relative.empty() ? path_ : path_ / relative);
}

}  // namespace orvan::testing
