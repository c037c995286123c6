// Failure plumbing for COM code: early-return macros, the exception that
// carries an HRESULT, and the catch-all that closes every COM method.
#pragma once

#include <windows.h>

#include <new>
#include <stdexcept>

namespace mivo::com {

// Thrown by code below a COM boundary (com_ptr::query, THROW_IF_FAILED) and
// turned back into its HRESULT by CATCH_RETURN().
class hresult_error : public std::runtime_error {
 public:
  explicit hresult_error(HRESULT hr) : std::runtime_error("HRESULT failure"), hr_(hr) {}
  HRESULT code() const noexcept { return hr_; }

 private:
  HRESULT hr_;
};

// HRESULT of the exception being handled; call only inside a catch block.
inline HRESULT hresult_from_caught_exception() noexcept {
  try {
    throw;
  } catch (const hresult_error& e) {
    return e.code();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// The HRESULT of the calling thread's last Win32 error, never a success
// code: a failed call that left no error still reports a failure.
inline HRESULT hresult_from_last_error() noexcept {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

inline void throw_if_failed(HRESULT hr) {
  if (FAILED(hr)) throw hresult_error(hr);
}

}  // namespace mivo::com

#define RETURN_IF_FAILED(expr)             \
  do {                                     \
    const HRESULT mivo_hr_ = (expr);       \
    if (FAILED(mivo_hr_)) return mivo_hr_; \
  } while (0)

#define RETURN_IF_WIN32_BOOL_FALSE(expr)                        \
  do {                                                          \
    if (!(expr)) return ::mivo::com::hresult_from_last_error(); \
  } while (0)

#define RETURN_IF_WIN32_ERROR(expr)                                           \
  do {                                                                        \
    const LONG mivo_error_ = static_cast<LONG>(expr);                         \
    if (mivo_error_ != ERROR_SUCCESS) return HRESULT_FROM_WIN32(mivo_error_); \
  } while (0)

#define RETURN_HR_IF(hr, condition) \
  do {                              \
    if (condition) return (hr);     \
  } while (0)

#define THROW_IF_FAILED(expr) ::mivo::com::throw_if_failed(expr)

// Ends a function-try-block (`HRESULT f() try { ... } CATCH_RETURN()`) or a
// try block: no exception may cross a COM method, window procedure or event
// handler.
#define CATCH_RETURN()                                   \
  catch (...) {                                          \
    return ::mivo::com::hresult_from_caught_exception(); \
  }
