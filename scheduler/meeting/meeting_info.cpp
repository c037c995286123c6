// CMeetingInfo: taking records into the draft, its settings record, the
// change test, the service's recurrence rules and the start's texts.
#include "meeting_info.h"

#include <cmath>

#include "portable/oadate.h"

namespace mivo {
namespace {

using records::Recurrence;

// The service ends a pattern on a date: keep the calendar day of the last
// occurrence and move to where that occurrence ends, so an occurrence of a
// day or longer ends on the day after. A date outside the calendar's range is
// kept as it was read.
double adjusted_pattern_end(double pattern_end, int occurrence_minutes) {
  SystemTime day;
  double midnight = 0;
  if (!variant_time_to_system_time(pattern_end, day)) return pattern_end;
  day.hour = 0;
  day.minute = 0;
  day.second = 0;
  day.milliseconds = 0;
  if (!system_time_to_variant_time(day, midnight)) return pattern_end;
  return midnight + occurrence_minutes / 24.0 / 60.0;
}

void take_recurrence_and_recipients(const Recurrence& recurrence,
                                    const std::vector<records::Recipient>& recipients,
                                    CMeetingInfo& draft) {
  draft.recurrence = recurrence;
  draft.recurrence.pattern_end_date =
      adjusted_pattern_end(recurrence.pattern_end_date, recurrence.duration);
  draft.recipients.insert(draft.recipients.end(), recipients.begin(), recipients.end());
}

bool addresses_differ(const std::vector<records::Recipient>& a,
                      const std::vector<records::Recipient>& b) {
  if (a.size() != b.size()) return true;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].address != b[i].address) return true;
  }
  return false;
}

bool recurrences_differ(const Recurrence& current, const Recurrence& other) {
  // Outlook hands the pattern dates back with some seconds of noise.
  constexpr double kDateTolerance = 2.0 / 86400.0;
  if (current.recurring != other.recurring || current.pattern_type != other.pattern_type ||
      std::fabs(current.pattern_end_date - other.pattern_end_date) > kDateTolerance ||
      std::fabs(current.pattern_start_date - other.pattern_start_date) > kDateTolerance ||
      current.no_end_date != other.no_end_date) {
    return true;
  }
  switch (current.pattern_type) {
    case records::pattern_daily:
      // A day mask means "every weekday", where the interval does not count.
      return current.day_of_week_mask > 0 ? current.day_of_week_mask != other.day_of_week_mask
                                          : current.interval != other.interval;
    case records::pattern_weekly:
      // The interval goes to the service as the weekly frequency, so a change
      // of it alone must be sent as well.
      return current.day_of_week_mask != other.day_of_week_mask ||
             current.interval != other.interval;
    case records::pattern_monthly:
      return current.interval != other.interval || current.day_of_month != other.day_of_month;
    case records::pattern_monthly_nth:
      return current.interval != other.interval || current.instance != other.instance ||
             current.day_of_week_mask != other.day_of_week_mask;
    case records::pattern_yearly:
      return current.month_of_year != other.month_of_year ||
             current.day_of_month != other.day_of_month;
    case records::pattern_yearly_nth:
      return current.month_of_year != other.month_of_year || current.interval != other.interval ||
             current.day_of_month != other.day_of_month;
    default:
      return false;
  }
}

}  // namespace

// A pattern never read starts on Sundays, as Outlook's own does.
CMeetingInfo::CMeetingInfo() { recurrence.day_of_week_mask = records::day_sunday; }

void CMeetingInfo::take_appointment(const records::AppointmentRecord& record) {
  subject = record.subject;
  duration = record.duration;
  start = record.start;
  if (first_start == 0) first_start = record.first_start;
  take_recurrence_and_recipients(record.recurrence, record.recipients, *this);
}

void CMeetingInfo::take_settings(const records::SettingsRecord& record, bool parsed) {
  if (parsed) {
    subject = record.subject;
    duration = record.duration;
    start = record.start;
    if (first_start == 0) first_start = record.first_start;
    mute_on_entry = record.mute_on_entry;
    password = record.password;
  }
  take_recurrence_and_recipients(record.recurrence, record.recipients, *this);
}

records::SettingsRecord CMeetingInfo::settings_record(const ServiceMeeting& meeting) const {
  records::SettingsRecord record;
  record.subject = subject;
  record.start = start;
  record.first_start = first_start;
  record.duration = duration;
  record.mute_on_entry = mute_on_entry;
  record.meeting_key = meeting.meeting_key;
  record.password = password;
  record.host_user_id = meeting.host_user_id;
  record.default_subject = meeting.default_subject;
  record.location = meeting.location;
  record.recipients = recipients;
  record.recurrence = recurrence;
  return record;
}

bool CMeetingInfo::differs_from(const CMeetingInfo& snapshot) const {
  return subject != snapshot.subject || password != snapshot.password ||
         duration != snapshot.duration || start != snapshot.start ||
         mute_on_entry != snapshot.mute_on_entry ||
         addresses_differ(recipients, snapshot.recipients) ||
         recurrences_differ(recurrence, snapshot.recurrence);
}

RecurrenceCheck CMeetingInfo::check_recurrence() const {
  if (!recurrence.recurring) return RecurrenceCheck::accepted;
  if (recurrence.no_end_date) return RecurrenceCheck::no_end_date;
  switch (recurrence.pattern_type) {
    case records::pattern_daily:
      return recurrence.interval >= 2 ? RecurrenceCheck::daily_interval_too_long
                                      : RecurrenceCheck::accepted;
    case records::pattern_weekly:
      return recurrence.interval < 0 || recurrence.interval > 10
                 ? RecurrenceCheck::weekly_interval_out_of_range
                 : RecurrenceCheck::accepted;
    case records::pattern_monthly:
    case records::pattern_yearly:
    case records::pattern_yearly_nth:
      return RecurrenceCheck::monthly_or_yearly;
    default:
      return RecurrenceCheck::accepted;
  }
}

std::string CMeetingInfo::start_date_text() const { return format_date(start); }

std::string CMeetingInfo::start_time_text() const { return format_time(start); }

}  // namespace mivo
