#pragma once

#include <cstdint>

namespace orvan::platform {

// The proleptic Gregorian calendar counted in days from 0001-01-01 (day 0).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

// OLE automation dates (days since 1899-12-30 00:00, the fraction the time of
// day) for a local calendar time, and for now.
double OleDateFromCalendar(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
double CurrentOleDate();

}  // namespace orvan::platform
