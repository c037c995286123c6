// Smart pointer for COM interfaces, shaped as in the Windows Implementation
// Libraries: put() for out-parameters, query() and try_query() for
// QueryInterface.
#pragma once

#include <unknwn.h>

#include <type_traits>
#include <utility>

#include "result.h"

namespace mivo::com {

template <class T>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  com_ptr(std::nullptr_t) noexcept {}
  // Takes a new reference on ptr.
  explicit com_ptr(T* ptr) noexcept : ptr_(ptr) { add_ref(); }
  com_ptr(const com_ptr& other) noexcept : ptr_(other.ptr_) { add_ref(); }
  com_ptr(com_ptr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  com_ptr& operator=(com_ptr other) noexcept {
    swap(other);
    return *this;
  }
  ~com_ptr() { reset(); }

  T* get() const noexcept { return ptr_; }
  T* operator->() const noexcept { return ptr_; }
  T& operator*() const noexcept { return *ptr_; }
  explicit operator bool() const noexcept { return ptr_ != nullptr; }

  // Releases the current pointer and hands out the slot for an out-parameter.
  T** put() noexcept {
    reset();
    return &ptr_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  void reset() noexcept {
    if (T* old = std::exchange(ptr_, nullptr)) old->Release();
  }
  // Takes over a reference the caller already owns.
  void attach(T* ptr) noexcept {
    reset();
    ptr_ = ptr;
  }
  [[nodiscard]] T* detach() noexcept { return std::exchange(ptr_, nullptr); }
  void swap(com_ptr& other) noexcept { std::swap(ptr_, other.ptr_); }

  template <class U>
  HRESULT query_to(U** out) const noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!ptr_) return E_POINTER;
    return ptr_->QueryInterface(__uuidof(U), reinterpret_cast<void**>(out));
  }

  // Fills an out-parameter with a new reference: the pointer itself when U
  // is T or a base of it, else the object's U. An empty pointer writes null
  // and succeeds.
  template <class U>
  HRESULT copy_to(U** out) const noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!ptr_) return S_OK;
    if constexpr (std::is_base_of_v<U, T>) {
      ptr_->AddRef();
      *out = ptr_;
      return S_OK;
    } else {
      return query_to(out);
    }
  }

  // The interface U of the same object; throws hresult_error when missing.
  template <class U>
  com_ptr<U> query() const {
    com_ptr<U> result;
    THROW_IF_FAILED(query_to(result.put()));
    return result;
  }

  // The interface U of the same object, or null.
  template <class U>
  com_ptr<U> try_query() const noexcept {
    com_ptr<U> result;
    query_to(result.put());
    return result;
  }

 private:
  void add_ref() noexcept {
    if (ptr_) ptr_->AddRef();
  }

  T* ptr_ = nullptr;
};

template <class T, class U>
bool operator==(const com_ptr<T>& a, const com_ptr<U>& b) noexcept {
  return a.get() == b.get();
}
template <class T>
bool operator==(const com_ptr<T>& a, std::nullptr_t) noexcept {
  return !a;
}
template <class T>
bool operator!=(const com_ptr<T>& a, std::nullptr_t) noexcept {
  return static_cast<bool>(a);
}

}  // namespace mivo::com
