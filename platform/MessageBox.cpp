#include "platform/MessageBox.h"

#include <cstdio>
#include <string>

#include "platform/ProgramFacts.h"
#include "platform/Utf8.h"

namespace orvan::platform {

MessageBoxPort& MessageBoxOutput() {
    static MessageBoxPort port([](std::wstring_view, std::wstring_view text, MessageKind kind) {
        const std::string line = ToUtf8(text) + '\n';
        FILE* stream = kind == MessageKind::Information ? stdout : stderr;
        std::fwrite(line.data(), 1, line.size(), stream);
        std::fflush(stream);
    });
    return port;
}

void ShowMessageBox(std::wstring_view text, MessageKind kind) { MessageBoxOutput()(facts::kName, text, kind); }

}  // namespace orvan::platform
