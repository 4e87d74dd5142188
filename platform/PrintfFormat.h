#pragma once

#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace orvan::platform {

// One argument of a printf-style format: a whole number or a wide text.
class PrintfArgument {
public:
    template <std::integral Integer>
    PrintfArgument(Integer value) : value_(static_cast<std::int64_t>(value)) {}
    PrintfArgument(std::wstring_view text) : value_(text) {}
    PrintfArgument(const std::wstring& text) : value_(std::wstring_view(text)) {}
    PrintfArgument(const wchar_t* text) : value_(std::wstring_view(text ? text : L"")) {}

    const std::variant<std::int64_t, std::wstring_view>& Value() const { return value_; }

private:
    std::variant<std::int64_t, std::wstring_view> value_;
};

// Formats the subset of printf that the trace lines use, with wide texts as
// arguments: "%s" and "%ls" take a text, "%d" and "%i" a whole number, "%%" is
// a percent sign. A placeholder without a fitting argument is written as
// "(?)" and surplus arguments are ignored, so a wrong trace call can never
// read memory it was not given.
std::wstring FormatPrintf(std::wstring_view format, std::span<const PrintfArgument> arguments);

}  // namespace orvan::platform
