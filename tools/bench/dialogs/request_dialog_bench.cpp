// Benchmark of one REST call through the request dialog against the reference
// service, beside the bare HTTP exchange of the same call from the same
// process. Prints figures; asserts nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "agent_test_support.h"
#include "dialog_ports.h"
#include "dialog_test_support.h"
#include "refservice_client.h"
#include "win/resource_library.h"

namespace {

constexpr int kRuns = 60;
const std::string kLoginBody = "{\"password\":\"alice-pass\",\"username\":\"alice\"}\n";

double percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

void print(const char* what, const std::vector<double>& ms) {
  std::printf("%-44s p50 %7.1f ms   p95 %7.1f ms\n", what, percentile(ms, 0.5),
              percentile(ms, 0.95));
}

double ms_between(LONGLONG from_us, LONGLONG to_us) {
  return static_cast<double>(to_us - from_us) / 1000.0;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (!mivo::scheduler::resource_library()) {
    std::fprintf(stderr, "MivoOlkRes.dll not found beside the program\n");
    return 1;
  }
  mivo::refservice::Client service;
  service.reset();
  const mivo::com::testing::owner_window owner;
  const auto transport = mivo::scheduler::make_transport();
  const mivo::ServiceRequest login{service.base_url() + "/rest/login", kLoginBody, "", "POST",
                                   mivo::scheduler::testing::window_handle(owner.get())};

  // The first call loads the agent library and warms the connection path.
  if (transport->send(login).empty()) {
    std::fprintf(stderr, "no answer from the service at %s\n", service.base_url().c_str());
    return 1;
  }

  std::vector<double> whole, bare, until_sent, after_answer;
  for (int i = 0; i < kRuns; ++i) {
    service.clear_requests();
    const LONGLONG start = mivo::oiurl::testing::now_us();
    const std::string response = transport->send(login);
    const LONGLONG end = mivo::oiurl::testing::now_us();
    const auto requests = service.requests();
    if (response.empty() || requests.size() != 1) {
      std::fprintf(stderr, "run %d: no answer\n", i);
      return 1;
    }
    whole.push_back(ms_between(start, end));
    until_sent.push_back(ms_between(start, requests[0].received_us));
    after_answer.push_back(ms_between(requests[0].answered_us, end));
  }
  for (int i = 0; i < kRuns; ++i) {
    const LONGLONG start = mivo::oiurl::testing::now_us();
    const auto answer = service.send("POST", "/rest/login", kLoginBody);
    const LONGLONG end = mivo::oiurl::testing::now_us();
    if (answer.status != 200) {
      std::fprintf(stderr, "bare run %d: status %d\n", i, answer.status);
      return 1;
    }
    bare.push_back(ms_between(start, end));
  }

  std::printf("login on loopback, %d runs each\n", kRuns);
  print("bare HTTP exchange", bare);
  print("through the request dialog", whole);
  print("  call to request read by the service", until_sent);
  print("  last answer byte to the call's return", after_answer);
  std::printf("%-44s p50 %7.1f ms   (target 80 ms, 50 ms of it the completion timer)\n",
              "overhead of the request dialog", percentile(whole, 0.5) - percentile(bare, 0.5));
  return 0;
}
