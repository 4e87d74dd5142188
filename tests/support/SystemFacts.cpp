#include "SystemFacts.h"

#include <system_error>

namespace orvan::testing {

bool TryLink(const std::filesystem::path& target, const std::filesystem::path& link) {
    std::error_code error;
    if (std::filesystem::is_directory(target)) {
        std::filesystem::create_directory_symlink(target, link, error);
    } else {
        std::filesystem::create_symlink(target, link, error);
    }
    return !error;
}

}  // namespace orvan::testing
