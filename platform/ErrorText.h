#pragma once

#include <string>

namespace orvan::platform {

// What an errno value set by the platform's calls means, in words: the C
// library's on POSIX systems; on Windows the same words for the same values
// (its runtime names fewer), "in use by another program" for a file another
// program holds, and "unknown error (Windows error N)" for a Windows error
// that no errno value stands for.
std::wstring ErrorText(int error);

}  // namespace orvan::platform
