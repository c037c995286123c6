// The record of every request the service received, kept byte for byte as
// it came off the wire so that tests can check exactly what a client sent.
#pragma once

#include "headers.h"

#include <json/value.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace mivo::refservice {

struct RequestEntry {
  std::string method;
  std::string target;  // path and query as sent
  std::string path;
  std::string query;   // without the "?"
  HeaderList headers;  // in arrival order
  std::string body;
  int64_t received_us = 0;  // microseconds since 1970, when the request was read
  int64_t answered_us = 0;  // when the last byte of the answer was handed to the socket; 0 if never
};

// Fills method, target, path, query and headers from the raw request line and
// header lines (everything before the blank line). Header names and values
// keep their bytes; only the blanks around a value, which HTTP does not count
// as part of it, are left out.
RequestEntry parse_request_head(std::string_view raw);

// {"method", "target", "path", "query", "headers": [[name, value], ...],
//  "body_base64", "received_us", "answered_us"}
Json::Value to_json(const RequestEntry& entry);

int64_t now_us();

}  // namespace mivo::refservice
