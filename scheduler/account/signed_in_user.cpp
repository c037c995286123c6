// Reading the signed-in user through the service's envelope.
#include "signed_in_user.h"

#include "portable/json.h"
#include "service/rest_api.h"

namespace mivo {

bool read_signed_in_user(std::string_view response, SignedInUser& user) {
  const rest::Envelope envelope = rest::read_envelope(response);
  if (!envelope.parsed) return true;
  if (envelope.wrong_type) return false;
  JsonObjectReader data(envelope.data);
  SignedInUser read;
  read.host_user_id = data.text("id");
  read.host_user_name = data.text("name");
  read.token = data.text("token");
  read.personal_meeting_key = data.text("meetingKey");
  if (data.met_wrong_type() || !rest::is_well_formed_token(read.token)) return false;
  user = std::move(read);
  return envelope.code == 0;
}

}  // namespace mivo
