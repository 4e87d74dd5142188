#include "platform/ScratchFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/Exception.h"
#include "platform/UniqueFolder.h"
#include "platform/Utf8.h"

namespace orvan::platform {
namespace {

// Removes the folder at `path` with everything below it, using only calls a
// signal handler may make. `path` is NUL-terminated and has room to grow.
void RemoveTree(char* path, std::size_t capacity) {
    const int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder >= 0) {
        const std::size_t length = ::strlen(path);
        alignas(dirent64) char entries[4096];
        long count = 0;
        while ((count = ::syscall(SYS_getdents64, folder, entries, sizeof entries)) > 0) {
            for (long at = 0; at < count;) {
                const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
                at += entry->d_reclen;
                const std::size_t nameLength = ::strlen(entry->d_name);
                if ((nameLength == 1 && entry->d_name[0] == '.') || (nameLength == 2 && entry->d_name[1] == '.' &&
                                                                     entry->d_name[0] == '.') ||
                    length + 1 + nameLength + 1 > capacity) {
                    continue;
                }
                path[length] = '/';
                ::memcpy(path + length + 1, entry->d_name, nameLength + 1);
                if (entry->d_type == DT_DIR) {
                    RemoveTree(path, capacity);
                } else {
                    ::unlink(path);
                }
                path[length] = '\0';
            }
        }
        ::close(folder);
    }
    ::rmdir(path);
}

char scratchPath[PATH_MAX];  // the scratch folder alive, for the signal handler
struct sigaction previousInt {};
struct sigaction previousTerm {};

extern "C" void RemoveScratchAndDie(int signal) {
    RemoveTree(scratchPath, sizeof scratchPath);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// The user's private parent folder, cleared of the folders of processes gone
// (killed beyond what a handler sees).
std::filesystem::path ScratchParent(const std::wstring& prefix) {
    const std::filesystem::path parent =
        ToPath(TemporaryFilesFolder()) / (ToUtf8(prefix) + "-" + std::to_string(::geteuid()));
    ::mkdir(parent.c_str(), 0700);
    struct stat info {};
    if (::lstat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & 077) != 0) {
        throw CFileException(FromPath(parent), L"not a private folder of this user, cannot hold scratch files");
    }
    for (const auto& entry : std::filesystem::directory_iterator(parent)) {
        const pid_t owner = static_cast<pid_t>(std::atol(entry.path().filename().c_str()));
        if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
    return parent;
}

}  // namespace

ScratchFolder::ScratchFolder(const std::wstring& prefix) {
    const std::wstring parent = FromPath(ScratchParent(prefix));
    const auto made = CreateUniqueFolder(parent, std::to_wstring(::getpid()) + L"-");
    const std::string native = made ? ToUtf8(*made) : std::string();
    if (!made || native.size() >= sizeof scratchPath) {
        throw CFileException(parent, L"cannot create a scratch folder there");
    }
    path_ = *made;
    ::memcpy(scratchPath, native.c_str(), native.size() + 1);
    struct sigaction action {};
    action.sa_handler = RemoveScratchAndDie;
    ::sigaction(SIGINT, &action, &previousInt);
    ::sigaction(SIGTERM, &action, &previousTerm);
}

ScratchFolder::~ScratchFolder() {
    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(ToPath(path_), ignored);
    scratchPath[0] = '\0';
}

}  // namespace orvan::platform
