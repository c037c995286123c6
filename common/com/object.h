// COM objects: the reference-counted root, the interface table, the
// stand-alone and the aggregated object, and the class factory.
//
// An implementation class derives from object_root and from its interfaces,
// declares its interface table as `using interfaces = interface_list<...>`
// and leaves IUnknown to the wrappers below:
//
//   class CThing : public object_root, public dispatch<IThing> {
//   public:
//     using interfaces = interface_list<IThing, via<IDispatch, IThing>>;
//     ...
//   };
#pragma once

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <new>
#include <utility>

#include "com_ptr.h"
#include "module.h"
#include "result.h"

namespace mivo::com {

template <class T>
HRESULT create_instance(IUnknown* outer, REFIID iid, void** out) noexcept;
template <class T>
HRESULT make_instance(com_ptr<T>& result) noexcept;

// Answers the interface Itf through the base class Via (for interfaces that
// are bases of several of the object's interfaces, IDispatch for example).
template <class Itf, class Via = Itf>
struct via {
  template <class T>
  static void* find(T* self, REFIID iid) noexcept {
    if (!IsEqualIID(iid, __uuidof(Itf))) return nullptr;
    return static_cast<Itf*>(static_cast<Via*>(self));
  }
  template <class T>
  static IUnknown* unknown(T* self) noexcept {
    return static_cast<Via*>(self);
  }
};

template <class Entry>
struct as_via {
  using type = via<Entry>;
};
template <class Itf, class Via>
struct as_via<via<Itf, Via>> {
  using type = via<Itf, Via>;
};

// The interface table. The first entry also answers IUnknown, so it gives the
// object's identity.
template <class First, class... Rest>
struct interface_list {
  template <class T>
  static void* find(T* self, REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IUnknown)) return identity(self);
    void* found = as_via<First>::type::find(self, iid);
    ((found = found ? found : as_via<Rest>::type::find(self, iid)), ...);
    return found;
  }
  template <class T>
  static IUnknown* identity(T* self) noexcept {
    return as_via<First>::type::unknown(self);
  }
};

// Reference count and controlling unknown shared by every implementation.
// The count is atomic: worker threads hold references too.
class object_root {
 public:
  object_root() = default;
  virtual ~object_root() = default;
  object_root(const object_root&) = delete;
  object_root& operator=(const object_root&) = delete;

  // Runs after construction, before the first QueryInterface; a failure
  // destroys the object and is returned to the creator.
  HRESULT final_construct() noexcept { return S_OK; }

  // Takes a reference unless the count already reached zero (the object is
  // being destroyed): for registries that hold objects without a reference.
  bool try_add_ref() noexcept {
    ULONG count = ref_count_.load();
    while (count != 0) {
      if (ref_count_.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
  }

 protected:
  // The one way an object holds itself: a reference for as long as the
  // result lives, through the unknown that owns its lifetime (the outer
  // object when aggregated). For a call that runs a message loop, in which
  // the host may let go of its last reference, and for work handed to
  // another thread (detach() it there, and release it when done).
  com_ptr<IUnknown> get_strong() const noexcept { return com_ptr<IUnknown>(controlling_); }

  // The unknown that owns this object's lifetime: the object itself, or the
  // outer object when aggregated.
  IUnknown* controlling_unknown() const noexcept { return controlling_; }

  ULONG internal_add_ref() noexcept { return ++ref_count_; }
  ULONG internal_release() noexcept { return --ref_count_; }

  std::atomic<ULONG> ref_count_{0};
  IUnknown* controlling_ = nullptr;

  template <class T>
  friend class object;
  template <class T>
  friend class contained_object;
  template <class T>
  friend class aggregated_object;
  // Event sinks embedded in an object count on its count.
  friend class event_sink_base;
};

// A stand-alone object: IUnknown with its own count. Made only by
// create_instance and make_instance, which finish its construction.
template <class T>
class object final : public T {
 public:
  ~object() override { module::object_destroyed(); }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
    if (!out) return E_POINTER;
    *out = T::interfaces::find(static_cast<T*>(this), iid);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return this->internal_add_ref(); }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    const ULONG count = this->internal_release();
    if (count == 0) delete this;
    return count;
  }

