// JSON parsing, compact writing and non-throwing readers over JsonCpp.
#include "json.h"

#include <json/reader.h>
#include <json/writer.h>

#include <exception>
#include <memory>

namespace mivo {
namespace {

// JsonCpp reports conversions it refuses by throwing Json::LogicError.
template <class Convert>
auto convert_or_nullopt(const Json::Value& value, Convert convert)
    -> std::optional<decltype(convert(value))> {
  try {
    return convert(value);
  } catch (const Json::Exception&) {
    return std::nullopt;
  }
}

template <class T>
T value_or_default(std::optional<T> value, bool& wrong_type) {
  if (!value) {
    wrong_type = true;
    return T();
  }
  return *std::move(value);
}

// The one parser setting: comments accepted and kept, any value as the root,
// nothing else beyond standard JSON; "502 Bad Gateway" is no number 502, so
// the whole text must be one value.
const Json::CharReaderBuilder& reader_builder() {
  static const Json::CharReaderBuilder builder = [] {
    Json::CharReaderBuilder made;
    Json::Value& settings = made.settings_;
    settings["collectComments"] = true;
    settings["allowComments"] = true;
    settings["allowTrailingCommas"] = false;
    settings["strictRoot"] = false;
    settings["allowDroppedNullPlaceholders"] = false;
    settings["allowNumericKeys"] = false;
    settings["allowSingleQuotes"] = false;
    settings["allowSpecialFloats"] = false;
    settings["rejectDupKeys"] = false;
    settings["skipBom"] = false;
    settings["failIfExtra"] = true;
    return made;
  }();
  return builder;
}

}  // namespace

bool parse_json(std::string_view text, Json::Value& out) {
  Json::Value root;
  try {
    const std::unique_ptr<Json::CharReader> reader(reader_builder().newCharReader());
    if (reader->parse(text.data(), text.data() + text.size(), &root, nullptr)) {
      out.swap(root);
      return true;
    }
  } catch (const std::exception&) {
    // The reader throws, rather than failing, past its nesting limit.
  }
  out = Json::Value();
  return false;
}

std::string write_json(const Json::Value& value) {
  // FastWriter is the writer whose output the service and the stored records
  // have always seen; newer JsonCpp marks it deprecated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  Json::FastWriter writer;
#pragma GCC diagnostic pop
  return writer.write(value);
}

const Json::Value& member(const Json::Value& object, std::string_view key) {
  if (!object.isObject()) {
    return Json::Value::nullSingleton();
  }
  const Json::Value* found = object.find(key.data(), key.data() + key.size());
  return found ? *found : Json::Value::nullSingleton();
}

std::optional<std::string> read_text(const Json::Value& value) {
  return convert_or_nullopt(value, [](const Json::Value& v) { return v.asString(); });
}

std::optional<int> read_int(const Json::Value& value) {
  return convert_or_nullopt(value, [](const Json::Value& v) { return v.asInt(); });
}

std::optional<double> read_real(const Json::Value& value) {
  return convert_or_nullopt(value, [](const Json::Value& v) { return v.asDouble(); });
}

std::optional<bool> read_flag(const Json::Value& value) {
  return convert_or_nullopt(value, [](const Json::Value& v) { return v.asBool(); });
}

std::optional<int> read_exact_int(const Json::Value& value) {
  if (value.isNull()) {
    return 0;
  }
  if (!value.isInt()) {
    return std::nullopt;
  }
  return value.asInt();
}

JsonObjectReader::JsonObjectReader(const Json::Value& object)
    : object_(object), wrong_type_(!object.isObject() && !object.isNull()) {}

std::string JsonObjectReader::text(std::string_view key) {
  return value_or_default(read_text(member(object_, key)), wrong_type_);
}

int JsonObjectReader::integer(std::string_view key) {
  return value_or_default(read_int(member(object_, key)), wrong_type_);
}

int JsonObjectReader::exact_integer(std::string_view key) {
  return value_or_default(read_exact_int(member(object_, key)), wrong_type_);
}

double JsonObjectReader::real(std::string_view key) {
  return value_or_default(read_real(member(object_, key)), wrong_type_);
}

bool JsonObjectReader::flag(std::string_view key) {
  return value_or_default(read_flag(member(object_, key)), wrong_type_);
}

const Json::Value& JsonObjectReader::object(std::string_view key) {
  return container(key, &Json::Value::isObject);
}

const Json::Value& JsonObjectReader::array(std::string_view key) {
  return container(key, &Json::Value::isArray);
}

const Json::Value& JsonObjectReader::container(std::string_view key,
                                               bool (Json::Value::*is_kind)() const) {
  const Json::Value& found = member(object_, key);
  if ((found.*is_kind)()) {
    return found;
  }
  wrong_type_ = wrong_type_ || !found.isNull();
  return Json::Value::nullSingleton();
}

}  // namespace mivo
