#pragma once

#include <string_view>

#include "library/Progress.h"
#include "platform/MessageBox.h"

namespace orvan::exchange {

// Where a running command reports to whoever runs it: the messages it shows
// the user, and how far the long work of the record library has come. A
// front end hands its listener to the command it runs.
class CommandListener {
public:
    virtual ~CommandListener() = default;
    // Shows a message and returns once the user has acknowledged it.
    virtual void ShowMessage(std::wstring_view text, platform::MessageKind kind) = 0;
    virtual void ShowProgress(const Dorv::Orvan::Framework::Common::Progress& report) = 0;
};

// The listener of headless use: messages go to the platform's message box,
// progress nowhere.
CommandListener& MessageBoxListener();

}  // namespace orvan::exchange
