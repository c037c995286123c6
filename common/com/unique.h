// RAII owners of Windows handles and OLE Automation values: one owner
// template and one-line aliases named for the handle.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wininet.h>

#include <new>
#include <utility>

namespace mivo::com {

// Owns one handle described by Traits (type, invalid value, close function).
template <class Traits>
class unique_any {
 public:
  using pointer = typename Traits::type;

  unique_any() noexcept = default;
  explicit unique_any(pointer value) noexcept : value_(value) {}
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  unique_any(unique_any&& other) noexcept : value_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~unique_any() { reset(); }

  pointer get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

  // Closes the current handle and hands out the slot for an out-parameter.
  pointer* put() noexcept {
    reset();
    return &value_;
  }
  pointer* addressof() noexcept { return &value_; }

  // Closing keeps the thread's last error: an owner going out of scope on a
  // failure path must not hide why the failure happened.
  void reset(pointer value = Traits::invalid()) noexcept {
    const pointer old = std::exchange(value_, value);
    if (old == Traits::invalid()) return;
    const DWORD error = GetLastError();
    Traits::close(old);
    SetLastError(error);
  }
  [[nodiscard]] pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }
  void swap(unique_any& other) noexcept { std::swap(value_, other.value_); }

 private:
  pointer value_ = Traits::invalid();
};

namespace traits {
template <class T, auto Close>
struct null_invalid {
  using type = T;
  static constexpr type invalid() noexcept { return nullptr; }
  static void close(type value) noexcept { Close(value); }
};
// CreateFileW and its kin fail with INVALID_HANDLE_VALUE, not null.
struct file_handle {
  using type = HANDLE;
  static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(type value) noexcept { CloseHandle(value); }
};
}  // namespace traits

using unique_bstr = unique_any<traits::null_invalid<BSTR, &::SysFreeString>>;
using unique_hkey = unique_any<traits::null_invalid<HKEY, &::RegCloseKey>>;
using unique_hinternet = unique_any<traits::null_invalid<HINTERNET, &::InternetCloseHandle>>;
using unique_handle = unique_any<traits::null_invalid<HANDLE, &::CloseHandle>>;
using unique_hfile = unique_any<traits::file_handle>;
using unique_hmodule = unique_any<traits::null_invalid<HMODULE, &::FreeLibrary>>;
using unique_hglobal = unique_any<traits::null_invalid<HGLOBAL, &::GlobalFree>>;
// SafeArrayDestroy also releases what the elements hold (BSTRs, interfaces).
using unique_safearray = unique_any<traits::null_invalid<SAFEARRAY*, &::SafeArrayDestroy>>;

// An event handle with the few operations the code needs.
class unique_event : public unique_handle {
 public:
  unique_event() noexcept = default;

  // Unnamed event, initially not signalled; false when it cannot be made.
  bool create(bool manual_reset) noexcept {
    reset(CreateEventW(nullptr, manual_reset ? TRUE : FALSE, FALSE, nullptr));
    return static_cast<bool>(*this);
  }
  void set() const noexcept { SetEvent(get()); }
  // True when the event was signalled within the wait.
  bool wait(DWORD milliseconds) const noexcept {
    return WaitForSingleObject(get(), milliseconds) == WAIT_OBJECT_0;
  }
};

// Copy of a wide string as a BSTR; a null text gives a null BSTR. Throws
// std::bad_alloc when the copy cannot be made.
inline unique_bstr make_bstr(const wchar_t* text) {
  if (!text) return unique_bstr();
  unique_bstr copy(SysAllocString(text));
  if (!copy) throw std::bad_alloc();
  return copy;
}

// Copy of a BSTR, keeping embedded zero characters and the null BSTR.
inline unique_bstr copy_bstr(BSTR text) {
  if (!text) return unique_bstr();
  unique_bstr copy(SysAllocStringLen(text, SysStringLen(text)));
  if (!copy) throw std::bad_alloc();
  return copy;
}

// A VARIANT that is initialised on construction and cleared on destruction.
// Moving hands the value over and leaves the source empty (VT_EMPTY).
class unique_variant : public VARIANT {
 public:
  unique_variant() noexcept { VariantInit(this); }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;
  unique_variant(unique_variant&& other) noexcept : VARIANT(other) { VariantInit(&other); }
  unique_variant& operator=(unique_variant&& other) noexcept {
    if (this != &other) {
      VariantClear(this);
      static_cast<VARIANT&>(*this) = other;
      VariantInit(&other);
    }
    return *this;
  }
  ~unique_variant() { VariantClear(this); }

  // Clears the value and hands out the slot for an out-parameter.
  VARIANT* put() noexcept {
    VariantClear(this);
    return this;
  }
  void reset() noexcept { VariantClear(this); }
  // Hands the value to the caller, who then clears it, and leaves this empty.
  [[nodiscard]] VARIANT release() noexcept {
    const VARIANT value = *this;
    VariantInit(this);
    return value;
  }
};

}  // namespace mivo::com
