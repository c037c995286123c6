// The meeting service's REST interface as the scheduler speaks it: endpoint
// URLs, the token header, request bodies, the response envelope and what
// each caller makes of a failed response.
#pragma once

#include <json/value.h>

#include <string>
#include <string_view>

namespace mivo::rest {

// Endpoint URLs: the base URL immediately followed by the path; nothing is
// inserted or stripped (a base URL ending in "/" gives "//"). Meeting keys
// and conference identifiers come from the service or from an item's stored
// record, so they are percent-encoded (url_component) where they enter a
// path or a query; letters and digits pass unchanged.
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

// `text` as one path segment or query value: every byte but ASCII letters,
// digits, "-", "_" and "~" as "%XX" (upper-case hex), so that nothing in it
// can end the segment or value, start a query, or climb a path ("." too).
std::string url_component(std::string_view text);

// Recurrence states 2 (occurrence) and 3 (exception) address one instance of
// a series rather than the whole meeting.
bool is_single_instance(int recurrence_state);

// "token:" followed directly by the token; the bare "token:" without one.
std::string token_header(std::string_view token);

// A sign-in token as it may travel in the "token:" header: printable ASCII
// only (an empty text is no token). Anything else, line breaks above all,
// would add request headers of its own; such a token is refused as
// malformed wherever it comes from.
bool is_well_formed_token(std::string_view token);

// Compact JSON bodies (members in key order, one trailing line feed).
std::string login_body(std::string_view user_name, std::string_view password);
std::string change_user_body(std::string_view user_id, std::string_view user_name);

// A response read through the envelope {"code": int, "data": ...}.
struct Envelope {
  bool empty = false;       // the transport gave no text at all
  bool parsed = false;      // false for an empty or malformed response
  bool wrong_type = false;  // "code" present but not an integer, or the root not an object
  int code = 0;             // an absent "code" reads as 0
  Json::Value data;         // null when absent
  bool ok() const { return parsed && !wrong_type && code == 0; }
};
Envelope read_envelope(std::string_view response);

// How a call ended, as the callers tell the cases apart. A response that
// parses but is not an envelope of the expected shape counts as malformed.
enum class Outcome { success, no_answer, malformed, refused };
Outcome outcome(const Envelope& envelope);

// The warning (a string of the resource library; 0 for none) that a failed
// sign-in or organisation change shows. The user refresh signs in with
// `empty_is_malformed`: it does not tell an empty answer apart.
int account_call_message(Outcome outcome, bool empty_is_malformed);
// The warning a failed schedule save shows: "no answer" for an answer that
// is empty or unreadable, the service's own for code -602, none for another
// refusal.
int schedule_save_message(const Envelope& envelope);

// "data"."<key>" as text when it is a string; "" when it is absent, null or
// of another type.
std::string data_string(const Envelope& envelope, std::string_view key);

}  // namespace mivo::rest
