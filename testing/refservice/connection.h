// The HTTP servers of the reference service: cpp-httplib parses requests and
// writes answers, but the connections are served here, so that the service
// sees the raw bytes of every request, can drop a connection without an
// answer, and stops at once instead of waiting out idle keep-alive sockets.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace mivo::refservice {

// A byte pipe over one accepted socket: plain TCP or TLS.
class Transport {
 public:
  explicit Transport(int fd) : fd_(fd) {}
  virtual ~Transport();
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  virtual ssize_t receive(char* data, size_t size) = 0;
  virtual ssize_t send(const char* data, size_t size) = 0;
  // Bytes already received but not yet handed out (TLS records).
  virtual bool has_pending() const { return false; }
  // Ends the stream politely (TLS close_notify); not called on a drop.
  virtual void finish() {}
  int fd() const { return fd_; }

 private:
  int fd_;
};

// One connection, as the httplib::Stream the parser reads from and writes to.
class Connection final : public httplib::Stream {
 public:
  Connection(std::unique_ptr<Transport> transport, const std::atomic<bool>& stopping, bool tls);
  ~Connection() override;

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* data, size_t size) override;
  ssize_t write(const char* data, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override;

  // For the request handler: the bytes the parser consumed for the current
  // request (request line, headers, body), handed out once.
  std::string take_consumed();
  // The current request gets no answer: nothing more is written and the
  // socket is closed once the handler returns.
  void abandon();
  bool abandoned() const { return abandoned_; }
  bool tls() const { return tls_; }
  // Runs once the answer of the current request has been written (never
  // for an abandoned one).
  void after_answer(std::function<void()> callback);

  // For the serving loop.
  bool wait_for_request();
  void start_request();
  void answered();

 private:
  bool wait_readable(std::chrono::milliseconds limit) const;

  std::unique_ptr<Transport> transport_;
  const std::atomic<bool>& stopping_;
  const bool tls_;
  bool abandoned_ = false;
  std::string buffer_;
  size_t buffer_pos_ = 0;
  std::string consumed_;
  std::function<void()> after_answer_;
};

// The connection the calling request handler serves (null outside one).
Connection* current_connection();

// Plain HTTP and HTTPS servers whose connections are served by Connection.
class PlainServer final : public httplib::Server {
 public:
  explicit PlainServer(const std::atomic<bool>& stopping);

 private:
  bool process_and_close_socket(socket_t sock) override;
  const std::atomic<bool>& stopping_;
};

class TlsServer final : public httplib::SSLServer {
 public:
  TlsServer(const std::atomic<bool>& stopping, X509* certificate, EVP_PKEY* key);

 private:
  bool process_and_close_socket(socket_t sock) override;
  const std::atomic<bool>& stopping_;
};

}  // namespace mivo::refservice
