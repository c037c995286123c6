// The bookkeeping behind addin_calls: the stack of calls for the crash
// report and the timings of the outermost ones.
#include "addin_calls.h"

#include <cstdio>

namespace mivo::outlookhost {

namespace {

std::vector<std::string>& calls() {
  static std::vector<std::string> stack;
  return stack;
}

bool recording = false;

std::vector<call_timing>& timings() {
  static std::vector<call_timing> recorded;
  return recorded;
}

LONG WINAPI crash_report(EXCEPTION_POINTERS* info) {
  char line[512];
  const auto& stack = calls();
  const std::string where = stack.empty() ? std::string("the host itself") : stack.back();
  snprintf(line, sizeof(line),
           "\nOutlook would crash here: exception 0x%08lX at %p in %s.\n"
           "Outlook disables an add-in that crashes it (resiliency reason 3, crash).\n",
           static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
           info->ExceptionRecord->ExceptionAddress, where.c_str());
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(strlen(line)), &written,
            nullptr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

std::string milliseconds_text(double value) {
  char text[32];
  snprintf(text, sizeof(text), "%.1f ms", value);
  return text;
}

void addin_calls::report_crashes() { SetUnhandledExceptionFilter(&crash_report); }

const std::vector<std::string>& addin_calls::stack() { return calls(); }

void addin_calls::record_timings(bool on) { recording = on; }

std::vector<call_timing> addin_calls::take_timings() {
  std::vector<call_timing> taken;
  taken.swap(timings());
  return taken;
}

void addin_calls::enter(const std::string& what) noexcept try {
  calls().push_back(what);
} catch (...) {
}

void addin_calls::leave(const std::string& what, double milliseconds) noexcept try {
  if (!calls().empty()) calls().pop_back();
  if (recording && calls().empty()) timings().push_back({what, milliseconds});
} catch (...) {
}

}  // namespace mivo::outlookhost
