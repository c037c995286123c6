// Compact UTF-8 JSON writing and strict, non-throwing JSON reading.
#include "json_text.h"

#include <json/reader.h>
#include <json/writer.h>

#include <memory>

namespace mivo::refservice {

std::optional<Json::Value> parse_json(std::string_view text) {
  size_t end = text.size();
  while (end > 0) {
    const char c = text[end - 1];
    if (c != '\0' && c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
    --end;
  }
  Json::CharReaderBuilder builder;
  Json::CharReaderBuilder::strictMode(&builder.settings_);
  // Any value may stand at the root, as in RFC 8259.
  builder.settings_["strictRoot"] = false;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value value;
  std::string errors;
  if (!reader->parse(text.data(), text.data() + end, &value, &errors)) return std::nullopt;
  return value;
}

std::string write_json(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  return Json::writeString(builder, value);
}

}  // namespace mivo::refservice
