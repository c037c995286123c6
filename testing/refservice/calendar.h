// Calendar dates and the expansion of a conference record's recurrence into
// the dates of its occurrences.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mivo::refservice {

struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
};

// "2021-03-07" and "2021-3-7" (as "%d-%02d-%02d" or a sloppier writer gives
// them); nullopt for anything that is not a real calendar day.
std::optional<Date> parse_date(std::string_view text);
std::string format_date(const Date& date);

// "09:05" or "9:05"; minutes since midnight.
std::optional<int> parse_time(std::string_view text);

// Days since 1970-01-01 and back.
long day_number(const Date& date);
Date date_from_day_number(long days);

// 1 Monday ... 7 Sunday, the service's day numbering.
int weekday(long day_number);

// The recurrence members of a conference record.
struct Recurrence {
  enum Kind { kOnce = 0, kDaily = 1, kWorkdays = 2, kWeekly = 3, kMonthlyNth = 4 };
  Kind kind = kOnce;
  int interval = 1;           // days, weeks or months between repetitions
  std::vector<int> weekdays;  // kWeekly: 1..7, ascending
  int week_of_month = 1;      // kMonthlyNth: 1..4, or -1 for the last
  int day_of_week = 1;        // kMonthlyNth: 1..7
  std::optional<Date> end;    // last day (inclusive)
};

// Reads "type", "freqInterval", "weeklyDayOfWeek", "monthlyDayOfWeek",
// "monthlyWeekOfMonth" and "endDate". Numbers may come as JSON numbers or as
// decimal strings. A "type" the service does not know means a single meeting.
// On malformed values returns nullopt and says why in `error`.
std::optional<Recurrence> read_recurrence(const Json::Value& record, const Date& start,
                                          std::string& error);

// The occurrence dates from `start` (day number) on, at most `cap` of them.
std::vector<long> expand_occurrences(long start, const Recurrence& recurrence, size_t cap);

}  // namespace mivo::refservice
