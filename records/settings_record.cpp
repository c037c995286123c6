// Writing and reading the meeting settings record.
#include "settings_record.h"

#include "portable/json.h"

namespace mivo::records {

std::string write_settings_record(const SettingsRecord& record) {
  Json::Value root(Json::objectValue);
  root["Subject"] = record.subject;
  root["Start"] = record.start;
  root["OrStart"] = record.first_start;
  root["Duration"] = record.duration;
  root["enterMeetMute"] = record.mute_on_entry;
  root["MeetingKey"] = record.meeting_key;
  detail::write_shared_parts(record.recipients, record.recurrence, false, root);
  return write_json(root);
}

RecordRead read_settings_record(std::string_view text, SettingsRecord& record) {
  Json::Value root;
  const RecordRead parse = detail::parse_record(text, root);
  if (parse == RecordRead::skipped) return parse;
  JsonObjectReader reader(root);
  record.meeting_key = reader.text("MeetingKey");
  record.subject = reader.text("Subject");
  record.duration = reader.integer("Duration");
  record.start = reader.real("Start");
  record.first_start = reader.real("OrStart");
  record.mute_on_entry = reader.flag("enterMeetMute");
  return detail::read_shared_parts(parse, reader.met_wrong_type(), root, record.recipients,
                                   record.recurrence);
}

}  // namespace mivo::records
