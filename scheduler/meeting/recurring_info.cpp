// CRecurringInfo: recipients, the service's recurrence rules, change test.
#include "recurring_info.h"

#include <cmath>

namespace mivo {

void CRecurringInfo::clear_recipients() {
  recipient_addresses.clear();
  recipient_names.clear();
}

RecurrenceCheck CRecurringInfo::check() const {
  if (!recurring) {
    return RecurrenceCheck::accepted;
  }
  if (no_end_date) {
    return RecurrenceCheck::no_end_date;
  }
  switch (pattern_type) {
    case pattern_daily:
      return interval >= 2 ? RecurrenceCheck::daily_interval_too_long : RecurrenceCheck::accepted;
    case pattern_weekly:
      return interval < 0 || interval > 10 ? RecurrenceCheck::weekly_interval_out_of_range
                                           : RecurrenceCheck::accepted;
    case pattern_monthly:
    case pattern_yearly:
    case pattern_yearly_nth:
      return RecurrenceCheck::monthly_or_yearly;
    default:
      return RecurrenceCheck::accepted;
  }
}

bool CRecurringInfo::differs_from(const CRecurringInfo& other) const {
  // Outlook hands the pattern dates back with some seconds of noise.
  constexpr double date_tolerance = 2.0 / 86400.0;
  if (recurring != other.recurring || recipient_addresses != other.recipient_addresses ||
      pattern_type != other.pattern_type ||
      std::fabs(pattern_end_date - other.pattern_end_date) > date_tolerance ||
      std::fabs(pattern_start_date - other.pattern_start_date) > date_tolerance ||
      no_end_date != other.no_end_date) {
    return true;
  }
  switch (pattern_type) {
    case pattern_daily:
      // A day mask means "every weekday", where the interval does not count.
      return day_of_week_mask > 0 ? day_of_week_mask != other.day_of_week_mask
                                  : interval != other.interval;
    case pattern_weekly:
      // The interval goes to the service as the weekly frequency, so a change
      // of it alone must be sent as well.
      return day_of_week_mask != other.day_of_week_mask || interval != other.interval;
    case pattern_monthly:
      return interval != other.interval || day_of_month != other.day_of_month;
    case pattern_monthly_nth:
      return interval != other.interval || instance != other.instance ||
             day_of_week_mask != other.day_of_week_mask;
    case pattern_yearly:
      return month_of_year != other.month_of_year || day_of_month != other.day_of_month;
    case pattern_yearly_nth:
      return month_of_year != other.month_of_year || interval != other.interval ||
             day_of_month != other.day_of_month;
    default:
      return false;
  }
}

}  // namespace mivo
