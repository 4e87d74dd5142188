#include "platform/MessageBox.h"

#include <cstdio>
#include <string>

#include "platform/Utf8.h"

namespace orvan::platform {

MessageBoxPort& MessageBoxOutput() {
    static MessageBoxPort port([](std::wstring_view, std::wstring_view text) {
        const std::string line = ToUtf8(text) + '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    });
    return port;
}

void ShowMessageBox(std::wstring_view text) { MessageBoxOutput()(kApplicationName, text); }

}  // namespace orvan::platform
