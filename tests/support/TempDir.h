#pragma once

#include <filesystem>
#include <string>

namespace orvan::testing {

// A fresh folder below the system's temporary folder, removed with its content
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The folder, or a path inside it ("a/b" as a relative path on every
    // system), as a wide text with the system's own separators.
    std::wstring Wide(const std::string& relative = {}) const;

private:
    std::filesystem::path path_;
};

}  // namespace orvan::testing
