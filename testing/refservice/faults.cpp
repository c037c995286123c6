// Reading fault descriptions and matching them to requests.
#include "faults.h"

#include <algorithm>
#include <cstdint>

namespace mivo::refservice {
namespace {

bool read_int(const Json::Value& v, int min, int max, int& out) {
  if (!v.isInt() || v.asInt() < min || v.asInt() > max) return false;
  out = v.asInt();
  return true;
}

}  // namespace

std::optional<Fault> parse_fault(const Json::Value& value, std::string& error) {
  if (!value.isObject()) {
    error = "a fault is a JSON object";
    return std::nullopt;
  }
  Fault f;
  for (const std::string& name : value.getMemberNames()) {
    const Json::Value& v = value[name];
    bool ok = true;
    int number = 0;
    if (name == "path") {
      ok = v.isString() && (v.asString() == "*" || (!v.asString().empty() && v.asString()[0] == '/'));
      if (ok) f.path = v.asString();
    } else if (name == "method") {
      ok = v.isString();
      if (ok) f.method = v.asString();
    } else if (name == "skip") {
      ok = read_int(v, 0, INT32_MAX, f.skip);
    } else if (name == "times") {
      ok = read_int(v, 1, INT32_MAX, number);
      f.times = number;
    } else if (name == "delay_ms") {
      ok = read_int(v, 0, 3600 * 1000, f.delay_ms);
    } else if (name == "status") {
      ok = read_int(v, 100, 599, number);
      f.status = number;
    } else if (name == "body") {
      ok = v.isString();
      if (ok) f.body = v.asString();
    } else if (name == "content_type") {
      ok = v.isString();
      if (ok) f.content_type = v.asString();
    } else if (name == "body_size") {
      ok = read_int(v, 0, kMaxGeneratedBody, number);
      f.body_size = static_cast<size_t>(number);
    } else if (name == "empty") {
      ok = v.isBool();
      f.empty = ok && v.asBool();
    } else if (name == "malformed") {
      ok = v.isBool();
      f.malformed = ok && v.asBool();
    } else if (name == "code") {
      ok = v.isInt();
      if (ok) f.code = v.asInt();
    } else if (name == "location") {
      ok = v.isString();
      if (ok) f.location = v.asString();
    } else if (name == "drop") {
      ok = v.isBool();
      f.drop = ok && v.asBool();
    } else if (name == "lost") {
      ok = v.isBool();
      f.lost = ok && v.asBool();
    } else {
      error = "unknown fault member \"" + name + "\"";
      return std::nullopt;
    }
    if (!ok) {
      error = "fault member \"" + name + "\" has an unusable value";
      return std::nullopt;
    }
  }
  if (f.path.empty()) {
    error = "a fault needs a \"path\" starting with / (or \"*\")";
    return std::nullopt;
  }
  return f;
}

std::string pattern_body(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + i % 26);
  return body;
}

int FaultTable::add(Fault fault) {
  fault.id = ++last_id_;
  faults_.push_back(std::move(fault));
  return last_id_;
}

void FaultTable::clear() { faults_.clear(); }

std::optional<Fault> FaultTable::take(const std::string& method, const std::string& path) {
  const auto it = std::find_if(faults_.begin(), faults_.end(), [&](const Fault& f) {
    return (f.path == "*" || f.path == path) && (f.method.empty() || f.method == method);
  });
  if (it == faults_.end()) return std::nullopt;
  if (it->skip > 0) {
    // Let through, and no later fault applies to this request either.
    --it->skip;
    return std::nullopt;
  }
  Fault taken = *it;
  if (it->times && --*it->times == 0) faults_.erase(it);
  return taken;
}

}  // namespace mivo::refservice
