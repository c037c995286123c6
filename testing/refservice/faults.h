// Faults the tests ask for: per path (or any path) and optionally method,
// how the next matching requests are answered instead of, or on top of, the
// normal way.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <vector>

namespace mivo::refservice {

struct Fault {
  int id = 0;
  std::string path;          // the request path without the query, exactly; "*": any
  std::string method;        // empty: any
  int skip = 0;              // matching requests let through before it applies
  std::optional<int> times;  // how many more requests it affects; nullopt: all
  int delay_ms = 0;
  std::optional<int> status;
  std::optional<std::string> body;
  std::string content_type;
  std::optional<size_t> body_size;
  bool empty = false;
  bool malformed = false;
  std::optional<int> code;
  std::optional<std::string> location;
  bool drop = false;
  bool lost = false;  // served as usual, then the answer is never sent
};

// Reads a fault as the control interface receives it. Unknown members and
// values of the wrong type are refused (a misspelt member would otherwise
// silently do nothing).
std::optional<Fault> parse_fault(const Json::Value& value, std::string& error);

// The largest body the service makes up (a `body_size` fault, an installer
// of a given size).
inline constexpr int kMaxGeneratedBody = 256 << 20;

// The answer body of a `body_size` fault: byte i is 'a' + i % 26.
std::string pattern_body(size_t size);

// The body of a `malformed` fault: the start of an envelope, cut short.
inline constexpr char kMalformedBody[] = "{\"code\":0,\"data\":{\"token\":";

// Not thread-safe; the service holds its lock around it.
class FaultTable {
 public:
  int add(Fault fault);
  void clear();
  // The first active fault for this request, counting the request against
  // its `skip` and then its `times`.
  std::optional<Fault> take(const std::string& method, const std::string& path);

 private:
  std::vector<Fault> faults_;
  int last_id_ = 0;
};

}  // namespace mivo::refservice
