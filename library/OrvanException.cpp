#include "library/OrvanException.h"

#include "platform/ErrorText.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {

OrvanException::OrvanException(std::wstring message)
    : std::runtime_error(orvan::platform::ToUtf8(message)), message_(std::move(message)) {}

std::wstring DescribeSystemError(const std::wstring& path, int error) {
    return L"'" + path + L"': " + orvan::platform::ErrorText(error);
}

}  // namespace Dorv::Orvan::Framework::Common
