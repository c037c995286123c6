// The meeting service's REST endpoints, answered from a State. No sockets
// here: the service hands in what arrived and sends back the Reply.
#pragma once

#include "state.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mivo::refservice {

// The service's answer codes ("code" of the envelope).
enum ServiceCode : int {
  kOk = 0,
  kBadRequest = -100,        // body or query unreadable, a member missing or malformed
  kBadCredentials = -101,    // unknown user name or wrong password
  kTokenInvalid = -401,      // no token, or one the service never issued
  kForbidden = -403,         // another user's meeting, or an organisation not the user's
  kNotFound = -404,          // no such meeting or conference
  kScheduleConflict = -602,  // the host already has a meeting starting then
};

// A series never expands to more occurrences than this.
inline constexpr size_t kMaxOccurrences = 500;

struct Exchange {
  std::string method;
  std::string path;                  // as sent, without the query
  std::string query;                 // as sent, without the "?"
  std::optional<std::string> token;  // the "token" header, when one was sent
  std::string body;
  std::string base_url;  // "http://127.0.0.1:<port>" as the request reached us
};

struct Reply {
  int status = 200;
  std::string content_type;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

inline constexpr char kJsonType[] = "application/json;charset=UTF-8";

using TokenMaker = std::function<std::string()>;

Reply serve_rest(State& state, const Exchange& exchange, const TokenMaker& new_token);

// The envelope {"code", "msg", "data"}.
Reply envelope(int code, const Json::Value& data = Json::Value());

// The same answer with another "code" (and its "msg"); answers that are
// not an envelope stay as they are.
Reply with_code(Reply reply, int code);

// A small HTML page with the given status (404, 405).
Reply html_error(int status, const std::string& path);

// "a=1&b=%32" -> the decoded value of `key` (first occurrence), nullopt if absent.
std::optional<std::string> query_value(const std::string& query, const std::string& key);

}  // namespace mivo::refservice
