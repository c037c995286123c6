// CRecurringInfo: the recurrence part of a meeting record, with the
// recipients, and the rules the meeting service applies to recurrences.
#pragma once

#include <string>
#include <vector>

namespace mivo {

// Why the meeting service would refuse a recurrence (the scheduler shows one
// message for every reason but accepted).
enum class RecurrenceCheck {
  accepted = 0,
  daily_interval_too_long = 1,       // daily pattern repeating every 2 days or more
  no_end_date = 2,                   // the service needs an end
  weekly_interval_out_of_range = 3,  // weekly interval below 0 or above 10
  monthly_or_yearly = 5,             // monthly, yearly and their n-th weekday forms
};

// Outlook's recurrence pattern types, as the records carry them.
enum PatternType : int {
  pattern_daily = 0,
  pattern_weekly = 1,
  pattern_monthly = 2,
  pattern_monthly_nth = 3,
  pattern_yearly = 5,
  pattern_yearly_nth = 6,
};

// Outlook's day-of-week bits.
enum DayBits : int {
  day_sunday = 1,
  day_monday = 2,
  day_tuesday = 4,
  day_wednesday = 8,
  day_thursday = 16,
  day_friday = 32,
  day_saturday = 64,
};

class CRecurringInfo {
 public:
  CRecurringInfo() = default;
  CRecurringInfo(const CRecurringInfo&) = default;
  CRecurringInfo& operator=(const CRecurringInfo&) = default;
  virtual ~CRecurringInfo() = default;

  // Empties both recipient lists; the record readers append to them.
  void clear_recipients();

  // Whether the meeting service accepts this recurrence.
  RecurrenceCheck check() const;

  // The change test of the meeting record for this part: the 2-second
  // tolerance on the pattern dates, addresses compared in order (names are
  // not), and the pattern fields that matter for this record's pattern type.
  bool differs_from(const CRecurringInfo& other) const;

  bool recurring = false;             // the meeting repeats
  int pattern_type = 0;               // PatternType; other values pass through
  double pattern_start_date = 0;      // OLE Automation date of the first day
  double pattern_end_date = 0;        // last day, plus the occurrence duration once read
  int occurrences = 0;                // number of occurrences
  bool no_end_date = false;           // the pattern never ends
  int interval = 0;                   // every n days, weeks, months or years
  int instance = 0;                   // n-th weekday of the month; 5 = the last
  int day_of_week_mask = day_sunday;  // DayBits
  int day_of_month = 0;
  int month_of_year = 0;
  int duration = 0;  // minutes of one occurrence

  // Recipients' SMTP addresses and display names, parallel lists in the
  // order the appointment lists them (the organiser is not among them).
  std::vector<std::string> recipient_addresses;
  std::vector<std::string> recipient_names;
};

}  // namespace mivo
