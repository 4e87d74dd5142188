#include "exchange/ExchangeValues.h"

namespace orvan::exchange {

Text ToLibraryText(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

std::wstring ToRecordText(const Text& text) { return text ? text->substr(0, text->find(L'\0')) : std::wstring(); }

std::wstring TakeRecordText(Text& text) {
    std::wstring taken = text ? std::move(*text) : std::wstring();
    text.reset();
    if (const std::size_t end = taken.find(L'\0'); end != std::wstring::npos) {
        taken.resize(end);
    }
    return taken;
}

DateTime ToLibraryDate(double oleDate) { return DateTime::FromOleDate(oleDate); }

double ToRecordDate(const DateTime& date) { return date.ToOleDate(); }

std::optional<bool> ToLibraryFlag(std::int32_t flag) {
    return flag == -1 ? std::nullopt : std::optional<bool>(flag != 0);
}

std::int32_t ToRecordFlag(const std::optional<bool>& flag) { return flag ? (*flag ? 1 : 0) : -1; }

}  // namespace orvan::exchange
