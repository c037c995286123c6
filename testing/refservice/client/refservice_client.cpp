// The control calls of the reference service's test client.
#include "refservice_client.h"

#include "base64_decode.h"
#include "portable/base64.h"
#include "json_text.h"
#include "loopback_http.h"

#include <cstdlib>
#include <stdexcept>

namespace mivo::refservice {

int port_from_env() {
  const char* text = std::getenv("MIVO_REFSERVICE_PORT");
  if (!text || !*text) return 47380;
  char* end = nullptr;
  const long port = std::strtol(text, &end, 10);
  if (*end || port <= 0 || port > 65535) {
    throw std::runtime_error(std::string("MIVO_REFSERVICE_PORT is not a port: ") + text);
  }
  return static_cast<int>(port);
}

std::string RecordedRequest::header(std::string_view name) const {
  const std::string* value = find_header(headers, name);
  return value ? *value : std::string();
}

std::string HttpResponse::header(std::string_view name) const {
  const std::string* value = find_header(headers, name);
  return value ? *value : std::string();
}

Client::Client(int port) : port_(port) {}

std::string Client::base_url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string Client::tls_base_url() const {
  return "https://127.0.0.1:" + std::to_string(port_ + 1);
}

HttpResponse Client::send(const std::string& method, const std::string& target,
                          const std::string& body, const HeaderList& headers) const {
  std::string request = method + " " + target +
                        " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                        "\r\nConnection: close\r\n";
  for (const auto& [name, value] : headers) request += name + ": " + value + "\r\n";
  if (!body.empty() || method == "POST" || method == "PUT" || method == "DELETE") {
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  }
  request += "\r\n";
  request += body;
  return loopback_exchange(port_, request);
}

Json::Value Client::control(const std::string& method, const std::string& call,
                            const Json::Value* body) {
  const std::string target = "/__control/" + call;
  const HttpResponse response = send(method, target, body ? write_json(*body) : std::string(),
                                     {{"Content-Type", "application/json"}});
  const std::string what = "reference service control call " + method + " " + target;
  if (response.status != 200) {
    throw std::runtime_error(what + " failed: HTTP " + std::to_string(response.status) + " " +
                             response.body);
  }
  auto answer = parse_json(response.body);
  if (!answer) throw std::runtime_error(what + " answered no JSON: " + response.body);
  return *answer;
}

void Client::reset() { control("POST", "reset"); }

int Client::add_fault(const Json::Value& fault) {
  const Json::Value answer = control("POST", "faults", &fault);
  if (!answer["id"].isInt()) throw std::runtime_error("reference service: fault answer without id");
  return answer["id"].asInt();
}

void Client::clear_faults() { control("DELETE", "faults"); }

std::vector<RecordedRequest> Client::requests() {
  const Json::Value list = control("GET", "requests");
  std::vector<RecordedRequest> out;
  for (const Json::Value& v : list) {
    RecordedRequest r;
    r.method = v["method"].asString();
    r.target = v["target"].asString();
    r.path = v["path"].asString();
    r.query = v["query"].asString();
    for (const Json::Value& h : v["headers"])
      r.headers.emplace_back(h[0].asString(), h[1].asString());
    const auto body = base64_decode(v["body_base64"].asString());
    if (!body) throw std::runtime_error("reference service: recorded body is not Base64");
    r.body = *body;
    r.received_us = v["received_us"].asInt64();
    r.answered_us = v["answered_us"].asInt64();
    out.push_back(std::move(r));
  }
  return out;
}

void Client::clear_requests() { control("DELETE", "requests"); }

void Client::add_user(const Json::Value& user) { control("POST", "users", &user); }

void Client::set_versions(const std::string& gray, const std::string& release) {
  Json::Value body;
  body["gray"] = gray;
  body["release"] = release;
  control("POST", "versions", &body);
}

void Client::set_installer_size(int bytes) {
  Json::Value body;
  body["size"] = bytes;
  control("POST", "installer", &body);
}

void Client::set_installer_content(const std::string& bytes) {
  Json::Value body;
  body["content_base64"] = base64_encode(bytes);
  control("POST", "installer", &body);
}

Json::Value Client::meetings() { return control("GET", "meetings"); }

Json::Value Client::sessions() { return control("GET", "sessions"); }

void Client::shutdown() { control("POST", "shutdown"); }

}  // namespace mivo::refservice
