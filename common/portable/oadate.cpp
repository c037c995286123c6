// OLE Automation date <-> calendar fields, matching oleaut32.
#include "oadate.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace mivo {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back: the civil
// calendar algorithms of H. Hinnant, exact for every year in play here.
constexpr long long days_from_civil(long long year, long long month, long long day) {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long year_of_era = year - era * 400;
  const long long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

void civil_from_days(long long days, int& year, int& month, int& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long day_of_era = days - era * 146097;
  const long long year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const long long day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const long long month_index = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
  month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
  year = static_cast<int>(year_of_era + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr long long variant_epoch = days_from_civil(1899, 12, 30);  // a Saturday
constexpr double first_day = -657434.0;                             // 0100-01-01
constexpr double last_day = 2958465.0;                              // 9999-12-31
constexpr long long seconds_per_day = 86400;

bool fits_in_16_bits(int field) { return field >= -32768 && field <= 65535; }
int as_signed_16(int field) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(field)); }
int as_unsigned_16(int field) { return static_cast<std::uint16_t>(field); }

long long floor_divide(long long value, long long divisor) {
  const long long quotient = value / divisor;
  return quotient * divisor > value ? quotient - 1 : quotient;
}

template <class... Fields>
std::string printed(const char* format, Fields... fields) {
  char text[48];
  std::snprintf(text, sizeof text, format, fields...);
  return text;
}

}  // namespace

bool variant_time_to_system_time(double date, SystemTime& out) {
  // oleaut32 accepts the whole of the first and the last day's fractions.
  if (!(date > first_day - 1.0 && date < last_day + 1.0)) {
    return false;
  }
  const double whole_days = std::trunc(date);
  // oleaut32 nudges the fraction up by 1e-11 of a day before cutting it into
  // hours, minutes and seconds, so that a time such as 00:00:05.5, which the
  // binary fraction holds as 5.4999..., rounds up; the same steps here give
  // the same second at every such boundary.
  double rest = std::fabs(date - whole_days) + 1e-11;
  if (rest >= 1.0) {
    rest -= 1e-11;
  }
  rest *= 24.0;
  int hour = static_cast<int>(rest);
  rest = (rest - hour) * 60.0;
  int minute = static_cast<int>(rest);
  rest = (rest - minute) * 60.0;
  int second = static_cast<int>(rest);
  rest -= second;
  // Rounding up from just below midnight moves to the next calendar day,
  // also before 1899-12-30 where the day numbers run backwards.
  long long day_number = static_cast<long long>(whole_days);
  if (rest > 0.5 && ++second == 60) {
    second = 0;
    if (++minute == 60) {
      minute = 0;
      if (++hour == 24) {
        hour = 0;
        ++day_number;
      }
    }
  }
  SystemTime time;
  civil_from_days(day_number + variant_epoch, time.year, time.month, time.day);
  time.day_of_week = static_cast<int>(((day_number % 7) + 7 + 6) % 7);
  time.hour = hour;
  time.minute = minute;
  time.second = second;
  time.milliseconds = 0;
  out = time;
  return true;
}

bool system_time_to_variant_time(const SystemTime& time, double& out) {
  for (int field : {time.year, time.month, time.day, time.hour, time.minute, time.second}) {
    if (!fits_in_16_bits(field)) {
      return false;
    }
  }
  const int month = as_unsigned_16(time.month);
  const int day = as_unsigned_16(time.day);
  int year = as_signed_16(time.year);
  if (month > 12 || day > 31 || year < 0 || year > 9999) {
    return false;
  }
  // Two-digit years fall in Windows' default window, 1950 to 2049.
  if (year < 50) {
    year += 2000;
  } else if (year < 100) {
    year += 1900;
  }
  // Hours, minutes and seconds are signed 16-bit counts that carry into the
  // day; month 0 is December of the year before; day 0 is the last day of the
  // month before.
  const long long seconds = as_signed_16(time.hour) * 3600LL + as_signed_16(time.minute) * 60LL +
                            as_signed_16(time.second);
  const long long carried_days = floor_divide(seconds, seconds_per_day);
  const long long second_of_day = seconds - carried_days * seconds_per_day;
  const long long first_of_month =
      month == 0 ? days_from_civil(year - 1, 12, 1) : days_from_civil(year, month, 1);
  const long long day_number = first_of_month - variant_epoch + (day - 1) + carried_days;

  double date = static_cast<double>(day_number);
  const double sign = date < 0.0 ? -1.0 : 1.0;
  date += static_cast<double>(second_of_day / 3600) / 24.0 * sign;
  date += static_cast<double>(second_of_day / 60 % 60) / 1440.0 * sign;
  date += static_cast<double>(second_of_day % 60) / 86400.0 * sign;
  out = date;
  return true;
}

std::string format_date(double date) {
  SystemTime time;
  return variant_time_to_system_time(date, time)
             ? printed("%d-%02d-%02d", time.year, time.month, time.day)
             : std::string();
}

std::string format_time(double date) {
  SystemTime time;
  return variant_time_to_system_time(date, time) ? printed("%02d:%02d", time.hour, time.minute)
                                                 : std::string();
}

}  // namespace mivo
