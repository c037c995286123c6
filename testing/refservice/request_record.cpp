// Parsing the raw request head and writing record entries as JSON.
#include "request_record.h"

#include "portable/base64.h"

#include <chrono>

namespace mivo::refservice {
namespace {

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The next line (without its CR LF or bare LF) or nothing at the end.
bool next_line(std::string_view& rest, std::string_view& line) {
  if (rest.empty()) return false;
  const size_t lf = rest.find('\n');
  line = rest.substr(0, lf);
  rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

}  // namespace

RequestEntry parse_request_head(std::string_view raw) {
  RequestEntry entry;
  std::string_view rest = raw;
  std::string_view line;
  if (!next_line(rest, line)) return entry;
  const size_t sp1 = line.find(' ');
  const size_t sp2 = line.rfind(' ');
  entry.method = std::string(line.substr(0, sp1));
  if (sp1 != std::string_view::npos && sp2 > sp1) {
    entry.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
  }
  const size_t question = entry.target.find('?');
  entry.path = entry.target.substr(0, question);
  if (question != std::string::npos) entry.query = entry.target.substr(question + 1);

  while (next_line(rest, line) && !line.empty()) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    entry.headers.emplace_back(std::string(line.substr(0, colon)),
                               std::string(trim_blanks(line.substr(colon + 1))));
  }
  return entry;
}

Json::Value to_json(const RequestEntry& entry) {
  Json::Value v;
  v["method"] = entry.method;
  v["target"] = entry.target;
  v["path"] = entry.path;
  v["query"] = entry.query;
  v["headers"] = Json::Value(Json::arrayValue);
  for (const auto& [name, value] : entry.headers) {
    Json::Value pair(Json::arrayValue);
    pair.append(name);
    pair.append(value);
    v["headers"].append(pair);
  }
  v["body_base64"] = base64_encode(entry.body);
  v["received_us"] = static_cast<Json::Int64>(entry.received_us);
  v["answered_us"] = static_cast<Json::Int64>(entry.answered_us);
  return v;
}

int64_t now_us() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace mivo::refservice
