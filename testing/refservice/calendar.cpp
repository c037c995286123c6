// Date arithmetic (proleptic Gregorian calendar) and recurrence expansion.
#include "calendar.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>

namespace mivo::refservice {
namespace {

bool is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : kDays[month - 1];
}

// Digits only, no sign, at most `max_digits`.
std::optional<int> parse_digits(std::string_view text, size_t max_digits) {
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// A JSON number or a decimal string (possibly signed); nullopt when absent
// or null, `bad` set when present but unusable.
std::optional<int> integer_member(const Json::Value& record, const char* key, bool& bad) {
  const Json::Value& v = record[key];
  if (v.isNull()) return std::nullopt;
  if (v.isInt()) return v.asInt();
  if (v.isString()) {
    const std::string text = v.asString();
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (!text.empty() && ec == std::errc() && end == text.data() + text.size()) return value;
  }
  bad = true;
  return std::nullopt;
}

long month_index(const Date& d) { return static_cast<long>(d.year) * 12 + (d.month - 1); }

// The n-th (or, for -1, the last) given weekday of a month.
long nth_weekday(long month, int week_of_month, int day_of_week) {
  const int year = static_cast<int>(month / 12);
  const int mon = static_cast<int>(month % 12) + 1;
  if (week_of_month < 0) {
    const long last = day_number({year, mon, days_in_month(year, mon)});
    return last - (weekday(last) - day_of_week + 7) % 7;
  }
  const long first = day_number({year, mon, 1});
  return first + (day_of_week - weekday(first) + 7) % 7 + 7L * (week_of_month - 1);
}

}  // namespace

std::optional<Date> parse_date(std::string_view text) {
  const size_t a = text.find('-');
  if (a == std::string_view::npos) return std::nullopt;
  const size_t b = text.find('-', a + 1);
  if (b == std::string_view::npos) return std::nullopt;
  const auto year = parse_digits(text.substr(0, a), 4);
  const auto month = parse_digits(text.substr(a + 1, b - a - 1), 2);
  const auto day = parse_digits(text.substr(b + 1), 2);
  if (!year || !month || !day || *year < 1 || *month < 1 || *month > 12 || *day < 1 ||
      *day > days_in_month(*year, *month)) {
    return std::nullopt;
  }
  return Date{*year, *month, *day};
}

std::string format_date(const Date& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

std::optional<int> parse_time(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto hour = parse_digits(text.substr(0, colon), 2);
  const auto minute = parse_digits(text.substr(colon + 1), 2);
  if (!hour || !minute || *hour > 23 || *minute > 59 || colon + 3 != text.size())
    return std::nullopt;
  return *hour * 60 + *minute;
}

// Howard Hinnant's days_from_civil / civil_from_days.
long day_number(const Date& date) {
  const int y = date.year - (date.month <= 2 ? 1 : 0);
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Date date_from_day_number(long days) {
  days += 719468;
  const long era = (days >= 0 ? days : days - 146096) / 146097;
  const long doe = days - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  return {year, month, day};
}

int weekday(long day_number) {
  // 1970-01-01 was a Thursday (4).
  return static_cast<int>(((day_number % 7) + 7 + 3) % 7) + 1;
}

std::optional<Recurrence> read_recurrence(const Json::Value& record, const Date& start,
                                          std::string& error) {
  Recurrence r;
  bool bad = false;
  const int type = integer_member(record, "type", bad).value_or(0);
  if (bad) {
    error = "type is not a number";
    return std::nullopt;
  }
  if (type < Recurrence::kDaily || type > Recurrence::kMonthlyNth) return r;
  r.kind = static_cast<Recurrence::Kind>(type);
  r.interval = std::max(1, integer_member(record, "freqInterval", bad).value_or(1));
  const long start_day = day_number(start);

  if (const Json::Value& end = record["endDate"]; !end.isNull()) {
    r.end = end.isString() ? parse_date(end.asString()) : std::nullopt;
    if (!r.end) {
      error = "endDate is not a date";
      return std::nullopt;
    }
    if (day_number(*r.end) < start_day) {
      error = "endDate lies before startDate";
      return std::nullopt;
    }
  }

  if (r.kind == Recurrence::kWeekly) {
    const Json::Value& days = record["weeklyDayOfWeek"];
    const std::string list = days.isString() ? days.asString() : "";
    if (!days.isNull() && !days.isString()) bad = true;
    for (size_t pos = 0; pos < list.size() && !bad;) {
      const size_t comma = std::min(list.find(',', pos), list.size());
      const auto day = parse_digits(std::string_view(list).substr(pos, comma - pos), 1);
      if (!day || *day < 1 || *day > 7)
        bad = true;
      else
        r.weekdays.push_back(*day);
      pos = comma + 1;
    }
    if (bad) {
      error = "weeklyDayOfWeek is not a list of day numbers 1 to 7";
      return std::nullopt;
    }
    if (r.weekdays.empty()) r.weekdays.push_back(weekday(start_day));
    std::sort(r.weekdays.begin(), r.weekdays.end());
    r.weekdays.erase(std::unique(r.weekdays.begin(), r.weekdays.end()), r.weekdays.end());
  }

  if (r.kind == Recurrence::kMonthlyNth) {
    r.day_of_week = integer_member(record, "monthlyDayOfWeek", bad).value_or(weekday(start_day));
    r.week_of_month =
        integer_member(record, "monthlyWeekOfMonth", bad).value_or((start.day - 1) / 7 + 1);
    if (r.week_of_month == 5) r.week_of_month = -1;
    if (bad || r.day_of_week < 1 || r.day_of_week > 7 || r.week_of_month == 0 ||
        r.week_of_month < -1 || r.week_of_month > 4) {
      error = "monthlyDayOfWeek or monthlyWeekOfMonth out of range";
      return std::nullopt;
    }
  }
  if (bad) {
    error = "freqInterval is not a number";
    return std::nullopt;
  }
  return r;
}

std::vector<long> expand_occurrences(long start, const Recurrence& r, size_t cap) {
  std::vector<long> days;
  if (r.kind == Recurrence::kOnce || cap == 0) {
    if (cap > 0) days.push_back(start);
    return days;
  }
  // Without an end date a series runs until the cap.
  const long last = r.end ? day_number(*r.end) : LONG_MAX;
  switch (r.kind) {
    case Recurrence::kDaily:
      for (long d = start; d <= last && days.size() < cap; d += r.interval) days.push_back(d);
      break;
    case Recurrence::kWorkdays:
      for (long d = start; d <= last && days.size() < cap; ++d) {
        if (weekday(d) <= 5) days.push_back(d);
      }
      break;
    case Recurrence::kWeekly: {
      const long first_monday = start - (weekday(start) - 1);
      for (long monday = first_monday; monday <= last && days.size() < cap;
           monday += 7L * r.interval) {
        for (int wd : r.weekdays) {
          const long d = monday + wd - 1;
          if (d >= start && d <= last && days.size() < cap) days.push_back(d);
        }
      }
      break;
    }
    case Recurrence::kMonthlyNth: {
      for (long month = month_index(date_from_day_number(start)); days.size() < cap;
           month += r.interval) {
        if (day_number({static_cast<int>(month / 12), static_cast<int>(month % 12) + 1, 1}) > last)
          break;
        const long d = nth_weekday(month, r.week_of_month, r.day_of_week);
        if (d >= start && d <= last) days.push_back(d);
      }
      break;
    }
    case Recurrence::kOnce:
      break;
  }
  return days;
}

}  // namespace mivo::refservice
