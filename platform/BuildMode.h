#pragma once

namespace orvan::platform {

// Debug builds report trace lines and failed assertions on standard error by default.
#ifdef NDEBUG
inline constexpr bool kDebugBuild = false;
#else
inline constexpr bool kDebugBuild = true;
#endif

}  // namespace orvan::platform
