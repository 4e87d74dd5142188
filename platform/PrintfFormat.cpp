#include "platform/PrintfFormat.h"

namespace orvan::platform {
namespace {

constexpr std::wstring_view kMissing = L"(?)";

void AppendText(std::wstring& out, const PrintfArgument* argument) {
    const auto* text = argument ? std::get_if<std::wstring_view>(&argument->Value()) : nullptr;
    out += text ? *text : kMissing;
}

void AppendNumber(std::wstring& out, const PrintfArgument* argument) {
    const auto* number = argument ? std::get_if<std::int64_t>(&argument->Value()) : nullptr;
    out += number ? std::to_wstring(*number) : std::wstring(kMissing);
}

}  // namespace

std::wstring FormatPrintf(std::wstring_view format, std::span<const PrintfArgument> arguments) {
    std::wstring out;
    out.reserve(format.size() + 32);
    auto next = arguments.begin();
    auto take = [&]() -> const PrintfArgument* {
        return next == arguments.end() ? nullptr : &*next++;
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        std::wstring_view rest = format.substr(i + 1);
        if (rest.starts_with(L"%")) {
            out += L'%';
            i += 1;
        } else if (rest.starts_with(L"ls")) {
            AppendText(out, take());
            i += 2;
        } else if (rest.starts_with(L"s")) {
            AppendText(out, take());
            i += 1;
        } else if (rest.starts_with(L"d") || rest.starts_with(L"i")) {
            AppendNumber(out, take());
            i += 1;
        } else {
            out += format[i];
        }
    }
    return out;
}

}  // namespace orvan::platform
