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
  // "Password": the meeting's password, written only when there is one.
  std::string password;
  // "HostUserId": the host the meeting was created under, written only when
  // known. Records from before either key read them as "".
  std::string host_user_id;
  // What the scheduler wrote into the appointment, written only when it
  // did: "DefaultSubject", the subject it made for an empty one, and
  // "Location", the meeting's address it put into an empty location.
  std::string default_subject;
  std::string location;
};

// Compact JSON, as write_appointment_record writes.
std::string write_settings_record(const SettingsRecord& record);

// Reads `text` into `record`, which should start empty, by the rules of
// read_appointment_record; "enterMeetMute" also takes a number (non-zero is
// true).
RecordRead read_settings_record(std::string_view text, SettingsRecord& record);

}  // namespace mivo::records
