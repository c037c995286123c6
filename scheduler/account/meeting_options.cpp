// The meeting options dialog's password rule and password generator.
#include "meeting_options.h"

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

std::string new_meeting_password(const std::function<std::optional<std::uint32_t>()>& random) {
  constexpr std::uint64_t kValues = kHighestNewPassword - kLowestNewPassword + 1;
  // Draws at or above the last whole multiple of kValues would favour the
  // low passwords; they are drawn again. A generator that keeps giving them
  // is broken.
  constexpr std::uint64_t kFairLimit = (std::uint64_t{1} << 32) / kValues * kValues;
  for (int draw = 0; draw < 64; ++draw) {
    const std::optional<std::uint32_t> value = random();
    if (!value) {
      return std::string();
    }
    if (*value < kFairLimit) {
      return std::to_string(kLowestNewPassword + *value % kValues);
    }
  }
  return std::string();
}

}  // namespace mivo
