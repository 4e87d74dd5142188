#pragma once

namespace orvan::record {

// OLE automation dates: days since 1899-12-30 00:00, the fraction being the time of day.
// 1700-01-01 00:00 stands for a date without a value.
inline constexpr double kOleDateUnset = -73046.0;
// 1899-12-30 00:00, the reset value of the processing date.
inline constexpr double kOleDateZero = 0.0;

}  // namespace orvan::record
