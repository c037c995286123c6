// Writing and reading the meeting settings record.
#include "settings_record.h"

#include "portable/json.h"

namespace mivo::records {

std::string write_settings_record(const SettingsRecord& record) {
  Json::Value root(Json::objectValue);
  detail::write_shared_parts(record, record.first_start, false, root);
  root["enterMeetMute"] = record.mute_on_entry;
  root["MeetingKey"] = record.meeting_key;
  return write_json(root);
}

RecordRead read_settings_record(std::string_view text, SettingsRecord& record) {
  return detail::read_record(text, record, [&](JsonObjectReader& reader) {
    record.meeting_key = reader.text("MeetingKey");
    record.mute_on_entry = reader.flag("enterMeetMute");
  });
}

}  // namespace mivo::records
