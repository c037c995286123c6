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
  detail::write_shared_parts(record, record.first_start != 0 ? record.first_start : record.start,
                             true, root);
  root["End"] = record.end;
  root["MsgClass"] = cut_message_class(record.message_class);
  root["recurrenceState"] = record.recurrence_state;
  if (record.recurrence.recurring) {
    root["Recurring"]["MeetingStart"] = record.start;
    root["Recurring"]["Start"] = record.start;
  }
  return write_json(root);
}

RecordRead read_appointment_record(std::string_view text, AppointmentRecord& record) {
  return detail::read_record(text, record, [&](JsonObjectReader& reader) {
    record.end = reader.real("End");
    record.message_class = reader.text("MsgClass");
    record.recurrence_state = reader.integer("recurrenceState");
  });
}

}  // namespace mivo::records
