#include "platform/UniqueFolder.h"

#include <cerrno>
#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>

#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace orvan::platform {

std::optional<std::wstring> CreateUniqueFolder(const std::wstring& parent, const std::wstring& prefix) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::wstring path = parent + kPathSeparator + prefix;
        for (int i = 0; i < 6; ++i) {
            path += static_cast<wchar_t>(kLetters[random() % kLetters.size()]);
        }
        if (CreateFolder(path)) {
            return path;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::wstring TemporaryFilesFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) {
        return L"/tmp";
    }
    std::wstring path = FromPath(folder);
    while (path.size() > 1 && (path.back() == L'/' || path.back() == L'\\')) {
        path.pop_back();
    }
    return path;
}

}  // namespace orvan::platform
