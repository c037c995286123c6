// Readable lines for a recorded request.
#include "recorded_request_text.h"

#include <cstdio>

#include "headers.h"
#include "json_text.h"

namespace mivo::refservice {
namespace {

std::string body_line(const std::string& raw) {
  std::string body = raw;
  const bool terminated = !body.empty() && body.back() == '\0';
  if (terminated) body.pop_back();
  const std::string terminator = terminated ? " + NUL terminator" : "";
  if (body.empty()) return terminated ? "body: (empty)" + terminator : "body: none";
  if (const auto json = parse_json(body)) {
    std::string text = write_json(*json);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return "body: " + text + terminator;
  }
  return "body: " + std::to_string(body.size()) + " bytes, not JSON" + terminator;
}

}  // namespace

std::vector<std::string> describe_request(const RecordedRequest& request) {
  std::vector<std::string> lines{request.method + " " + request.target};
  const std::string* token = find_header(request.headers, "token");
  lines.push_back(token ? "  token: " + (token->empty() ? std::string("(empty)") : *token)
                        : "  token: (no header)");
  lines.push_back("  " + body_line(request.body));
  if (request.answered_us == 0) {
    lines.push_back("  not answered");
  } else {
    char took[64];
    std::snprintf(took, sizeof(took), "  answered in %.1f ms",
                  static_cast<double>(request.answered_us - request.received_us) / 1000.0);
    lines.push_back(took);
  }
  return lines;
}

}  // namespace mivo::refservice
