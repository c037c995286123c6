// The meeting service's REST interface as the scheduler speaks it: endpoint
// URLs, the token header, request bodies and the response envelope.
#pragma once

#include <json/value.h>

#include <string>
#include <string_view>

namespace mivo::rest {

// Endpoint URLs: the base URL immediately followed by the path; nothing is
// inserted, stripped or escaped (a base URL ending in "/" gives "//").
std::string login_url(std::string_view base);
std::string user_info_url(std::string_view base);
std::string change_user_url(std::string_view base);
// "/rest/api/conference/schedule", plus "/single" for an occurrence or an
// exception of a series (recurrence state 2 or 3).
std::string schedule_save_url(std::string_view base, int recurrence_state);
std::string schedule_query_url(std::string_view base, std::string_view meeting_key);
// "?id=<conference id>&type=0" for an occurrence or exception, "&type=1" else.
std::string schedule_delete_url(std::string_view base, std::string_view conference_id,
                                int recurrence_state);
std::string gray_version_url(std::string_view base, std::string_view installed_version);
std::string release_version_url(std::string_view base, std::string_view installed_version);

// "token:" followed directly by the token; the bare "token:" without one.
std::string token_header(std::string_view token);

// Compact JSON bodies (members in key order, one trailing line feed).
std::string login_body(std::string_view user_name, std::string_view password);
std::string change_user_body(std::string_view user_id, std::string_view user_name);

// A response read through the envelope {"code": int, "data": ...}.
struct Envelope {
  bool parsed = false;      // false for an empty or malformed response
  bool wrong_type = false;  // "code" present but not an integer, or the root not an object
  int code = 0;             // an absent "code" reads as 0
  Json::Value data;         // null when absent
  bool ok() const { return parsed && !wrong_type && code == 0; }
};
Envelope read_envelope(std::string_view response);

}  // namespace mivo::rest
