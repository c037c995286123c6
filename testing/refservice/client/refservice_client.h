// Test client of the reference meeting service: its control interface and
// plain HTTP requests to it, over a minimal blocking HTTP/1.1 client for
// 127.0.0.1 (POSIX sockets natively, Winsock in the Windows builds).
#pragma once

#include "headers.h"

#include <json/value.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mivo::refservice {

// MIVO_REFSERVICE_PORT, or 47380.
int port_from_env();

// One request as the service received it.
struct RecordedRequest {
  std::string method, target, path, query;
  HeaderList headers;  // names and values as sent, in arrival order
  std::string body;    // raw bytes
  // Microseconds since 1970 (system clock): when the service had read the
  // request, and when it had handed the last byte of its answer to the
  // socket (0 when it never answered).
  int64_t received_us = 0;
  int64_t answered_us = 0;

  // Case-insensitive; "" if absent.
  std::string header(std::string_view name) const;
};

struct HttpResponse {
  int status = 0;  // 0: the connection closed before a status line came
  HeaderList headers;
  std::string body;

  std::string header(std::string_view name) const;
};

class Client {
 public:
  explicit Client(int port = port_from_env());

  // Control calls; each throws std::runtime_error when the service cannot
  // be reached or refuses the call.
  void reset();
  int add_fault(const Json::Value& fault);
  void clear_faults();
  std::vector<RecordedRequest> requests();
  void clear_requests();
  void add_user(const Json::Value& user);
  void set_versions(const std::string& gray, const std::string& release);
  void set_installer_size(int bytes);
  void set_installer_content(const std::string& bytes);
  Json::Value meetings();
  Json::Value sessions();
  void shutdown();

  std::string base_url() const;      // "http://127.0.0.1:<port>"
  std::string tls_base_url() const;  // "https://127.0.0.1:<port + 1>"
  int port() const { return port_; }

  // One plain-HTTP request to the service (Host and, with a body,
  // Content-Length are added; the connection is closed after the answer).
  // Throws std::runtime_error when the service cannot be reached.
  HttpResponse send(const std::string& method, const std::string& target,
                    const std::string& body = {}, const HeaderList& headers = {}) const;

 private:
  Json::Value control(const std::string& method, const std::string& call,
                      const Json::Value* body = nullptr);

  int port_;
};

}  // namespace mivo::refservice
