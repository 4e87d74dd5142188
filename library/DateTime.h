#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace Dorv::Orvan::Framework::Common {

// A calendar date and time of day to the millisecond, without time zone,
// from 0001-01-01 00:00:00.000 to 9999-12-31 23:59:59.999.
class DateTime {
public:
    struct Fields {
        int year, month, day, hour, minute, second, millisecond;
    };

    constexpr DateTime() = default;

    // Throws OrvanConversionException for fields outside the calendar or range.
    static DateTime FromFields(const Fields& fields);
    // Milliseconds since 0001-01-01 00:00; nothing when outside the range.
    static std::optional<DateTime> FromMilliseconds(std::int64_t milliseconds);
    // "YYYY-MM-DDThh:mm:ss.fff" exactly; nothing for any other text.
    static std::optional<DateTime> Parse(std::string_view text);

    // OLE automation date: days since 1899-12-30 00:00, the fraction the time of
    // day counted forward also for negative values (-1.25 is 1899-12-29 06:00),
    // rounded to the millisecond. Only values strictly between -657435.0 and
    // 2958466.0 convert; any other value, NaN included, throws OrvanConversionException.
    static DateTime FromOleDate(double oleDate);
    // Throws OrvanConversionException for a date before 0100-01-01, which
    // has no OLE value.
    double ToOleDate() const;

    Fields ToFields() const;
    std::int64_t Milliseconds() const { return milliseconds_; }
    std::string ToString() const;  // "YYYY-MM-DDThh:mm:ss.fff"

    auto operator<=>(const DateTime&) const = default;

private:
    explicit constexpr DateTime(std::int64_t milliseconds) : milliseconds_(milliseconds) {}

    std::int64_t milliseconds_ = 0;
};

}  // namespace Dorv::Orvan::Framework::Common
