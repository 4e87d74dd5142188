#pragma once

#include <optional>
#include <string>

namespace orvan::platform {

// Creates a new folder in `parent` named `prefix` and six random letters and
// digits, readable by its owner only; its path, or nothing with errno set.
std::optional<std::wstring> CreateUniqueFolder(const std::wstring& parent, const std::wstring& prefix);

// The system's folder for temporary files (TMPDIR, or the user's TEMP on
// Windows), or "/tmp" when it names none that exists.
std::wstring TemporaryFilesFolder();

}  // namespace orvan::platform
