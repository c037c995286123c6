// Writing the appointment record.
#include "appointment_record.h"

#include <json/value.h>

#include "portable/json.h"
#include "portable/text.h"

namespace mivo::addin {

namespace {
constexpr std::size_t kMessageClassLength = 13;
}  // namespace

std::string record_message_class(const std::string& message_class) {
  const std::u16string wide = utf8_to_utf16(message_class);
  if (wide.size() <= kMessageClassLength) return message_class;
  return utf16_to_utf8(wide.substr(0, kMessageClassLength));
}

std::string write_appointment_record(const AppointmentValues& values) {
  Json::Value record(Json::objectValue);
  Json::Value& recipients = record["Recipients"] = Json::Value(Json::arrayValue);
  for (const auto& recipient : values.recipients) {
    Json::Value entry(Json::objectValue);
    entry["MailAddr"] = recipient.address;
    entry["Name"] = recipient.name;
    recipients.append(std::move(entry));
  }
  record["Subject"] = values.subject;
  record["OrStart"] = values.start;
  record["Start"] = values.start;
  record["End"] = values.end;
  record["Duration"] = values.duration;
  record["IsRecurring"] = values.is_recurring ? 1 : 0;
  record["MsgClass"] = record_message_class(values.message_class);
  record["recurrenceState"] = values.recurrence_state;
  if (values.is_recurring) {
    const AppointmentRecurrence pattern = values.recurrence.value_or(AppointmentRecurrence{});
    Json::Value& recurring = record["Recurring"] = Json::Value(Json::objectValue);
    recurring["MeetingStart"] = pattern.meeting_start;
    recurring["IsRecurring"] = 1;
    recurring["NoEndDate"] = pattern.no_end_date ? 1 : 0;
    recurring["MonthOfYear"] = pattern.month_of_year;
    recurring["Interval"] = pattern.interval;
    recurring["Instance"] = pattern.instance;
    recurring["RecurrenceType"] = pattern.recurrence_type;
    recurring["DayOfWeekMask"] = pattern.day_of_week_mask;
    recurring["DayOfMonth"] = pattern.day_of_month;
    recurring["Duration"] = pattern.duration;
    recurring["Start"] = values.start;
    recurring["PatternEndDate"] = pattern.pattern_end;
    recurring["PatternStartDate"] = pattern.pattern_start;
    recurring["Occurrences"] = pattern.occurrences;
  }
  return write_json(record);
}

}  // namespace mivo::addin
