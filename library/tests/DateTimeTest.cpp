#include "library/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "library/OrvanException.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

TEST(DateTimeTest, OleDatesConvertToCalendarTimes) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "1899-12-30T00:00:00.000"}, {0.5, "1899-12-30T12:00:00.000"},
        {-0.5, "1899-12-30T12:00:00.000"},  // the fraction counts forward also below zero
        {-1.25, "1899-12-29T06:00:00.000"}, {-73046.0, "1700-01-01T00:00:00.000"},
        {40252.0, "2010-03-15T00:00:00.000"}, {-657434.0, "0100-01-01T00:00:00.000"},
        {2958465.0, "9999-12-31T00:00:00.000"}, {2958465.99999999, "9999-12-31T23:59:59.999"},
        {1.0 / 86400000.0 * 1.4, "1899-12-30T00:00:00.001"},  // rounded to the millisecond
        {36526.0 + 0.75, "2000-01-01T18:00:00.000"},
    };
    for (const auto& [ole, expected] : cases) {
        EXPECT_EQ(DateTime::FromOleDate(ole).ToString(), expected) << ole;
    }
}

TEST(DateTimeTest, OnlyValuesStrictlyInsideTheRangeConvert) {
    const double refused[] = {-657435.0, 2958466.0, -1e300, 1e300, std::nan(""),
                              std::numeric_limits<double>::infinity()};
    for (double value : refused) {
        EXPECT_THROW(DateTime::FromOleDate(value), OrvanConversionException) << value;
    }
    EXPECT_NO_THROW(DateTime::FromOleDate(-657434.999));
    EXPECT_NO_THROW(DateTime::FromOleDate(2958465.999));
    // The same range the other way: a date an archive may hold but no OLE date can.
    for (const DateTime::Fields early : {DateTime::Fields{1, 1, 1, 0, 0, 0, 0}, {50, 1, 1, 0, 0, 0, 0},
                                         {99, 12, 31, 23, 59, 59, 999}}) {
        EXPECT_THROW(static_cast<void>(DateTime::FromFields(early).ToOleDate()), OrvanConversionException)
            << early.year;
    }
    EXPECT_EQ(DateTime::FromFields({100, 1, 1, 0, 0, 0, 0}).ToOleDate(), -657434.0);
}

TEST(DateTimeTest, MillisecondTimesSurviveTheRoundTripThroughOleDates) {
    for (const DateTime::Fields fields : {DateTime::Fields{100, 1, 1, 0, 0, 0, 0}, {1899, 12, 29, 6, 0, 0, 1},
                                          {1899, 12, 30, 23, 59, 59, 999}, {2024, 2, 29, 13, 14, 15, 16},
                                          {9999, 12, 31, 23, 59, 59, 999}}) {
        const DateTime date = DateTime::FromFields(fields);
        EXPECT_EQ(DateTime::FromOleDate(date.ToOleDate()), date) << date.ToString();
    }
    EXPECT_EQ(DateTime::FromFields({1899, 12, 29, 6, 0, 0, 0}).ToOleDate(), -1.25);
}

TEST(DateTimeTest, TextFormIsExactAndStrict) {
    const auto parsed = DateTime::Parse("0001-01-01T00:00:00.000");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Milliseconds(), 0);
    // Leap days: every fourth year, but not in a century unless it divides by 400.
    for (const char* good : {"9999-12-31T23:59:59.999", "2000-02-29T00:00:00.000", "2024-02-29T00:00:00.000"}) {
        const auto date = DateTime::Parse(good);
        EXPECT_EQ(date ? date->ToString() : "refused", good);
    }
    for (const char* bad : {"1900-02-29T00:00:00.000", "2023-02-29T00:00:00.000", "2024-13-01T00:00:00.000",
                            "2024-01-01T24:00:00.000", "2024-01-01 00:00:00.000", "2024-01-01T00:00:00",
                            "0000-01-01T00:00:00.000", "2024-01-01T00:00:00.000Z", "+024-01-01T00:00:00.000"}) {
        EXPECT_FALSE(DateTime::Parse(bad)) << bad;
    }
}

}  // namespace
}  // namespace Dorv::Orvan::Framework::Common
