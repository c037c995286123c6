// CMeetingInfo: copy rule, change test, start formatting, user information.
#include "meeting_info.h"

#include "portable/json.h"
#include "portable/oadate.h"

namespace mivo {

void CMeetingInfo::copy_from(const CMeetingInfo& source) {
  meeting_key = source.meeting_key;
  subject = source.subject;
  duration = source.duration;
  start = source.start;
  mute_on_entry = source.mute_on_entry;
  password = source.password;
  recurrence = source.recurrence;
  if (first_start == 0) {
    first_start = source.first_start;
  }
}

bool CMeetingInfo::differs_from(const CMeetingInfo& snapshot) const {
  return meeting_key != snapshot.meeting_key || subject != snapshot.subject ||
         password != snapshot.password || duration != snapshot.duration ||
         start != snapshot.start || mute_on_entry != snapshot.mute_on_entry ||
         recurrence.differs_from(snapshot.recurrence);
}

std::string CMeetingInfo::start_date_text() const { return format_date(start); }

std::string CMeetingInfo::start_time_text() const { return format_time(start); }

bool is_well_formed_token(std::string_view token) {
  for (const char c : token) {
    if (c < 0x20 || c > 0x7E) {
      return false;
    }
  }
  return true;
}

bool CMeetingInfo::read_user_info_response(std::string_view response) {
  Json::Value root;
  if (!parse_json(response, root)) {
    return true;
  }
  JsonObjectReader envelope(root);
  const int code = envelope.exact_integer("code");
  JsonObjectReader data(envelope.object("data"));
  std::string id = data.text("id");
  std::string name = data.text("name");
  std::string new_token = data.text("token");
  std::string key = data.text("meetingKey");
  if (envelope.met_wrong_type() || data.met_wrong_type() || !is_well_formed_token(new_token)) {
    return false;
  }
  host_user_id = std::move(id);
  host_user_name = std::move(name);
  token = std::move(new_token);
  personal_meeting_key = std::move(key);
  return code == 0;
}

}  // namespace mivo
