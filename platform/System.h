#pragma once

#include <cstdint>
#include <string>

namespace orvan::platform {

// Full path of the running program's executable, of any length.
// Throws CFileException when the system cannot tell.
std::wstring GetExecutablePath();

// Milliseconds since the system started, in 32 bits: it wraps to 0 after
// about 49.7 days, as callers of such a counter expect.
std::uint32_t GetTickCount();

}  // namespace orvan::platform
