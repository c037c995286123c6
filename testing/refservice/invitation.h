// The invitation text ("mailContent") the service answers a saved meeting
// with: Chinese lines joined by the two characters backslash and n, which is
// how the real service marks its line breaks.
#pragma once

#include "calendar.h"

#include <optional>
#include <string>

namespace mivo::refservice {

inline constexpr char kLineBreak[] = "\\n";

struct Invitation {
  std::string host_name;
  std::string subject;
  Date date;
  std::string start_time;
  int duration = 0;
  std::optional<Recurrence> recurrence;  // a series; nullopt for one meeting
  std::string meeting_key;
  std::string password;  // empty: none
  std::string join_address;
};

std::string invitation_text(const Invitation& invitation);

// "每周一、三、五" and the like.
std::string describe_recurrence(const Recurrence& recurrence);

}  // namespace mivo::refservice
