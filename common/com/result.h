// Failure plumbing for COM code: early-return macros, the exception that
// carries an HRESULT, and the catch-all that closes every COM method.
//
// The macros check the type of what they are given, as the Windows
// Implementation Libraries do (an HRESULT, a BOOL or bool, a Win32 error
// code, a bool condition), so a BOOL never passes for an HRESULT. Every
// failure a macro returns or throws is reported once, with file, line,
// expression and HRESULT, through report_failure(): to the debugger
// (OutputDebugStringW) and to the observer a test may install. CATCH_RETURN
// reports the exceptions that were not reported when they were thrown.
#pragma once

#include <windows.h>

#include <new>
#include <stdexcept>
#include <type_traits>

namespace mivo::com {

struct failure {
  const char* file;
  int line;
  const char* expression;
  HRESULT hr;
};

// Writes one line to the debugger ("file(line): expression failed:
// 0x80004005") and hands the failure to the observer, if any.
void report_failure(const char* file, int line, const char* expression, HRESULT hr) noexcept;

// Called for every reported failure, on the reporting thread, after the
// debugger line. Returns the observer it replaces.
using failure_observer = void (*)(const failure&) noexcept;
failure_observer set_failure_observer(failure_observer observer) noexcept;

// Thrown by code below a COM boundary (com_ptr::query, THROW_IF_FAILED) and
// turned back into its HRESULT by CATCH_RETURN().
class hresult_error : public std::runtime_error {
 public:
  explicit hresult_error(HRESULT hr, bool reported = false)
      : std::runtime_error("HRESULT failure"), hr_(hr), reported_(reported) {}
  HRESULT code() const noexcept { return hr_; }
  // Whether the failure was reported where it was thrown.
  bool reported() const noexcept { return reported_; }

 private:
  HRESULT hr_;
  bool reported_;
};

// The HRESULT of the exception being handled, reported unless it was
// already; call only inside a catch block.
HRESULT hresult_from_caught_exception(const char* file, int line) noexcept;

// The HRESULT of the calling thread's last Win32 error, never a success
// code: a failed call that left no error still reports a failure.
inline HRESULT hresult_from_last_error() noexcept {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

namespace detail {

template <class T>
constexpr HRESULT verify_hresult(T hr) noexcept {
  static_assert(std::is_same_v<T, HRESULT>, "Wrong type: HRESULT expected");
  return hr;
}

template <class T>
constexpr bool verify_win32_bool(T value) noexcept {
  static_assert(std::is_same_v<T, BOOL> || std::is_same_v<T, bool>,
                "Wrong type: BOOL or bool expected");
  return value != 0;
}

template <class T>
constexpr bool verify_bool(T condition) noexcept {
  static_assert(std::is_same_v<T, bool>, "Wrong type: bool expected");
  return condition;
}

template <class T>
constexpr LONG verify_win32_error(T error) noexcept {
  static_assert(std::is_same_v<T, LONG> || std::is_same_v<T, DWORD>,
                "Wrong type: a Win32 error code (LONG or DWORD) expected");
  return static_cast<LONG>(error);
}

template <class T>
constexpr bool is_null(const T& pointer) noexcept {
  static_assert(std::is_pointer_v<T> || std::is_same_v<T, std::nullptr_t>,
                "Wrong type: a pointer or handle expected");
  return pointer == nullptr;
}

[[noreturn]] void throw_reported(const char* file, int line, const char* expression, HRESULT hr);

template <class T>
HRESULT log_if_failed(const char* file, int line, const char* expression, T hr) noexcept {
  if (FAILED(verify_hresult(hr))) report_failure(file, line, expression, hr);
  return hr;
}

}  // namespace detail

}  // namespace mivo::com

#define MIVO_RETURN_REPORTED(hr, expression)                                    \
  do {                                                                          \
    const HRESULT mivo_failure_ = (hr);                                         \
    ::mivo::com::report_failure(__FILE__, __LINE__, expression, mivo_failure_); \
    return mivo_failure_;                                                       \
  } while (0)

#define RETURN_IF_FAILED(expr)                                          \
  do {                                                                  \
    const HRESULT mivo_hr_ = ::mivo::com::detail::verify_hresult(expr); \
    if (FAILED(mivo_hr_)) MIVO_RETURN_REPORTED(mivo_hr_, #expr);        \
  } while (0)

#define RETURN_IF_WIN32_BOOL_FALSE(expr)                                   \
  do {                                                                     \
    if (!::mivo::com::detail::verify_win32_bool(expr))                     \
      MIVO_RETURN_REPORTED(::mivo::com::hresult_from_last_error(), #expr); \
  } while (0)

#define RETURN_IF_WIN32_ERROR(expr)                                         \
  do {                                                                      \
    const LONG mivo_error_ = ::mivo::com::detail::verify_win32_error(expr); \
    if (mivo_error_ != ERROR_SUCCESS)                                       \
      MIVO_RETURN_REPORTED(HRESULT_FROM_WIN32(mivo_error_), #expr);         \
  } while (0)

// Returns hr when the condition holds; only a failure code is reported.
#define RETURN_HR_IF(hr, condition)                                                \
  do {                                                                             \
    if (::mivo::com::detail::verify_bool(condition)) {                             \
      const HRESULT mivo_result_ = ::mivo::com::detail::verify_hresult(hr);        \
      if (FAILED(mivo_result_))                                                    \
        ::mivo::com::report_failure(__FILE__, __LINE__, #condition, mivo_result_); \
      return mivo_result_;                                                         \
    }                                                                              \
  } while (0)

#define RETURN_HR_IF_NULL(hr, pointer)                                                    \
  do {                                                                                    \
    if (::mivo::com::detail::is_null(pointer))                                            \
      MIVO_RETURN_REPORTED(::mivo::com::detail::verify_hresult(hr), #pointer " is null"); \
  } while (0)

// The calling thread's last error when the condition holds (a failed call
// that returns a handle or pointer rather than a BOOL).
#define RETURN_LAST_ERROR_IF(condition)                                         \
  do {                                                                          \
    if (::mivo::com::detail::verify_bool(condition))                            \
      MIVO_RETURN_REPORTED(::mivo::com::hresult_from_last_error(), #condition); \
  } while (0)

#define RETURN_LAST_ERROR_IF_NULL(pointer)                                               \
  do {                                                                                   \
    if (::mivo::com::detail::is_null(pointer))                                           \
      MIVO_RETURN_REPORTED(::mivo::com::hresult_from_last_error(), #pointer " is null"); \
  } while (0)

// For a result ignored on purpose: a failure is reported and the code goes
// on. Evaluates to the HRESULT.
#define LOG_IF_FAILED(expr) ::mivo::com::detail::log_if_failed(__FILE__, __LINE__, #expr, (expr))

#define THROW_IF_FAILED(expr)                                                   \
  do {                                                                          \
    const HRESULT mivo_hr_ = ::mivo::com::detail::verify_hresult(expr);         \
    if (FAILED(mivo_hr_))                                                       \
      ::mivo::com::detail::throw_reported(__FILE__, __LINE__, #expr, mivo_hr_); \
  } while (0)

// Ends a function-try-block (`HRESULT f() try { ... } CATCH_RETURN()`) or a
// try block: no exception may cross a COM method, window procedure or event
// handler.
#define CATCH_RETURN()                                                     \
  catch (...) {                                                            \
    return ::mivo::com::hresult_from_caught_exception(__FILE__, __LINE__); \
  }
