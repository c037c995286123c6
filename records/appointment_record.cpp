// Writing and reading the appointment record.
#include "appointment_record.h"

#include "portable/json.h"
#include "portable/text.h"

namespace mivo::records {
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

}  // namespace

std::string write_appointment_record(const AppointmentRecord& record) {
  Json::Value root(Json::objectValue);
  root["Subject"] = record.subject;
  root["OrStart"] = record.first_start.value_or(record.start);
  root["Start"] = record.start;
  root["End"] = record.end;
  root["Duration"] = record.duration;
  root["MsgClass"] = cut_message_class(record.message_class);
  root["recurrenceState"] = record.recurrence_state;
  detail::write_shared_parts(record.recipients, record.recurrence, true, root);
  if (record.recurrence.recurring) {
    root["Recurring"]["MeetingStart"] = record.start;
    root["Recurring"]["Start"] = record.start;
  }
  return write_json(root);
}

RecordRead read_appointment_record(std::string_view text, AppointmentRecord& record) {
  Json::Value root;
  const RecordRead parse = detail::parse_record(text, root);
  if (parse == RecordRead::skipped) return parse;
  JsonObjectReader reader(root);
  record.subject = reader.text("Subject");
  record.duration = reader.integer("Duration");
  record.start = reader.real("Start");
  record.first_start = reader.real("OrStart");
  record.end = reader.real("End");
  record.message_class = reader.text("MsgClass");
  record.recurrence_state = reader.integer("recurrenceState");
  return detail::read_shared_parts(parse, reader.met_wrong_type(), root, record.recipients,
                                   record.recurrence);
}

}  // namespace mivo::records
