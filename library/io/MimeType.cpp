#include "library/io/MimeType.h"

#include <algorithm>

#include <magic.h>
#include <unistd.h>

#include <memory>

#include "library/io/MimeTypesAhead.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

constexpr wchar_t kUnknown[] = L"application/octet-stream";

// The type database loads once per thread: libmagic's handles must not be shared.
magic_t Database() {
    thread_local const std::unique_ptr<magic_set, decltype(&magic_close)> cookie = [] {
        std::unique_ptr<magic_set, decltype(&magic_close)> opened(
            magic_open(MAGIC_MIME_TYPE | MAGIC_NO_CHECK_COMPRESS | MAGIC_NO_CHECK_TAR), &magic_close);
        // The first 64 KiB tell the type; reading and scanning a whole
        // scan of many megabytes would only cost time.
        const std::size_t bytes = 64 << 10;
        if (opened && (magic_load(opened.get(), nullptr) != 0 ||
                       magic_setparam(opened.get(), MAGIC_PARAM_BYTES_MAX, &bytes) != 0)) {
            opened.reset();
        }
        return opened;
    }();
    return cookie.get();
}

}  // namespace

std::wstring DetectMimeType(int descriptor, const MimeTypesAhead& ahead) {
    if (auto known = ahead.Lookup(descriptor)) {
        return std::move(*known);
    }
    return IdentifyMimeType(descriptor);
}

std::wstring IdentifyMimeType(int descriptor) {
    magic_t database = Database();
    const off_t position = ::lseek(descriptor, 0, SEEK_CUR);
    const char* type = database ? magic_descriptor(database, descriptor) : nullptr;
    ::lseek(descriptor, position, SEEK_SET);
    return type ? orvan::platform::FromUtf8(type) : kUnknown;
}

bool IsCompressible(const std::wstring& mimeType) {
    // Compared without parameters ("; charset=...") and in lower case, as MIME types are.
    std::wstring type = mimeType.substr(0, mimeType.find(L';'));
    while (!type.empty() && type.back() == L' ') {
        type.pop_back();
    }
    std::transform(type.begin(), type.end(), type.begin(),
                   [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; });
    const auto endsWith = [&](std::wstring_view suffix) { return type.ends_with(suffix); };
    return type.starts_with(L"text/") || endsWith(L"/xml") || endsWith(L"+xml") || endsWith(L"/json") ||
           endsWith(L"+json") || type == L"application/rtf" || type == L"application/x-empty";
}

}  // namespace Dorv::Orvan::Framework::Common
