// Blocking loopback HTTP over POSIX sockets or Winsock.
#include "loopback_http.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace mivo::refservice {
namespace {

#ifdef _WIN32
using native_socket = SOCKET;
constexpr native_socket kNoSocket = INVALID_SOCKET;
void close_native(native_socket s) { closesocket(s); }
std::string last_error() { return "Winsock error " + std::to_string(WSAGetLastError()); }

// Winsock is started once per process and stays up until it ends.
void start_sockets() {
  static const bool started = [] {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    return true;
  }();
  (void)started;
}
#else
using native_socket = int;
constexpr native_socket kNoSocket = -1;
void close_native(native_socket s) { ::close(s); }
std::string last_error() { return std::strerror(errno); }
void start_sockets() {}
#endif

class Socket {
 public:
  explicit Socket(native_socket s) : s_(s) {}
  ~Socket() {
    if (s_ != kNoSocket) close_native(s_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  native_socket get() const { return s_; }

 private:
  native_socket s_;
};

}  // namespace

HttpResponse loopback_exchange(int port, const std::string& request) {
  start_sockets();
  const Socket sock(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (sock.get() == kNoSocket) throw std::runtime_error("socket: " + last_error());
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<unsigned short>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(sock.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    throw std::runtime_error("reference service not reachable on 127.0.0.1:" +
                             std::to_string(port) + ": " + last_error());
  }
  for (size_t sent = 0; sent < request.size();) {
    const int chunk = static_cast<int>(std::min<size_t>(request.size() - sent, 1 << 20));
    const auto n = ::send(sock.get(), request.data() + sent, chunk, 0);
    // A server that answers early (or drops the connection) may stop
    // reading; what it answered is still read below.
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  std::string received;
  char buffer[16384];
  while (true) {
    const auto n = ::recv(sock.get(), buffer, static_cast<int>(sizeof buffer), 0);
    if (n <= 0) break;
    received.append(buffer, static_cast<size_t>(n));
  }
  return parse_response(received);
}

HttpResponse parse_response(const std::string& bytes) {
  HttpResponse response;
  const size_t head_end = bytes.find("\r\n\r\n");
  if (head_end == std::string::npos) return response;
  size_t line_end = bytes.find("\r\n");
  const std::string status_line = bytes.substr(0, line_end);
  const size_t sp = status_line.find(' ');
  if (status_line.compare(0, 5, "HTTP/") != 0 || sp == std::string::npos) return response;
  response.status = std::atoi(status_line.c_str() + sp + 1);
  for (size_t pos = line_end + 2; pos < head_end; pos = line_end + 2) {
    line_end = bytes.find("\r\n", pos);
    const std::string line = bytes.substr(pos, line_end - pos);
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    size_t value = colon + 1;
    while (value < line.size() && (line[value] == ' ' || line[value] == '\t')) ++value;
    response.headers.emplace_back(line.substr(0, colon), line.substr(value));
  }
  response.body = bytes.substr(head_end + 4);
  if (const std::string* length = find_header(response.headers, "Content-Length")) {
    const auto expected = static_cast<size_t>(std::strtoull(length->c_str(), nullptr, 10));
    if (response.body.size() > expected) response.body.resize(expected);
  }
  return response;
}

}  // namespace mivo::refservice
