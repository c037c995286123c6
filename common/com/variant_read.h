// Readers from a VARIANT to the C++ value it should hold, saying whether the
// value was there and of a type the reader takes. By-reference values
// (VT_BYREF, and VT_VARIANT | VT_BYREF) read as the value they point to.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <utility>

#include "com_ptr.h"

namespace mivo::com {

enum class read_status {
  value,       // read
  missing,     // VT_EMPTY, VT_NULL, a missing optional argument, a null object
  wrong_type,  // a value the reader does not take
};

// The outcome of a reader: the value, or why there is none. Without a value,
// operator* gives T's default value.
template <class T>
class read_result {
 public:
  read_result(T value) : value_(std::move(value)), status_(read_status::value) {}
  explicit read_result(read_status status) : status_(status) {}

  read_status status() const noexcept { return status_; }
  bool has_value() const noexcept { return status_ == read_status::value; }
  bool is_missing() const noexcept { return status_ == read_status::missing; }
  bool is_wrong_type() const noexcept { return status_ == read_status::wrong_type; }
  explicit operator bool() const noexcept { return has_value(); }

  const T& operator*() const& noexcept { return value_; }
  T&& operator*() && noexcept { return std::move(value_); }
  const T* operator->() const noexcept { return &value_; }
  T value_or(T fallback) const& { return has_value() ? value_ : std::move(fallback); }
  T value_or(T fallback) && { return has_value() ? std::move(value_) : std::move(fallback); }

 private:
  T value_{};
  read_status status_;
};

// VT_BSTR as UTF-8 (a null BSTR is "").
read_result<std::string> as_text(const VARIANT& value);
// Any integer or real type and VT_DATE (an OLE Automation date).
read_result<double> as_double(const VARIANT& value);
// Any integer type whose value fits; reals are refused, not rounded.
read_result<long long> as_int(const VARIANT& value);
// VT_BOOL.
read_result<bool> as_bool(const VARIANT& value);
// VT_DISPATCH, or VT_UNKNOWN that answers IDispatch.
read_result<com_ptr<IDispatch>> as_dispatch(const VARIANT& value);

}  // namespace mivo::com
