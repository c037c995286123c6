// The rules of the meeting options dialog: what it accepts as a meeting
// password and how it makes a new one.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace mivo {

class CMeetingInfo;

// Takes the dialog's mute box and password into `record` and says whether
// the dialog may close: the password is empty or exactly four ASCII digits.
// A refused password stays in the record.
bool apply_meeting_options(CMeetingInfo& record, bool mute_on_entry, const std::string& password);

// The lowest and highest meeting password made: four digits, never below
// 1110 (no leading zero, whatever reads the password as a number), and every
// value from there up equally likely.
constexpr unsigned kLowestNewPassword = 1110;
constexpr unsigned kHighestNewPassword = 9999;

// A new meeting password from `random`, which yields uniformly random 32-bit
// values (the system's cryptographic generator on Windows) or nullopt when it
// fails: anyone who knows roughly when the password was made must not be
// able to work it out. "" when the generator fails.
std::string new_meeting_password(const std::function<std::optional<std::uint32_t>()>& random);

}  // namespace mivo
