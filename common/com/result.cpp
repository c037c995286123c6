// Reporting failures to the debugger and to an observer.
#include "result.h"

#include <atomic>
#include <cstdio>

namespace mivo::com {
namespace {

std::atomic<failure_observer> g_observer{nullptr};

// The file name without its folders: the line stays readable.
const char* base_name(const char* path) noexcept {
  const char* name = path;
  for (const char* c = path; *c; ++c) {
    if (*c == '/' || *c == '\\') name = c + 1;
  }
  return name;
}

}  // namespace

void report_failure(const char* file, int line, const char* expression, HRESULT hr) noexcept {
  if (!file) file = "";
  if (!expression) expression = "";
  wchar_t text[512];
  std::swprintf(text, sizeof(text) / sizeof(text[0]), L"%hs(%d): %hs failed: 0x%08lX\n",
                base_name(file), line, expression, static_cast<unsigned long>(hr));
  OutputDebugStringW(text);
  if (const failure_observer observer = g_observer.load()) observer({file, line, expression, hr});
}

failure_observer set_failure_observer(failure_observer observer) noexcept {
  return g_observer.exchange(observer);
}

HRESULT hresult_from_caught_exception(const char* file, int line) noexcept {
  try {
    throw;
  } catch (const hresult_error& e) {
    if (!e.reported()) report_failure(file, line, "exception", e.code());
    return e.code();
  } catch (const std::bad_alloc&) {
    report_failure(file, line, "std::bad_alloc", E_OUTOFMEMORY);
    return E_OUTOFMEMORY;
  } catch (...) {
    report_failure(file, line, "exception", E_UNEXPECTED);
    return E_UNEXPECTED;
  }
}

namespace detail {

void throw_reported(const char* file, int line, const char* expression, HRESULT hr) {
  report_failure(file, line, expression, hr);
  throw hresult_error(hr, true);
}

}  // namespace detail

}  // namespace mivo::com