 private:
  object() {
    this->controlling_ = T::interfaces::identity(static_cast<T*>(this));
    module::object_created();
  }
  friend HRESULT create_instance<T>(IUnknown*, REFIID, void**) noexcept;
  friend HRESULT make_instance<T>(com_ptr<T>&) noexcept;
};

// The implementation inside an aggregate: its IUnknown is the outer object's.
template <class T>
class contained_object final : public T {
 public:
  explicit contained_object(IUnknown* outer) { this->controlling_ = outer; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
    return this->controlling_->QueryInterface(iid, out);
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return this->controlling_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return this->controlling_->Release(); }
};

// The non-delegating unknown handed to the outer object of an aggregate.
template <class T>
class aggregated_object final : public IUnknown {
 public:
  virtual ~aggregated_object() { module::object_destroyed(); }

  HRESULT final_construct() noexcept { return inner_.final_construct(); }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    *out = T::interfaces::find(static_cast<T*>(&inner_), iid);
    if (!*out) return E_NOINTERFACE;
    // The interface delegates to the outer object, which counts for us.
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return inner_.internal_add_ref(); }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    const ULONG count = inner_.internal_release();
    if (count == 0) delete this;
    return count;
  }

 private:
  explicit aggregated_object(IUnknown* outer) : inner_(outer) { module::object_created(); }
  friend HRESULT create_instance<T>(IUnknown*, REFIID, void**) noexcept;

  contained_object<T> inner_;
};

namespace detail {
// Finishes construction of a new object held by one reference, answers iid
// and drops that reference (destroying the object on failure).
template <class Object>
HRESULT finish_instance(Object* created, IUnknown* unknown, REFIID iid, void** out) noexcept {
  unknown->AddRef();
  HRESULT hr = created->final_construct();
  if (SUCCEEDED(hr)) hr = unknown->QueryInterface(iid, out);
  unknown->Release();
  return hr;
}
}  // namespace detail

// Creates an instance of T, aggregated in outer when outer is given, and
// answers iid. The caller has checked the aggregation rules. This and
// make_instance are the only ways to make an object: `new object<T>` does
// not compile.
template <class T>
HRESULT create_instance(IUnknown* outer, REFIID iid, void** out) noexcept try {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) {
    auto* created = new aggregated_object<T>(outer);
    return detail::finish_instance(created, created, iid, out);
  }
  auto* created = new object<T>();
  return detail::finish_instance(created, T::interfaces::identity(static_cast<T*>(created)), iid,
                                 out);
}
CATCH_RETURN()

// Creates a stand-alone instance of T for the module's own use.
template <class T>
HRESULT make_instance(com_ptr<T>& result) noexcept try {
  result.reset();
  auto* created = new object<T>();
  // Held while it finishes construction; a failure lets it go again.
  com_ptr<T> held(created);
  const HRESULT hr = created->final_construct();
  if (SUCCEEDED(hr)) result = std::move(held);
  return hr;
}
CATCH_RETURN()

enum class aggregation { refused, allowed };

// The class object of T, one static instance per class (it lives as long as
// the module, so its count is fixed and only LockServer counts).
template <class T, aggregation Aggregation = aggregation::refused>
class class_factory final : public IClassFactory {
 public:
  static class_factory* instance() noexcept {
    static class_factory factory;
    return &factory;
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return 2; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override {
    if (out) *out = nullptr;
    // An aggregate must be asked for its inner IUnknown.
    if (outer && (Aggregation == aggregation::refused || !IsEqualIID(iid, IID_IUnknown)))
      return CLASS_E_NOAGGREGATION;
    return create_instance<T>(outer, iid, out);
  }
  STDMETHODIMP LockServer(BOOL lock) noexcept override {
    if (lock)
      module::lock();
    else
      module::unlock();
    return S_OK;
  }

 private:
  class_factory() = default;
};

}  // namespace mivo::com
