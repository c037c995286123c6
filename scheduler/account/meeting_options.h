// The rules of the meeting options dialog: what it accepts as a meeting
// password and how it makes a new one.
#pragma once

#include <string>

namespace mivo {

class CMeetingInfo;

// Takes the dialog's mute box and password into `record` and says whether
// the dialog may close: the password is empty or exactly four ASCII digits.
// A refused password stays in the record.
bool apply_meeting_options(CMeetingInfo& record, bool mute_on_entry, const std::string& password);

// Four digits from a generator seeded with `seed` (the caller passes the
// current time); the first three are never 0, so the number is never below
// 1110.
std::string new_meeting_password(unsigned seed);

}  // namespace mivo
