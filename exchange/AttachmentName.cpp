#include "exchange/AttachmentName.h"

#include "platform/Utf8.h"

namespace orvan::exchange {

std::wstring SafeAttachmentName(const std::wstring& storedName, std::int32_t documentId) {
    constexpr std::size_t kMaxNameBytes = 255;
    std::wstring name = storedName.substr(0, storedName.find(L'\0'));
    if (const auto separator = name.find_last_of(L"/\\"); separator != std::wstring::npos) {
        name.erase(0, separator + 1);
    }
    if (name.empty() || name == L"." || name == L".." || platform::ToUtf8(name).size() > kMaxNameBytes) {
        return L"document-" + std::to_wstring(documentId);
    }
    return name;
}

}  // namespace orvan::exchange
