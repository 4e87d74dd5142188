#include "exchange/AttachmentName.h"

#include "library/io/File.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace orvan::exchange {
namespace {

constexpr std::size_t kMaxNameBytes = 255;

bool Fits(const std::wstring& name) { return platform::ToUtf8(name).size() <= kMaxNameBytes; }

// "stem (n).ext", the stem shortened until the whole fits.
std::wstring Variant(const std::wstring& name, unsigned n) {
    const std::size_t dot = name.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot > 0;
    std::wstring stem = hasExtension ? name.substr(0, dot) : name;
    const std::wstring tail = L" (" + std::to_wstring(n) + L")" + (hasExtension ? name.substr(dot) : L"");
    while (!stem.empty() && !Fits(stem + tail)) {
        // A whole character at a time: never half of a UTF-16 pair.
        const bool pair = stem.size() >= 2 && (stem.back() & 0xFC00) == 0xDC00 && sizeof(wchar_t) == 2 &&
                          (stem[stem.size() - 2] & 0xFC00) == 0xD800;
        stem.resize(stem.size() - (pair ? 2 : 1));
    }
    return stem.empty() ? L"document (" + std::to_wstring(n) + L")" : stem + tail;
}

}  // namespace

std::wstring SafeAttachmentName(const std::wstring& storedName, std::int32_t documentId) {
    std::wstring name = storedName.substr(0, storedName.find(L'\0'));
    if (const auto separator = name.find_last_of(L"/\\"); separator != std::wstring::npos) {
        name.erase(0, separator + 1);
    }
    // A name of the library's temporary files would be taken for one left
    // behind; a device name would write to the device.
    if (name.empty() || name == L"." || name == L".." || !Fits(name) || platform::IsReservedName(name) ||
        Dorv::Orvan::Framework::Common::IsTemporaryName(platform::ToUtf8(name))) {
        return L"document-" + std::to_wstring(documentId);
    }
    return name;
}

std::wstring AttachmentNames::Claim(const std::wstring& name) {
    if (taken_.insert(name).second) {
        return name;
    }
    unsigned& next = nextVariant_.try_emplace(name, 2).first->second;
    for (;; ++next) {
        std::wstring variant = Variant(name, next);
        if (taken_.insert(variant).second) {
            ++next;
            return variant;
        }
    }
}

void AttachmentNames::Clear() {
    taken_.clear();
    nextVariant_.clear();
}

}  // namespace orvan::exchange
