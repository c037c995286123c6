// Benchmark of MivoOIURL.dll against the reference service: the time from
// the service's last response byte to the sink call, whole request times for
// small and large responses, and time and peak memory for answers up to and
// beyond the agent's answer limit. Prints figures; asserts nothing.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "agent_test_support.h"
#include "win/wide_text.h"
#include "json_text.h"
#include "refservice_client.h"

using mivo::com::com_ptr;
using mivo::com::unique_bstr;
using namespace mivo::oiurl::testing;

namespace {

double percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const std::size_t index = static_cast<std::size_t>(p * (values.size() - 1) + 0.5);
  return values[index];
}

struct timed_call {
  LONGLONG started_us;
  sink_call result;
};

timed_call run_one(const agent_library& dll, const std::wstring& url) {
  com_ptr<IMivoOIURLObject> agent = dll.create();
  recording_sink sink;
  unique_bstr target(SysAllocString(url.c_str()));
  const LONGLONG start = now_us();
  agent->Get(target.get(), nullptr, &sink);
  if (!pump_until([&] { return !sink.calls.empty(); })) {
    std::fprintf(stderr, "no answer for %ls\n", url.c_str());
    std::exit(1);
  }
  return {start, sink.calls[0]};
}

void whole_request(const agent_library& dll, mivo::refservice::Client& service, int bytes,
                   int runs) {
  const std::string path = "/bench/size" + std::to_string(bytes);
  service.add_fault(*mivo::refservice::parse_json(R"({"path":")" + path + R"(","body_size":)" +
                                                  std::to_string(bytes) + "}"));
  const std::wstring url = mivo::win::to_wide(service.base_url() + path);
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const timed_call call = run_one(dll, url);
    if (call.result.length != bytes) {
      std::fprintf(stderr, "short answer: %ld of %d bytes\n", call.result.length, bytes);
      std::exit(1);
    }
    ms.push_back((call.result.when_us - call.started_us) / 1000.0);
  }
  std::printf("whole request, %7d-byte response (%d runs): p50 %.1f ms, p95 %.1f ms\n", bytes, runs,
              percentile(ms, 0.5), percentile(ms, 0.95));
}

SIZE_T private_bytes() {
  PROCESS_MEMORY_COUNTERS memory = {};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  return memory.PagefileUsage;
}

// Answers of growing size, one request each: how long until the sink is
// called, what arrived, and the most private memory the process held while
// the request ran. Past the agent's answer limit the memory must stay where
// the limit put it. Wine's WinINet reads the rest of a dropped answer when
// the request handle closes; the next size waits until the service has sent
// everything, and that time is printed too.
void large_answers(const agent_library& dll, mivo::refservice::Client& service) {
  for (const int megabytes : {1, 8, 16, 17, 64, 200}) {
    const int bytes = megabytes * 1048576;
    const std::string path = "/bench/large" + std::to_string(megabytes);
    service.clear_requests();
    service.add_fault(*mivo::refservice::parse_json(R"({"path":")" + path + R"(","body_size":)" +
                                                    std::to_string(bytes) + "}"));
    com_ptr<IMivoOIURLObject> agent = dll.create();
    recording_sink sink;
    unique_bstr target(SysAllocString(mivo::win::to_wide(service.base_url() + path).c_str()));
    SIZE_T most = private_bytes();
    const LONGLONG start = now_us();
    agent->Get(target.get(), nullptr, &sink);
    const bool answered = pump_until([&] {
      most = std::max(most, private_bytes());
      return !sink.calls.empty();
    });
    if (!answered) {
      std::fprintf(stderr, "no answer for %d MB\n", megabytes);
      std::exit(1);
    }
    agent.reset();
    pump_until(
        [&] {
          const auto requests = service.requests();
          return !requests.empty() && requests.back().answered_us != 0;
        },
        300000);
    const auto requests = service.requests();
    const double sent_ms = requests.empty() ? 0.0 : (requests.back().answered_us - start) / 1000.0;
    std::printf(
        "%3d MB answer: sink after %7.1f ms with %9ld bytes, most private memory %4zu MB; "
        "service done after %7.1f ms\n",
        megabytes, (sink.calls[0].when_us - start) / 1000.0, sink.calls[0].length, most / 1048576,
        sent_ms);
  }
}

void print_latency(const std::vector<LONGLONG>& answered, const std::vector<LONGLONG>& delivered) {
  std::vector<double> latency_ms;
  for (std::size_t i = 0; i < delivered.size(); ++i)
    latency_ms.push_back((delivered[i] - answered[i]) / 1000.0);
  std::printf(
      "last response byte to sink call (%zu requests): p50 %.2f ms, p95 %.2f ms, max %.2f ms\n",
      delivered.size(), percentile(latency_ms, 0.5), percentile(latency_ms, 0.95),
      *std::max_element(latency_ms.begin(), latency_ms.end()));
}

}  // namespace

int main() {
  mivo::refservice::Client service;
  service.reset();
  agent_library dll;

  // Delivery latency: last response byte (the service's clock) to sink.
  service.add_fault(
      *mivo::refservice::parse_json(R"({"path":"/bench/ping","body":"{\"code\":0}"})"));
  const std::wstring ping = mivo::win::to_wide(service.base_url() + "/bench/ping");
  constexpr int kRequests = 200;
  std::vector<LONGLONG> delivered;
  for (int i = 0; i < kRequests; ++i) delivered.push_back(run_one(dll, ping).result.when_us);
  const auto requests = service.requests();
  if (requests.size() != static_cast<std::size_t>(kRequests)) {
    std::fprintf(stderr, "the service recorded %zu requests\n", requests.size());
    return 1;
  }
  std::vector<LONGLONG> answered;
  for (const auto& r : requests) answered.push_back(r.answered_us);
  print_latency(answered, delivered);

  whole_request(dll, service, 1024, 50);
  whole_request(dll, service, 1048576, 20);
  large_answers(dll, service);
  service.reset();
  return 0;
}
