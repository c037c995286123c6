// Sinks for dispinterface events (Outlook's ItemEvents, InspectorEvents...):
// an IDispatch object embedded in its owner that answers IUnknown, IDispatch
// and one source interface, and hands every Invoke to a member of the owner
// by DISPID. Every sink of an owner counts on the owner's one reference
// count, so Outlook holding a sink keeps the whole owner alive.
//
//   class CTracker : public object_root, ... {
//     HRESULT on_item_event(DISPID id, const event_args& args);
//     event_sink<CTracker> item_events_{*this, DIID_ItemEvents, &CTracker::on_item_event};
//   };
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>

#include "object.h"

namespace mivo::com {

// The arguments of one Invoke, in the order the event declares them (the
// caller passes them last to first). An index past the end reads as an
// empty VARIANT.
class event_args {
 public:
  explicit event_args(const DISPPARAMS* params) noexcept : params_(params) {}

  // Positional arguments; named ones (which events do not use) are left out.
  std::size_t size() const noexcept;
  const VARIANT& operator[](std::size_t index) const noexcept;

  // Stores into a by-reference boolean argument (Cancel: VT_BOOL | VT_BYREF,
  // or a VARIANT by reference holding VT_BOOL); false when the argument is
  // not one.
  bool set_bool(std::size_t index, bool value) const noexcept;

 private:
  const DISPPARAMS* params_;
};

// The owner-independent part: IUnknown and IDispatch over the owner's count.
class event_sink_base : public IDispatch {
 public:
  event_sink_base(object_root& owner, const IID& source) noexcept
      : owner_(owner), source_(source) {}
  event_sink_base(const event_sink_base&) = delete;
  event_sink_base& operator=(const event_sink_base&) = delete;

  // The source interface this sink answers (its DIID).
  const IID& source() const noexcept { return source_; }
  // The sink to hand to IConnectionPoint::Advise.
  IUnknown* unknown() noexcept { return this; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override;
  STDMETHODIMP_(ULONG) Release() noexcept override;

  // Events carry no type information; callers invoke by DISPID.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) noexcept override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) noexcept override;

 protected:
  ~event_sink_base() = default;

 private:
  virtual HRESULT on_event(DISPID id, const event_args& args) = 0;

  object_root& owner_;
  const IID source_;
};

// A sink whose events go to a member function of Owner (an object_root).
// The handler's result is Invoke's; an exception it throws becomes an
// HRESULT and never reaches the event source. Events the handler does not
// act on should return S_OK.
template <class Owner>
class event_sink final : public event_sink_base {
 public:
  using handler = HRESULT (Owner::*)(DISPID id, const event_args& args);

  event_sink(Owner& owner, const IID& source, handler on_event) noexcept
      : event_sink_base(owner, source), owner_(owner), handler_(on_event) {}

 private:
  HRESULT on_event(DISPID id, const event_args& args) override {
    return (owner_.*handler_)(id, args);
  }

  Owner& owner_;
  handler handler_;
};

}  // namespace mivo::com
