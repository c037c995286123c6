// Writing and reading the meeting settings record.
#include "settings_record.h"

#include "portable/json.h"

namespace mivo::records {

std::string write_settings_record(const SettingsRecord& record) {
  Json::Value root(Json::objectValue);
  detail::write_shared_parts(record, record.first_start, false, root);
  root["enterMeetMute"] = record.mute_on_entry;
  root["MeetingKey"] = record.meeting_key;
  if (!record.password.empty()) root["Password"] = record.password;
  if (!record.host_user_id.empty()) root["HostUserId"] = record.host_user_id;
  if (!record.default_subject.empty()) root["DefaultSubject"] = record.default_subject;
  if (!record.location.empty()) root["Location"] = record.location;
  return write_json(root);
}

RecordRead read_settings_record(std::string_view text, SettingsRecord& record) {
  return detail::read_record(text, record, [&](JsonObjectReader& reader) {
    record.meeting_key = reader.text("MeetingKey");
    record.mute_on_entry = reader.flag("enterMeetMute");
    record.password = reader.text("Password");
    record.host_user_id = reader.text("HostUserId");
    record.default_subject = reader.text("DefaultSubject");
    record.location = reader.text("Location");
  });
}

}  // namespace mivo::records
