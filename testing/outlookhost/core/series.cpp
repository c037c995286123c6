// The days a series falls on, one rule per pattern type.
#include "series.h"

#include "portable/oadate.h"

namespace mivo::outlookhost {

namespace {

// How far a search for the next day looks before it gives up: a monthly
// pattern every 99 months on the last Friday still falls within it.
constexpr int kSearchDays = 366 * 100;

int weekday(int day) { return ((day % 7) + 6) % 7; }  // 0 Sunday

int days_in_month(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

long interval_of(const SeriesPattern& pattern) {
  return pattern.interval > 0 ? pattern.interval : 1;
}

bool month_matches(const SeriesPattern& pattern, const SystemTime& date, SystemTime& first) {
  if (!variant_time_to_system_time(pattern.first_day, first)) return false;
  const int months = (date.year - first.year) * 12 + date.month - first.month;
  return months % interval_of(pattern) == 0;
}

}  // namespace

long weekday_bit(int day) { return 1L << weekday(day); }

bool series_falls_on(const SeriesPattern& pattern, int day) {
  if (day < pattern.first_day) return false;
  const long bit = weekday_bit(day);
  switch (pattern.type) {
    case 0:  // daily: every n days, or the days of the mask ("every weekday")
      if (pattern.day_of_week_mask != 0) return (pattern.day_of_week_mask & bit) != 0;
      return (day - pattern.first_day) % interval_of(pattern) == 0;
    case 1: {  // weekly: the mask's days of every n-th week
      const long mask =
          pattern.day_of_week_mask ? pattern.day_of_week_mask : weekday_bit(pattern.first_day);
      const int weeks =
          ((day - weekday(day)) - (pattern.first_day - weekday(pattern.first_day))) / 7;
      return (mask & bit) != 0 && weeks % interval_of(pattern) == 0;
    }
    case 2:
    case 3: {
      SystemTime date, first;
      if (!variant_time_to_system_time(day, date) || !month_matches(pattern, date, first))
        return false;
      const int length = days_in_month(date.year, date.month);
      if (pattern.type == 2) {
        const int wanted = pattern.day_of_month > 0 ? pattern.day_of_month : first.day;
        return date.day == (wanted < length ? wanted : length);
      }
      if ((pattern.day_of_week_mask & bit) == 0) return false;
      if (pattern.instance == 5) return date.day + 7 > length;
      return (date.day - 1) / 7 + 1 == pattern.instance;
    }
    default:
      return false;
  }
}

std::vector<int> series_days(const SeriesPattern& pattern, int count) {
  std::vector<int> days;
  int gap = 0;
  for (int day = pattern.first_day; static_cast<int>(days.size()) < count && gap < kSearchDays;
       ++day, ++gap) {
    if (!series_falls_on(pattern, day)) continue;
    days.push_back(day);
    gap = 0;
  }
  return days;
}

std::vector<int> series_days_until(const SeriesPattern& pattern, int last_day) {
  std::vector<int> days;
  for (int day = pattern.first_day; day <= last_day; ++day) {
    if (series_falls_on(pattern, day)) days.push_back(day);
  }
  return days;
}

}  // namespace mivo::outlookhost
