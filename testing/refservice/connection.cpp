// Serving accepted connections for cpp-httplib: keep-alive loop, raw byte
// capture, TLS handshake, drops and prompt stops.
#include "connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <utility>

namespace mivo::refservice {
namespace {

using namespace std::chrono_literals;

// How long a request may take to arrive once started, and how long an idle
// keep-alive connection is kept (WinINet pools its connections).
constexpr auto kReadTimeout = 5s;
constexpr auto kKeepAlive = 5s;
constexpr auto kStopPoll = 20ms;
constexpr int kRequestsPerConnection = 100;
constexpr size_t kWorkers = 48;
constexpr size_t kReadChunk = 16384;

thread_local Connection* t_current = nullptr;

class PlainTransport final : public Transport {
 public:
  using Transport::Transport;
  ssize_t receive(char* data, size_t size) override {
    ssize_t n;
    do n = ::recv(fd(), data, size, 0);
    while (n < 0 && errno == EINTR);
    return n;
  }
  ssize_t send(const char* data, size_t size) override {
    ssize_t n;
    do n = ::send(fd(), data, size, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return n;
  }
};

class TlsTransport final : public Transport {
 public:
  TlsTransport(int fd, SSL* ssl) : Transport(fd), ssl_(ssl) {}
  ~TlsTransport() override { SSL_free(ssl_); }
  ssize_t receive(char* data, size_t size) override {
    const int n = SSL_read(ssl_, data, static_cast<int>(std::min<size_t>(size, INT32_MAX)));
    if (n > 0) return n;
    return SSL_get_error(ssl_, n) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
  }
  ssize_t send(const char* data, size_t size) override {
    const int n = SSL_write(ssl_, data, static_cast<int>(std::min<size_t>(size, INT32_MAX)));
    return n > 0 ? n : -1;
  }
  bool has_pending() const override { return SSL_pending(ssl_) > 0; }
  void finish() override { SSL_shutdown(ssl_); }

