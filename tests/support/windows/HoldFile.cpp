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
    const DWORD share = count == 4 && std::wcscmp(arguments[2], L"read-delete") == 0 ? FILE_SHARE_DELETE : 0;
    const HANDLE file = count == 4 ? ::CreateFileW(arguments[1], GENERIC_READ, FILE_SHARE_READ | share, nullptr,
                                                   OPEN_EXISTING, 0, nullptr)
                                   : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    for (int i = 0; i < 1200 && ::GetFileAttributesW(arguments[3]) == INVALID_FILE_ATTRIBUTES; ++i) {
        ::Sleep(50);
    }
    return ::CloseHandle(file) ? 0 : 1;
}
