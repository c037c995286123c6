// JSON text as the reference service and its client exchange it: compact,
// UTF-8 written as is, and a reader that never throws.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <string_view>

namespace mivo::refservice {

// Strict JSON. Trailing NUL bytes and blanks are ignored: the product's HTTP
// agent sends its request bodies with the string terminator.
std::optional<Json::Value> parse_json(std::string_view text);

// One line, no blanks, object members in key order, non-ASCII text as UTF-8.
std::string write_json(const Json::Value& value);

}  // namespace mivo::refservice
