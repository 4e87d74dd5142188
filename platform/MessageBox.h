#pragma once

#include <string_view>

#include "platform/Port.h"

namespace orvan::platform {

// What a message tells. Every message box looks the same (OK button only, no
// icon); the kind lets a headless front end send errors where errors go.
enum class MessageKind { Information, Warning, Error };

// Shows a plain message and returns when it was acknowledged. The headless
// default prints information on standard output and the rest on standard error.
using MessageBoxPort = Port<void(std::wstring_view caption, std::wstring_view text, MessageKind kind)>;
MessageBoxPort& MessageBoxOutput();

void ShowMessageBox(std::wstring_view text, MessageKind kind = MessageKind::Information);

}  // namespace orvan::platform
