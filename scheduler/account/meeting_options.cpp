// The meeting options dialog's password rule and password generator.
#include "meeting_options.h"

#include <random>

#include "meeting/meeting_info.h"

namespace mivo {

bool apply_meeting_options(CMeetingInfo& record, bool mute_on_entry, const std::string& password) {
  record.mute_on_entry = mute_on_entry;
  record.password = password;
  if (password.empty()) {
    return true;
  }
  // Four UTF-16 units that are all ASCII digits are exactly four bytes here;
  // any other character (a full-width digit included) makes it longer.
  if (password.size() != 4) {
    return false;
  }
  for (char c : password) {
    if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

std::string new_meeting_password(unsigned seed) {
  // A generator of the standard library keeps the digits the same on every
  // platform for a given seed, which the C runtime's rand() does not.
  std::minstd_rand generator(seed);
  int number = 0;
  for (int i = 0; i < 4; ++i) {
    int digit = static_cast<int>(generator() % 10);
    if (digit == 0 && i < 3) {
      digit = 1;
    }
    number = number * 10 + digit;
  }
  return std::to_string(number);
}

}  // namespace mivo
