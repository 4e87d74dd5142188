#include "library/io/MimeType.h"

#include <algorithm>

#include <magic.h>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "library/io/MimeTypesAhead.h"
#include "library/io/Quoted.h"
#include "library/OrvanException.h"
#include "platform/FileCalls.h"
#include "platform/System.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

constexpr wchar_t kUnknown[] = L"application/octet-stream";

// The type database: the system's where it has one (nothing here: libmagic
// knows where, or takes the MAGIC variable); otherwise the one shipped beside
// the program.
const char* DatabasePath() {
    static const std::optional<std::string> path = []() -> std::optional<std::string> {
        const auto shipped = orvan::platform::ShippedFile(L"magic.mgc");
        return shipped ? std::optional(orvan::platform::ToUtf8(*shipped)) : std::nullopt;
    }();
    return path ? path->c_str() : nullptr;
}

using Database = std::unique_ptr<magic_set, decltype(&magic_close)>;

// A loaded database; throws when it is missing or unreadable, which would
// otherwise make every attachment "application/octet-stream" and an archive
// differ from the same record's on another system.
Database LoadDatabase() {
    Database opened(magic_open(MAGIC_MIME_TYPE | MAGIC_NO_CHECK_COMPRESS | MAGIC_NO_CHECK_TAR), &magic_close);
    // The first 64 KiB tell the type; reading and scanning a whole file of
    // many megabytes would only cost time.
    const std::size_t bytes = 64 << 10;
    if (!opened || magic_load(opened.get(), DatabasePath()) != 0 ||
        magic_setparam(opened.get(), MAGIC_PARAM_BYTES_MAX, &bytes) != 0) {
        const char* path = DatabasePath() ? DatabasePath() : magic_getpath(nullptr, 0);
        const char* problem = opened ? magic_error(opened.get()) : nullptr;
        throw OrvanIoException(L"cannot load the type database " + QuotedPath(orvan::platform::FromUtf8(path ? path : "")) +
                               L": " + orvan::platform::FromUtf8(problem ? problem : "out of memory"));
    }
    return opened;
}

// libmagic's handles must not be shared between threads, and loading one
// takes a while: a thread borrows a loaded one and gives it back. (Kept in a
// pool rather than per thread: a thread's objects with destructors are not
// destroyed safely at thread exit by every runtime.)
class DatabasePool {
public:
    Database Borrow() {
        {
            const std::lock_guard lock(mutex_);
            if (!idle_.empty()) {
                Database database = std::move(idle_.back());
                idle_.pop_back();
                return database;
            }
        }
        return LoadDatabase();
    }

    void GiveBack(Database database) {
        if (database) {
            const std::lock_guard lock(mutex_);
            idle_.push_back(std::move(database));
        }
    }

private:
    std::mutex mutex_;
    std::vector<Database> idle_;
};

DatabasePool& Pool() {
    static DatabasePool* pool = new DatabasePool;  // outlives every thread that may still identify
    return *pool;
}

}  // namespace

std::wstring DetectMimeType(int descriptor, const MimeTypesAhead& ahead) {
    if (auto known = ahead.Lookup(descriptor)) {
        return std::move(*known);
    }
    return IdentifyMimeType(descriptor);
}

std::wstring IdentifyMimeType(int descriptor) {
    Database database = Pool().Borrow();
    const std::int64_t position = orvan::platform::FilePosition(descriptor);
    const char* found = magic_descriptor(database.get(), descriptor);
    std::wstring type = found ? orvan::platform::FromUtf8(found) : kUnknown;
    orvan::platform::SetFilePosition(descriptor, static_cast<std::uint64_t>(std::max<std::int64_t>(position, 0)));
    Pool().GiveBack(std::move(database));
    return type;
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
