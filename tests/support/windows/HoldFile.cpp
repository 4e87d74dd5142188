// orvan-hold-file PATH read|read-delete RELEASE: holds the file at PATH open
// for reading, shared for reading (and deleting), as another program would,
// says "held" and keeps it until a file RELEASE appears (at most a minute).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

int main() {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (arguments == nullptr || count != 4) {
        std::fputs("usage: orvan-hold-file PATH read|read-delete RELEASE\n", stderr);
        return 2;
    }
    const DWORD share = FILE_SHARE_READ | (std::wcscmp(arguments[2], L"read-delete") == 0 ? FILE_SHARE_DELETE : 0);
    const HANDLE file = ::CreateFileW(arguments[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open: Windows error %lu\n", ::GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    for (int i = 0; i < 1200 && ::GetFileAttributesW(arguments[3]) == INVALID_FILE_ATTRIBUTES; ++i) {
        ::Sleep(50);
    }
    ::CloseHandle(file);
    return 0;
}
