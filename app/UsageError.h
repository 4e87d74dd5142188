#pragma once

#include <string>

namespace orvan::app {

// A command asked for what it must not do, such as writing over one of its
// own inputs; nothing has been written. Front ends report it as a usage error.
class UsageError {
public:
    explicit UsageError(std::wstring message) : message_(std::move(message)) {}
    const std::wstring& Message() const { return message_; }

private:
    std::wstring message_;
};

}  // namespace orvan::app
