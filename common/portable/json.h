// JSON helpers over JsonCpp: the one parser setting and compact writer the
// system uses, and readers that never throw on values of an unexpected type.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <string_view>

namespace mivo {

// Parses the whole text as one JSON value: comments are accepted and kept and
// any JSON value may be the root, but anything after the root value other
// than blanks and comments fails ("502 Bad Gateway" is not the number 502).
// Returns false, with `out` set to null, when the text does not parse
// (nesting beyond the parser's depth limit included); never throws.
bool parse_json(std::string_view text, Json::Value& out);

// Compact text: members in ascending key order, no blanks, one trailing line
// feed, every non-ASCII character escaped as \uXXXX, so the result is ASCII.
std::string write_json(const Json::Value& value);

// The member `key` of `object`; the null value when `object` is not an object
// (Json::Value::operator[] throws for arrays and scalars) or has no such key.
const Json::Value& member(const Json::Value& object, std::string_view key);

// Value readers with JsonCpp's own conversions, made non-throwing. A null
// value reads as "", 0, 0.0 or false. std::nullopt means the value's type does
// not convert:
//   read_text: arrays and objects (a number reads as its JSON text, a boolean
//              as "true" or "false");
//   read_int:  strings, arrays, objects, numbers outside the range of int (a
//              fraction is cut toward zero, a boolean reads as 0 or 1);
//   read_real: strings, arrays, objects (a boolean reads as 0 or 1);
//   read_flag: strings, arrays, objects (a number is true when not zero).
std::optional<std::string> read_text(const Json::Value& value);
std::optional<int> read_int(const Json::Value& value);
std::optional<double> read_real(const Json::Value& value);
std::optional<bool> read_flag(const Json::Value& value);
// A whole number in the range of int, without JsonCpp's conversions: a null
// value reads as 0; fractions, booleans, strings and the rest are nullopt.
std::optional<int> read_exact_int(const Json::Value& value);

// Reads the members of one object: a missing, null or wrong-typed member reads
// as the default ("", 0, 0.0, false, or the null value for object() and
// array()), and the reader remembers whether any member, or the object itself,
// had a wrong type. A reader that prefers a clean failure to defaults asks
// met_wrong_type() after its reads. The object must outlive the reader.
class JsonObjectReader {
 public:
  // Anything but an object or null counts as a wrong type; its members then
  // all read as missing.
  explicit JsonObjectReader(const Json::Value& object);

  std::string text(std::string_view key);
  int integer(std::string_view key);
  // read_exact_int(): 0.7 or true is a wrong type here, not 0 or 1.
  int exact_integer(std::string_view key);
  double real(std::string_view key);
  bool flag(std::string_view key);
  // The member when it is an object (resp. an array), else the null value,
  // which reads as an empty object or array.
  const Json::Value& object(std::string_view key);
  const Json::Value& array(std::string_view key);

  bool met_wrong_type() const { return wrong_type_; }

 private:
  const Json::Value& container(std::string_view key, bool (Json::Value::*is_kind)() const);

  const Json::Value& object_;
  bool wrong_type_;
};

}  // namespace mivo
