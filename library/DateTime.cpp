#include "library/DateTime.h"

#include <cmath>
#include <cstdio>

#include "library/OrvanException.h"
#include "platform/Utf8.h"
#include "platform/Calendar.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

using orvan::platform::CivilFromDays;
using orvan::platform::DaysFromCivil;

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

const std::int64_t kLastMillisecond = DaysFromCivil(10000, 1, 1) * kMillisecondsPerDay - 1;
const std::int64_t kOleEpochDays = DaysFromCivil(1899, 12, 30);

}  // namespace

DateTime DateTime::FromFields(const Fields& f) {
    const bool valid = f.year >= 1 && f.year <= 9999 && f.month >= 1 && f.month <= 12 &&
                       f.day >= 1 && f.day <= DaysInMonth(f.year, f.month) && f.hour >= 0 &&
                       f.hour < 24 && f.minute >= 0 && f.minute < 60 && f.second >= 0 &&
                       f.second < 60 && f.millisecond >= 0 && f.millisecond < 1000;
    if (!valid) {
        throw OrvanConversionException(L"invalid date or time of day");
    }
    const std::int64_t days =
        DaysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day));
    return DateTime(days * kMillisecondsPerDay +
                    ((f.hour * 60 + f.minute) * 60 + f.second) * std::int64_t{1000} + f.millisecond);
}

std::optional<DateTime> DateTime::FromMilliseconds(std::int64_t milliseconds) {
    if (milliseconds < 0 || milliseconds > kLastMillisecond) {
        return std::nullopt;
    }
    return DateTime(milliseconds);
}

std::optional<DateTime> DateTime::Parse(std::string_view text) {
    // Fixed width: 0000-00-00T00:00:00.000
    static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd.ddd";
    if (text.size() != kShape.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) {
            return std::nullopt;
        }
    }
    auto number = [&](std::size_t at, std::size_t width) {
        int value = 0;
        for (std::size_t i = at; i < at + width; ++i) {
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    try {
        return FromFields({number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2),
                           number(17, 2), number(20, 3)});
    } catch (const OrvanConversionException&) {
        return std::nullopt;
    }
}

DateTime DateTime::FromOleDate(double oleDate) {
    if (!(oleDate > -657435.0 && oleDate < 2958466.0)) {
        throw OrvanConversionException(L"the OLE date " + std::to_wstring(oleDate) +
                                       L" lies outside 0100-01-01 to 9999-12-31");
    }
    const double wholeDays = std::trunc(oleDate);
    const double fraction = std::fabs(oleDate - wholeDays);
    const auto timeOfDay =
        static_cast<std::int64_t>(std::llround(fraction * static_cast<double>(kMillisecondsPerDay)));
    const std::int64_t milliseconds =
        (kOleEpochDays + static_cast<std::int64_t>(wholeDays)) * kMillisecondsPerDay + timeOfDay;
    return DateTime(std::min(milliseconds, kLastMillisecond));
}

double DateTime::ToOleDate() const {
    // OLE dates begin at 0100-01-01, day -657434; earlier dates have no OLE value.
    if (milliseconds_ < (kOleEpochDays - 657434) * kMillisecondsPerDay) {
        throw OrvanConversionException(L"the date " + orvan::platform::FromUtf8(ToString()) +
                                       L" lies outside 0100-01-01 to 9999-12-31");
    }
    const std::int64_t days = milliseconds_ / kMillisecondsPerDay - kOleEpochDays;
    const double fraction =
        static_cast<double>(milliseconds_ % kMillisecondsPerDay) / static_cast<double>(kMillisecondsPerDay);
    const auto whole = static_cast<double>(days);
    return days >= 0 ? whole + fraction : whole - fraction;
}

DateTime::Fields DateTime::ToFields() const {
    Fields f{};
    CivilFromDays(milliseconds_ / kMillisecondsPerDay, f.year, f.month, f.day);
    std::int64_t rest = milliseconds_ % kMillisecondsPerDay;
    f.millisecond = static_cast<int>(rest % 1000);
    rest /= 1000;
    f.second = static_cast<int>(rest % 60);
    rest /= 60;
    f.minute = static_cast<int>(rest % 60);
    f.hour = static_cast<int>(rest / 60);
    return f;
}

std::string DateTime::ToString() const {
    const Fields f = ToFields();
    if (f.year >= 0 && f.year <= 9999) {
        // Spelled by hand: a large structure has hundreds of thousands of dates.
        std::string text = "0000-00-00T00:00:00.000";
        const auto put = [&text](std::size_t end, int value) {
            for (std::size_t at = end; value != 0; value /= 10) {
                text[--at] = static_cast<char>('0' + value % 10);
            }
        };
        put(4, f.year);
        put(7, f.month);
        put(10, f.day);
        put(13, f.hour);
        put(16, f.minute);
        put(19, f.second);
        put(23, f.millisecond);
        return text;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", f.year, f.month,
                  f.day, f.hour, f.minute, f.second, f.millisecond);
    return buffer;
}

}  // namespace Dorv::Orvan::Framework::Common
