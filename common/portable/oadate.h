// OLE Automation dates (days since 1899-12-30 00:00, local time) converted to
// and from calendar fields exactly as oleaut32's VariantTimeToSystemTime and
// SystemTimeToVariantTime do, so the portable core reads dates as Windows does.
#pragma once

#include <string>

namespace mivo {

// The fields of a Win32 SYSTEMTIME. day_of_week counts from 0 = Sunday.
struct SystemTime {
  int year = 0;
  int month = 0;
  int day_of_week = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
};

// Rounds to the nearest whole second (milliseconds are always 0); a value
// below zero counts its whole days toward zero and its fraction, the time of
// day, away from zero (-1.25 is 1899-12-29 06:00). Rounding up from just
// before midnight gives 00:00:00 of the next calendar day, with that day's
// day_of_week. Fails for NaN and outside the range oleaut32 accepts (every
// fraction of the days 100-01-01 to 9999-12-31); `out` is then untouched.
bool variant_time_to_system_time(double date, SystemTime& out);

// Ignores day_of_week and milliseconds. Fails, as oleaut32 does, for a month
// above 12, a day above 31 or a year below 0 or above 9999. Years 0 to 49
// mean 2000 to 2049 and 50 to 99 mean 1950 to 1999 (Windows' default
// two-digit-year window). Month 0 is December of the year before, day 0 the
// last day of the month before, a day past the end of its month runs on into
// the next (2001-02-29 is 2001-03-01, 2000-11-31 is 2000-12-01), and hours,
// minutes and seconds beyond their range carry into the day; a result beyond
// 100-01-01 to 9999-12-31 is still returned, as oleaut32 returns it. The
// fields are the 16-bit values of a SYSTEMTIME, with hours, minutes and
// seconds read as signed (65535 is -1); a field that does not fit in 16 bits
// fails instead of being cut. `out` is left untouched on failure.
bool system_time_to_variant_time(const SystemTime& time, double& out);

// "%d-%02d-%02d" (year, month, day) and "%02d:%02d" (hour, minute, 24-hour
// clock) of the date as variant_time_to_system_time reads it; the empty text
// for a date it cannot convert.
std::string format_date(double date);
std::string format_time(double date);

}  // namespace mivo