 private:
  SSL* ssl_;
};

// Takes the socket over: on failure it is closed here.
std::unique_ptr<Transport> open_tls(int fd, SSL_CTX* ctx) {
  SSL* ssl = SSL_new(ctx);
  if (!ssl) {
    ::close(fd);
    return nullptr;
  }
  auto transport = std::make_unique<TlsTransport>(fd, ssl);
  // The accepted socket carries httplib's receive time-out, so a client that
  // never finishes the handshake cannot hold the worker for long.
  if (SSL_set_fd(ssl, fd) != 1 || SSL_accept(ssl) != 1) return nullptr;
  return transport;
}

void address_of(int fd, bool peer, std::string& ip, int& port) {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  const int rc = peer ? getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len)
                      : getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  if (rc != 0 || addr.ss_family != AF_INET) return;
  const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
  ip = text;
  port = ntohs(in->sin_port);
}

// Only SO_REUSEADDR: a second service on a busy port must fail to start
// rather than share the port (httplib's default sets SO_REUSEPORT).
void listening_socket_options(socket_t sock) {
  int yes = 1;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// Answers go out as soon as they are written, as production HTTP servers
// send them: without this, Nagle's algorithm holds the body back until the
// client acknowledges the headers (about 40 ms on loopback).
void answer_without_delay(socket_t sock) {
  int yes = 1;
  setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
}

void configure(httplib::Server& server) {
  server.set_socket_options(listening_socket_options);
  server.set_keep_alive_max_count(kRequestsPerConnection);
  server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
}

// The service answers every body as it is, so it never compresses.
void without_compression(httplib::Request& request) { request.headers.erase("Accept-Encoding"); }

template <class Process>
bool serve(Connection& connection, Process process) {
  t_current = &connection;
  bool ok = true;
  for (int served = 0; served < kRequestsPerConnection; ++served) {
    if (!connection.wait_for_request()) break;
    connection.start_request();
    bool closed = false;
    ok = process(connection, served + 1 == kRequestsPerConnection, closed);
    connection.answered();
    if (!ok || closed || connection.abandoned()) break;
  }
  t_current = nullptr;
  return ok;
}

}  // namespace

Transport::~Transport() {
  ::shutdown(fd_, SHUT_RDWR);
  ::close(fd_);
}

Connection::Connection(std::unique_ptr<Transport> transport, const std::atomic<bool>& stopping,
                       bool tls)
    : transport_(std::move(transport)), stopping_(stopping), tls_(tls) {}

Connection::~Connection() {
  if (!abandoned_) transport_->finish();
}

bool Connection::wait_readable(std::chrono::milliseconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (true) {
    if (buffer_pos_ < buffer_.size() || transport_->has_pending()) return true;
    if (stopping_ || abandoned_) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd pfd{transport_->fd(), POLLIN, 0};
    const int rc = ::poll(
        &pfd, 1, static_cast<int>(std::min(left, std::chrono::milliseconds(kStopPoll)).count()));
    if (rc > 0) return true;
    if (rc < 0 && errno != EINTR) return false;
  }
}

bool Connection::is_readable() const { return wait_readable(kReadTimeout); }

bool Connection::is_writable() const { return !abandoned_; }

ssize_t Connection::read(char* data, size_t size) {
  if (buffer_pos_ == buffer_.size()) {
    if (!wait_readable(kReadTimeout)) return -1;
    buffer_.resize(kReadChunk);
    const ssize_t n = transport_->receive(buffer_.data(), buffer_.size());
    buffer_.resize(n > 0 ? static_cast<size_t>(n) : 0);
    buffer_pos_ = 0;
    if (n <= 0) return n;
  }
  const size_t n = std::min(size, buffer_.size() - buffer_pos_);
  std::copy_n(buffer_.data() + buffer_pos_, n, data);
  consumed_.append(buffer_, buffer_pos_, n);
  buffer_pos_ += n;
  return static_cast<ssize_t>(n);
}

ssize_t Connection::write(const char* data, size_t size) {
  size_t sent = 0;
  while (sent < size) {
    if (abandoned_) return -1;
    const ssize_t n = transport_->send(data + sent, size - sent);
    if (n <= 0) return -1;
    sent += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(size);
}

void Connection::get_remote_ip_and_port(std::string& ip, int& port) const {
  address_of(transport_->fd(), true, ip, port);
}

void Connection::get_local_ip_and_port(std::string& ip, int& port) const {
  address_of(transport_->fd(), false, ip, port);
}

socket_t Connection::socket() const { return transport_->fd(); }

std::string Connection::take_consumed() { return std::exchange(consumed_, std::string()); }

void Connection::abandon() { abandoned_ = true; }

void Connection::after_answer(std::function<void()> callback) {
  after_answer_ = std::move(callback);
}

bool Connection::wait_for_request() { return wait_readable(kKeepAlive); }

void Connection::start_request() {
  // Bytes of a request that httplib answered itself (a malformed request
  // line, say) must not stick to the next one.
  consumed_.clear();
  after_answer_ = nullptr;
}

void Connection::answered() {
  auto callback = std::exchange(after_answer_, nullptr);
  if (callback && !abandoned_) callback();
}

Connection* current_connection() { return t_current; }

PlainServer::PlainServer(const std::atomic<bool>& stopping) : stopping_(stopping) {
  configure(*this);
}

bool PlainServer::process_and_close_socket(socket_t sock) {
  answer_without_delay(sock);
  Connection connection(std::make_unique<PlainTransport>(sock), stopping_, false);
  return serve(connection, [this](Connection& c, bool last, bool& closed) {
    return process_request(c, last, closed, without_compression);
  });
}

TlsServer::TlsServer(const std::atomic<bool>& stopping, X509* certificate, EVP_PKEY* key)
    : httplib::SSLServer(certificate, key), stopping_(stopping) {
  configure(*this);
}

bool TlsServer::process_and_close_socket(socket_t sock) {
  answer_without_delay(sock);
  auto transport = open_tls(sock, ssl_context());
  if (!transport) return false;
  Connection connection(std::move(transport), stopping_, true);
  return serve(connection, [this](Connection& c, bool last, bool& closed) {
    return process_request(c, last, closed, without_compression);
  });
}

}  // namespace mivo::refservice
