// The meeting settings record: what the scheduler writes of its meeting
// (GetMailBody) for the add-in to keep with the appointment, and reads back
// when the appointment is opened again (SetSettings).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "records/record_parts.h"

namespace mivo::records {

// "Recipients" is written only when there are some, in the stored order.
struct SettingsRecord : SharedParts {
  bool mute_on_entry = false;  // "enterMeetMute": participants enter muted
  std::string meeting_key;     // "MeetingKey": "" before the meeting was created
};

// Compact JSON, as write_appointment_record writes.
std::string write_settings_record(const SettingsRecord& record);

// Reads `text` into `record`, which should start empty, by the rules of
// read_appointment_record; "enterMeetMute" also takes a number (non-zero is
// true).
RecordRead read_settings_record(std::string_view text, SettingsRecord& record);

}  // namespace mivo::records
