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
// day, away from zero (-1.25 is 1899-12-29 06:00). Fails for NaN and outside
// the range oleaut32 accepts (about 100-01-01 to 9999-12-31 23:59:59); `out`
// is then left untouched.
bool variant_time_to_system_time(double date, SystemTime& out);

// Ignores day_of_week and milliseconds. Like oleaut32: a month above 12, a day
// above 31 or a negative year fails; years 0 to 29 mean 2000 to 2029 and 30 to
// 99 mean 1930 to 1999; a day past the end of its month, day 0, month 0 and
// hours, minutes or seconds beyond their range roll into the neighbouring
// units. The fields are taken as the 16-bit values a SYSTEMTIME holds; a field
// that does not fit in 16 bits fails instead of being cut. `out` is left
// untouched on failure.
bool system_time_to_variant_time(const SystemTime& time, double& out);

// "%d-%02d-%02d" (year, month, day) and "%02d:%02d" (hour, minute, 24-hour
// clock) of the date as variant_time_to_system_time reads it; the empty text
// for a date it cannot convert.
std::string format_date(double date);
std::string format_time(double date);

}  // namespace mivo
