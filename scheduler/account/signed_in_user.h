// The signed-in user as the service describes them: the user refresh loads
// it, the meeting calls send its token and name its host, the instant
// meeting opens its room.
#pragma once

#include <string>
#include <string_view>

namespace mivo {

struct SignedInUser {
  std::string token;         // sign-in token for the "token:" header
  std::string host_user_id;  // the host of the meetings scheduled
  std::string host_user_name;
  std::string personal_meeting_key;  // the user's own meeting room (join link)
};

// Takes the user from a user information (or Login) response: "data"."id",
// "name", "token" and "meetingKey". Returns false (the call failed) when
// "code" is not 0 -- the values are stored all the same. A response that does
// not parse changes nothing and counts as success. A response with a member
// of the wrong type ("code" not a whole number, the root or "data" not an
// object, a text member an object or an array) or a token that is not well
// formed changes nothing and counts as a failure: no half-read or unsafe
// token is stored.
bool read_signed_in_user(std::string_view response, SignedInUser& user);

}  // namespace mivo
