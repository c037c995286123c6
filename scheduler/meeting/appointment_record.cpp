// Writing the appointment record.
#include "appointment_record.h"

#include <json/value.h>

#include "portable/json.h"
#include "portable/text.h"

namespace mivo {
namespace {

constexpr std::size_t kMessageClassLength = 13;

std::string cut_message_class(const std::string& message_class) {
  std::u16string units = utf8_to_utf16(message_class);
  if (units.size() <= kMessageClassLength) return message_class;
  // Never half a surrogate pair.
  std::size_t length = kMessageClassLength;
  if (units[length - 1] >= 0xD800 && units[length - 1] <= 0xDBFF) --length;
  units.resize(length);
  return utf16_to_utf8(units);
}

Json::Value recurring(const AppointmentRecurrence& pattern, double start) {
  Json::Value object(Json::objectValue);
  object["MeetingStart"] = start;
  object["Start"] = start;
  object["IsRecurring"] = 1;
  object["RecurrenceType"] = pattern.type;
  object["Interval"] = pattern.interval;
  object["DayOfWeekMask"] = pattern.day_of_week_mask;
  object["DayOfMonth"] = pattern.day_of_month;
  object["MonthOfYear"] = pattern.month_of_year;
  object["Instance"] = pattern.instance;
  object["Duration"] = pattern.duration;
  object["PatternStartDate"] = pattern.pattern_start;
  object["PatternEndDate"] = pattern.pattern_end;
  object["NoEndDate"] = pattern.no_end_date ? 1 : 0;
  object["Occurrences"] = pattern.occurrences;
  return object;
}

}  // namespace

std::string write_appointment_record(const AppointmentRecord& record) {
  Json::Value root(Json::objectValue);
  root["Subject"] = record.subject;
  root["OrStart"] = record.first_start.value_or(record.start);
  root["Start"] = record.start;
  root["End"] = record.end;
  root["Duration"] = record.duration;
  root["IsRecurring"] = record.recurrence ? 1 : 0;
  root["MsgClass"] = cut_message_class(record.message_class);
  root["recurrenceState"] = record.recurrence_state;
  Json::Value& recipients = root["Recipients"] = Json::Value(Json::arrayValue);
  for (const AppointmentRecipient& recipient : record.recipients) {
    Json::Value entry(Json::objectValue);
    entry["MailAddr"] = recipient.address;
    entry["Name"] = recipient.name;
    recipients.append(entry);
  }
  if (record.recurrence) root["Recurring"] = recurring(*record.recurrence, record.start);
  return write_json(root);
}

}  // namespace mivo
