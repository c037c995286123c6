// Calling members of any IDispatch object by name: property get and put and
// method calls with arguments in their natural order, as a script would.
//
//   const auto subject = as_text(get(item, L"Subject"));
//   put(item, L"Subject", "Planning");
//   const auto folder = call(call(get(item, L"Application"), L"GetNamespace", L"MAPI"),
//                            L"GetDefaultFolder", 3);
//   if (const auto deleted = as_dispatch(folder)) ...
//
// Nothing throws for a failed call: the result carries the HRESULT and an
// empty value, and a failed result used as the object of the next call makes
// that call fail with the same HRESULT, so a chain can be checked once at
// its end.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <climits>
#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <type_traits>
#include <utility>

#include "com_ptr.h"
#include "unique.h"
#include "variant_read.h"

namespace mivo::com {

// The value a member gave (VT_EMPTY when it gave none or failed) and the
// HRESULT of the call.
class dispatch_result : public unique_variant {
 public:
  explicit dispatch_result(HRESULT hr) noexcept : hr_(hr) {}
  dispatch_result(HRESULT hr, unique_variant&& value) noexcept
      : unique_variant(std::move(value)), hr_(hr) {}

  HRESULT hr() const noexcept { return hr_; }
  bool succeeded() const noexcept { return SUCCEEDED(hr_); }

 private:
  HRESULT hr_;
};

// An argument left out: a missing optional parameter.
struct missing_argument_t {};
inline constexpr missing_argument_t missing_argument{};

// One argument of a call, converted from a C++ value. Text given as char is
// UTF-8; integers become VT_I4 (VT_I8 or VT_UI8 when they do not fit), bool VT_BOOL,
// reals VT_R8, interface pointers VT_DISPATCH or VT_UNKNOWN; a VARIANT is
// copied as it is.
class argument {
 public:
  template <class T, std::enable_if_t<std::is_same_v<T, bool>, int> = 0>
  argument(T value) noexcept {
    value_.vt = VT_BOOL;
    value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
  argument(T value) noexcept {
    set_integer(value);
  }
  argument(double value) noexcept;
  argument(const wchar_t* text);
  argument(std::wstring_view text);
  argument(const char* utf8);
  argument(std::string_view utf8);
  argument(IDispatch* object) noexcept;
  argument(IUnknown* object) noexcept;
  template <class T>
  argument(const com_ptr<T>& object) noexcept {
    if constexpr (std::is_base_of_v<IDispatch, T>)
      set_object(VT_DISPATCH, static_cast<IDispatch*>(object.get()));
    else
      set_object(VT_UNKNOWN, static_cast<IUnknown*>(object.get()));
  }
  argument(const VARIANT& value);
  argument(missing_argument_t) noexcept;

  const VARIANT& value() const noexcept { return value_; }

 private:
  template <class T>
  void set_integer(T value) noexcept {
    bool fits;
    if constexpr (std::is_signed_v<T>)
      fits = static_cast<long long>(value) >= LONG_MIN && static_cast<long long>(value) <= LONG_MAX;
    else
      fits = static_cast<unsigned long long>(value) <= LONG_MAX;
    if (fits) {
      value_.vt = VT_I4;
      value_.lVal = static_cast<LONG>(value);
    } else if constexpr (std::is_signed_v<T>) {
      value_.vt = VT_I8;
      value_.llVal = static_cast<LONGLONG>(value);
    } else {
      value_.vt = VT_UI8;
      value_.ullVal = static_cast<ULONGLONG>(value);
    }
  }
  void set_object(VARTYPE type, IUnknown* object) noexcept;

  unique_variant value_;
};

// The object a member is called on: an IDispatch pointer, a com_ptr to one,
// or the result of an earlier call (which must hold an object).
class dispatch_target {
 public:
  dispatch_target(IDispatch* object) noexcept : object_(object), hr_(object ? S_OK : E_POINTER) {}
  template <class T, std::enable_if_t<std::is_base_of_v<IDispatch, T>, int> = 0>
  dispatch_target(const com_ptr<T>& object) noexcept : dispatch_target(object.get()) {}
  dispatch_target(const dispatch_result& result) noexcept;

  IDispatch* get() const noexcept { return object_; }
  // S_OK, or why there is no object to call.
  HRESULT hr() const noexcept { return hr_; }

 private:
  IDispatch* object_ = nullptr;
  HRESULT hr_;
};

namespace detail {
dispatch_result invoke_by_name(const dispatch_target& target, const wchar_t* name, WORD flags,
                               std::initializer_list<const argument*> arguments) noexcept;

// An argument as it is, anything else converted into a temporary that lives
// until the end of the call's full expression.
inline const argument& as_argument(const argument& value) noexcept { return value; }
template <class T>
argument as_argument(const T& value) {
  return argument(value);
}
}  // namespace detail

// Property get; arguments for indexed properties (Item(1)).
template <class... Args>
dispatch_result get(const dispatch_target& object, const wchar_t* name, const Args&... args) {
  return detail::invoke_by_name(object, name, DISPATCH_PROPERTYGET,
                                {&static_cast<const argument&>(detail::as_argument(args))...});
}

// Method call; also reaches members that are properties with arguments.
template <class... Args>
dispatch_result call(const dispatch_target& object, const wchar_t* name, const Args&... args) {
  return detail::invoke_by_name(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                {&static_cast<const argument&>(detail::as_argument(args))...});
}

// Property put (DISPID_PROPERTYPUT); the HRESULT of the call.
HRESULT put(const dispatch_target& object, const wchar_t* name, const argument& value) noexcept;

}  // namespace mivo::com
