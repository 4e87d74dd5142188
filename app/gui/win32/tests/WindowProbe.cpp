// Reads the window tree of the desktop it runs on, for the dialog's tests
// that drive the program from outside. Reads one command a line from standard
// input and answers each with one line of JSON on standard output:
//
//   tree   every visible top-level window, topmost first, with its owner, its
//          process, whether it is enabled, active, runs a command (the
//          dialog's property while one runs) and what has the focus, and its
//          controls (class, id, text, place on the screen, state, whether an
//          icon control shows its image, and the width its text needs in the
//          dialogs' font, "MS Shell Dlg" 8 pt)
//   capture LEFT TOP RIGHT BOTTOM FILE
//          writes that part of the screen, as the system shows it, to FILE as a
//          24-bit bitmap (a Windows path)
//   quit   ends the probe
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "platform/ProgramFacts.h"

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

std::string Quoted(const std::wstring& text) {
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::wstring TextOf(HWND window) {
    // WM_GETTEXT reaches controls of other processes; GetWindowText does not.
    std::wstring text(4096, L'\0');
    const LRESULT length = ::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                                                 SMTO_ABORTIFHUNG, 10000, nullptr);
    text.resize(length > 0 ? wcsnlen(text.data(), text.size()) : 0);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

// Whether an icon control shows an image.
bool HasIcon(HWND control) {
    DWORD_PTR icon = 0;
    ::SendMessageTimeoutW(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 10000, &icon);
    return icon != 0;
}

// The width `text` needs on one line in the dialogs' font.
int TextWidth(const std::wstring& text) {
    const HDC screen = ::GetDC(nullptr);
    static const HFONT font = ::CreateFontW(-::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0,
                                            FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Shell Dlg");
    const HGDIOBJ previous = ::SelectObject(screen, font);
    RECT bounds{};
    ::DrawTextW(screen, text.c_str(), static_cast<int>(text.size()), &bounds, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(screen, previous);
    ::ReleaseDC(nullptr, screen);
    return bounds.right - bounds.left;
}

std::string Handle(HWND window) { return std::to_string(reinterpret_cast<std::uintptr_t>(window)); }

std::string Common(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const std::wstring text = TextOf(window);
    return "\"hwnd\":" + Handle(window) + ",\"class\":" + Quoted(ClassOf(window)) + ",\"text\":" +
           Quoted(text) + ",\"textWidth\":" + std::to_string(TextWidth(text)) + ",\"visible\":" + (::IsWindowVisible(window) ? "true" : "false") +
           ",\"enabled\":" + (::IsWindowEnabled(window) ? "true" : "false") + ",\"style\":" +
           std::to_string(static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE))) + ",\"rect\":[" +
           std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom) + "]";
}

// Collects the windows EnumWindows and EnumChildWindows hand it.
BOOL CALLBACK Collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::string Describe(HWND window) {
    DWORD process = 0;
    const DWORD thread = ::GetWindowThreadProcessId(window, &process);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    ::GetGUIThreadInfo(thread, &gui);
    std::vector<HWND> children;
    ::EnumChildWindows(window, &Collect, reinterpret_cast<LPARAM>(&children));
    std::string out = "{" + Common(window) + ",\"pid\":" + std::to_string(process) + ",\"commandRunning\":" +
                      (::GetPropW(window, orvan::facts::kCommandRunningProperty) != nullptr ? "true" : "false") +
                      ",\"owner\":" +
                      Handle(::GetWindow(window, GW_OWNER)) + ",\"active\":" +
                      (gui.hwndActive == window ? "true" : "false") + ",\"foreground\":" +
                      (::GetForegroundWindow() == window ? "true" : "false") + ",\"iconic\":" +
                      (::IsIconic(window) ? "true" : "false") + ",\"controls\":[";
    for (std::size_t i = 0; i < children.size(); ++i) {
        out += (i > 0 ? ",{" : "{") + Common(children[i]) + ",\"id\":" +
               std::to_string(::GetDlgCtrlID(children[i])) + ",\"icon\":" +
               (HasIcon(children[i]) ? "true" : "false") + ",\"focused\":" +
               (gui.hwndFocus == children[i] ? "true" : "false") + "}";
    }
    return out + "]}";
}

std::string Tree() {
    std::vector<HWND> windows;
    ::EnumWindows(&Collect, reinterpret_cast<LPARAM>(&windows));
    std::string out = "[";
    const DWORD self = ::GetCurrentProcessId();
    bool first = true;
    for (HWND window : windows) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process == self || !::IsWindowVisible(window)) {
            continue;  // the shell's hidden helpers would only add noise
        }
        out += (first ? "" : ",") + Describe(window);
        first = false;
    }
    return out + "]";
}

std::string Capture(const std::string& arguments) {
    RECT area{};
    char file[1024] = {};
    if (std::sscanf(arguments.c_str(), "%ld %ld %ld %ld %1023[^\n]", &area.left, &area.top, &area.right,
                    &area.bottom, file) != 5) {
        return "{\"error\":\"capture LEFT TOP RIGHT BOTTOM FILE\"}";
    }
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;  // bottom row first, as bitmap files keep them
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD rowSize = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    header.biSizeImage = rowSize * static_cast<DWORD>(height);
    void* bits = nullptr;
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    const HBITMAP bitmap = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits,
                                              nullptr, 0);
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ::GdiFlush();
    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfOffBits = sizeof(fileHeader) + sizeof(header);
    fileHeader.bfSize = fileHeader.bfOffBits + header.biSizeImage;
    bool written = false;
    if (FILE* out = std::fopen(file, "wb")) {
        written = std::fwrite(&fileHeader, sizeof(fileHeader), 1, out) == 1 &&
                  std::fwrite(&header, sizeof(header), 1, out) == 1 &&
                  std::fwrite(bits, header.biSizeImage, 1, out) == 1;
        written = std::fclose(out) == 0 && written;
    }
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return written ? "{\"captured\":true}" : "{\"error\":\"cannot write the file\"}";
}

}  // namespace

int main() {
    std::string command;
    while (std::getline(std::cin, command)) {
        if (!command.empty() && command.back() == '\r') {
            command.pop_back();
        }
        if (command == "quit") {
            break;
        }
        if (command == "tree") {
            std::cout << Tree() << std::endl;
        } else if (command.starts_with("capture ")) {
            std::cout << Capture(command.substr(8)) << std::endl;
        } else {
            std::cout << "{\"error\":\"unknown command\"}" << std::endl;
        }
    }
}
