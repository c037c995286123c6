// The days an Outlook series falls on, from its pattern in Outlook's own
// terms (RecurrencePattern): every `interval` days, weeks or months from the
// pattern's first day. Weeks start on Sunday, Outlook's default; a monthly
// pattern on a day its month lacks falls on the month's last day, and
// instance 5 of the n-th weekday means the last one of the month.
#pragma once

#include <vector>

namespace mivo::outlookhost {

struct SeriesPattern {
  long type = 1;              // OlRecurrenceType: 0 daily, 1 weekly, 2 monthly, 3 n-th weekday
  long interval = 1;          // 0 reads as 1
  long day_of_week_mask = 0;  // OlDaysOfWeek bits, olSunday 1 to olSaturday 64
  long day_of_month = 0;
  long instance = 0;  // 1 to 4, 5 the last
  int first_day = 0;  // PatternStartDate as a whole OLE Automation day
};

// Outlook's OlDaysOfWeek bit of a whole OLE Automation day (day 0,
// 1899-12-30, was a Saturday).
long weekday_bit(int day);

// Whether the series has an occurrence on `day` (its end left aside).
bool series_falls_on(const SeriesPattern& pattern, int day);

// The first `count` days of the series, or its days up to `last_day`
// inclusive; empty for a pattern that never falls on a day (yearly ones are
// not modelled).
std::vector<int> series_days(const SeriesPattern& pattern, int count);
std::vector<int> series_days_until(const SeriesPattern& pattern, int last_day);

}  // namespace mivo::outlookhost
