#pragma once

#include <optional>
#include <string_view>

#include "platform/MessageBox.h"

namespace orvan::app {

// What a dialog shows while one of its commands runs; CommandSession decides
// when. Each toolkit's dialog implements it.
class CommandView {
public:
    virtual ~CommandView() = default;

    // The command starts (`true`) or has ended: while it runs, the dialog and
    // the progress window refuse the user's input (the command's message
    // boxes take input as usual).
    virtual void SetRunning(bool running) = 0;
    // Shows the progress window with `text`, or updates it: `perMille` parts
    // of a thousand done, or a busy bar where the total is not known.
    virtual void ShowProgress(std::wstring_view text, std::optional<int> perMille) = 0;
    virtual void HideProgress() = 0;
    // Handles what is queued for the program's windows (painting), dropping
    // the user's input to the dialog and the progress window. A request to
    // quit met there is returned, not carried out.
    virtual std::optional<int> RunQueueWithoutInput() = 0;
    // Drops the user's input queued for the dialog and the progress window.
    virtual void DropInput() = 0;
    // Shows a message box and returns once it was acknowledged.
    virtual void ShowMessage(std::wstring_view text, platform::MessageKind kind) = 0;
    // Carries out a request to quit that came while a command ran.
    virtual void Quit(int exitCode) = 0;
};

}  // namespace orvan::app
