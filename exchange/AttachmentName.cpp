#include "exchange/AttachmentName.h"

#include "library/io/File.h"
#include "platform/FileName.h"
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
    name = platform::UsableFileName(name);
    // A name of the library's temporary files would be taken for one left
    // behind.
    if (name.empty() || name == L"." || name == L".." || !Fits(name) ||
        Dorv::Orvan::Framework::Common::IsTemporaryName(name)) {
        return L"document-" + std::to_wstring(documentId);
    }
    return name;
}

void AttachmentNames::Reset(const std::wstring& folder) {
    folder_ = folder;
    if (!folder_.empty() && !platform::IsPathSeparator(folder_.back())) {
        folder_ += platform::kPathSeparator;
    }
    taken_.clear();
    nextVariant_.clear();
}

std::wstring AttachmentNames::Claim(const std::wstring& name) {
    if (Take(name)) {
        return name;
    }
    unsigned& next = nextVariant_.try_emplace(platform::FileNameKey(name), 2).first->second;
    for (;; ++next) {
        std::wstring variant = Variant(name, next);
        if (Take(variant)) {
            ++next;
            return variant;
        }
    }
}

bool AttachmentNames::Take(const std::wstring& name) {
    const std::wstring key = platform::FileNameKey(name);
    if (!taken_.insert(key).second) {
        return false;
    }
    // A file there under another name that this one reaches stays untouched;
    // one of this very name is replaced, as a new import replaces an older one's.
    const auto onDisk = folder_.empty() ? std::nullopt : platform::NameInFolder(folder_ + name);
    return !onDisk || platform::FileNameKey(*onDisk) == key;
}

}  // namespace orvan::exchange
