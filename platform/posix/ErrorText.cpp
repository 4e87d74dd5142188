#include "platform/ErrorText.h"

#include <cstring>

#include "platform/Utf8.h"

namespace orvan::platform {

std::wstring ErrorText(int error) { return FromUtf8(std::strerror(error)); }

}  // namespace orvan::platform
