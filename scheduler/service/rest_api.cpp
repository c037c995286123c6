// URLs, header, bodies and envelope of the meeting service's REST calls.
#include "rest_api.h"

#include "portable/json.h"
#include "resource_ids.h"

namespace mivo::rest {
namespace {

std::string join(std::string_view base, std::string_view path, std::string_view tail = {}) {
  std::string url;
  url.reserve(base.size() + path.size() + tail.size());
  url.append(base).append(path).append(tail);
  return url;
}

constexpr std::string_view kSchedulePath = "/rest/api/conference/schedule";

}  // namespace

std::string login_url(std::string_view base) { return join(base, "/rest/login"); }

std::string user_info_url(std::string_view base) {
  return join(base, "/rest/api/conference/user/info");
}

std::string change_user_url(std::string_view base) { return join(base, "/rest/api/change/user"); }

bool is_single_instance(int recurrence_state) {
  return recurrence_state == 2 || recurrence_state == 3;
}

std::string schedule_save_url(std::string_view base, int recurrence_state) {
  return join(base, kSchedulePath, is_single_instance(recurrence_state) ? "/single" : "");
}

std::string url_component(std::string_view text) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                       (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == '~';
    if (plain) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0xF];
    }
  }
  return encoded;
}

std::string schedule_query_url(std::string_view base, std::string_view meeting_key) {
  return join(base, "/rest/api/conference/schedule/", url_component(meeting_key));
}

std::string schedule_delete_url(std::string_view base, std::string_view conference_id,
                                int recurrence_state) {
  std::string url = join(base, kSchedulePath, "?id=");
  url.append(url_component(conference_id));
  url.append(is_single_instance(recurrence_state) ? "&type=0" : "&type=1");
  return url;
}

std::string gray_version_url(std::string_view base, std::string_view installed_version) {
  return join(base, "/rest/api/grayscale/version/outlook/", installed_version);
}

std::string release_version_url(std::string_view base, std::string_view installed_version) {
  return join(base, "/rest/version/outlook/", installed_version);
}

std::string token_header(std::string_view token) { return join("token:", token); }

bool is_well_formed_token(std::string_view token) {
  for (const char c : token) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

std::string login_body(std::string_view user_name, std::string_view password) {
  Json::Value body(Json::objectValue);
  body["username"] = std::string(user_name);
  body["password"] = std::string(password);
  return write_json(body);
}

std::string change_user_body(std::string_view user_id, std::string_view user_name) {
  Json::Value body(Json::objectValue);
  body["userName"] = std::string(user_name);
  body["userId"] = std::string(user_id);
  return write_json(body);
}

Envelope read_envelope(std::string_view response) {
  Envelope envelope;
  envelope.empty = response.empty();
  Json::Value root;
  if (envelope.empty || !parse_json(response, root)) {
    return envelope;
  }
  envelope.parsed = true;
  // A bare null, number or array is no envelope, even though every member
  // of it would read as absent and so as success.
  if (!root.isObject()) {
    envelope.wrong_type = true;
    return envelope;
  }
  JsonObjectReader reader(root);
  envelope.code = reader.exact_integer("code");
  envelope.wrong_type = reader.met_wrong_type();
  envelope.data = member(root, "data");
  return envelope;
}

Outcome outcome(const Envelope& envelope) {
  if (envelope.empty) {
    return Outcome::no_answer;
  }
  if (!envelope.parsed || envelope.wrong_type) {
    return Outcome::malformed;
  }
  return envelope.code == 0 ? Outcome::success : Outcome::refused;
}

int account_call_message(Outcome outcome, bool empty_is_malformed) {
  switch (outcome) {
    case Outcome::success:
      return 0;
    case Outcome::no_answer:
      return empty_is_malformed ? IDS_SIGNIN_REFUSED : IDS_NO_ANSWER;
    case Outcome::malformed:
    case Outcome::refused:
      return IDS_SIGNIN_REFUSED;
  }
  return IDS_SIGNIN_REFUSED;
}

int schedule_save_message(const Envelope& envelope) {
  switch (outcome(envelope)) {
    case Outcome::success:
      return 0;
    case Outcome::no_answer:
    case Outcome::malformed:
      return IDS_NO_ANSWER;
    case Outcome::refused:
      return envelope.code == -602 ? IDS_SCHEDULE_REFUSED : 0;
  }
  return 0;
}

std::string data_string(const Envelope& envelope, std::string_view key) {
  const Json::Value& value = member(envelope.data, key);
  return value.isString() ? value.asString() : std::string();
}

}  // namespace mivo::rest
