// mivo-refservice: the reference meeting service as a program.
//   mivo-refservice [--port N] [--tls-port N] [--state-dir DIR]
#include "service.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

bool parse_port(const char* text, int& port) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (!text[0] || *end || value < 0 || value > 65535) return false;
  port = static_cast<int>(value);
  return true;
}

int usage() {
  std::cerr << "usage: mivo-refservice [--port N] [--tls-port N] [--state-dir DIR]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  mivo::refservice::ServiceOptions options;
  options.port = 47380;
  if (const char* env = std::getenv("MIVO_REFSERVICE_PORT");
      env && !parse_port(env, options.port)) {
    return usage();
  }
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return usage();
    const char* value = argv[++i];
    if (arg == "--port") {
      if (!parse_port(value, options.port)) return usage();
    } else if (arg == "--tls-port") {
      if (!parse_port(value, options.tls_port)) return usage();
    } else if (arg == "--state-dir") {
      options.state_dir = value;
    } else {
      return usage();
    }
  }

  // Signals are taken by sigtimedwait below; blocked before any thread
  // exists, so that no worker thread receives them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  mivo::refservice::Service service(options);
  try {
    service.start();
  } catch (const std::exception& e) {
    std::cerr << "mivo-refservice: " << e.what() << "\n";
    return 1;
  }
  if (service.tls_port() >= 0) {
    std::cout << "https on 127.0.0.1:" << service.tls_port() << "\n";
  }
  std::cout << "listening on 127.0.0.1:" << service.port() << std::endl;

  const timespec tick{0, 100 * 1000 * 1000};
  while (!service.wait_until_stopping(std::chrono::milliseconds(0))) {
    if (sigtimedwait(&signals, nullptr, &tick) > 0) break;
  }
  service.stop();
  std::cout << "stopped" << std::endl;
  return 0;
}
