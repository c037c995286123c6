// Every call the host makes into an add-in goes through addin_call: it is
// named, so that a crash says where it happened, timed for the start-up and
// event figures, and a C++ exception that crosses the COM boundary is
// caught and reported instead of unwinding through Outlook.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "automation.h"

namespace mivo::outlookhost {

// "12.3 ms", for the timings' reports.
std::string milliseconds_text(double value);

struct call_timing {
  std::string what;
  double milliseconds = 0;
};

class addin_calls {
 public:
  // A crash inside an add-in call prints which call it was and ends the
  // process with exit code 3, as Outlook itself would go down.
  static void report_crashes();
  // What the host is calling now, innermost last.
  static const std::vector<std::string>& stack();
  // Timings of the outermost calls are kept only while recording is on.
  static void record_timings(bool on);
  static std::vector<call_timing> take_timings();

  template <class Call>
  static HRESULT run(const std::string& what, Call&& call) noexcept {
    const auto started = std::chrono::steady_clock::now();
    enter(what);
    HRESULT hr = E_UNEXPECTED;
    try {
      hr = call();
    } catch (...) {
      Diagnostics::note("the add-in let a C++ exception out of " + what);
    }
    leave(what,
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
              .count());
    return hr;
  }

 private:
  static void enter(const std::string& what) noexcept;
  static void leave(const std::string& what, double milliseconds) noexcept;
};

}  // namespace mivo::outlookhost
