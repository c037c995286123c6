// The reference meeting service: the REST interface and the control
// interface on 127.0.0.1, over HTTP and optionally HTTPS, sharing one state.
#pragma once

#include "connection.h"
#include "faults.h"
#include "request_record.h"
#include "rest_api.h"
#include "state.h"
#include "tls_identity.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace mivo::refservice {

struct ServiceOptions {
  int port = 0;           // 0: any free port
  int tls_port = -1;      // -1: no HTTPS; 0: any free port
  std::string state_dir;  // where cert.pem is written; empty: nowhere
};

class Service {
 public:
  explicit Service(ServiceOptions options);
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // Listens on the ports; returns once connections are accepted. Throws
  // std::runtime_error when a port cannot be had or TLS cannot be set up.
  void start();
  int port() const { return port_; }
  int tls_port() const { return tls_port_; }  // -1 without HTTPS
  const std::string& certificate_pem() const { return identity_.certificate_pem; }

  // True once stopping began (stop() or the shutdown control call).
  bool wait_until_stopping(std::chrono::milliseconds timeout);
  // Stops accepting, ends every connection and returns when all is quiet.
  void stop();

 private:
  struct Recorded {
    uint64_t seq;
    RequestEntry entry;
  };

  void handle(const httplib::Request& request, httplib::Response& response);
  Reply faulted(const Fault& fault, const Exchange& exchange);
  Reply control(const RequestEntry& entry, const std::string& body);
  Json::Value meetings_json() const;
  std::string new_token();
  void begin_stop();
  void listen(httplib::Server& server);

  ServiceOptions options_;
  int port_ = -1;
  int tls_port_ = -1;
  TlsIdentity identity_;
  std::atomic<bool> stopping_{false};
  std::unique_ptr<PlainServer> plain_;
  std::unique_ptr<TlsServer> tls_;
  std::vector<std::thread> listeners_;

  std::mutex mutex_;
  std::condition_variable stopping_changed_;
  State state_;
  std::deque<Recorded> record_;
  uint64_t last_seq_ = 0;
  FaultTable faults_;
  std::mt19937_64 random_;
};

}  // namespace mivo::refservice
