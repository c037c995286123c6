// Connection points as the object that owns them: Advise asks the sink for
// the event interface (CONNECT_E_CANNOTCONNECT without it), cookies start
// at 1 and are never reused, and events go to a snapshot of the sinks, so
// a handler may unadvise while its event runs.
#include "connection_points.h"

#include <algorithm>

#include "addin_calls.h"
#include "com/unique.h"

namespace mivo::outlookhost {

event_arguments& event_arguments::object(IDispatch* value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_DISPATCH;
  V_DISPATCH(&v) = value;
  if (value) value->AddRef();
  values_.push_back(v);
  return *this;
}

event_arguments& event_arguments::text(const std::wstring& value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  if (!V_BSTR(&v)) throw std::bad_alloc();
  values_.push_back(v);
  return *this;
}

event_arguments& event_arguments::cancel(VARIANT_BOOL* flag) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&v) = flag;
  values_.push_back(v);
  return *this;
}

event_arguments::~event_arguments() {
  for (auto& value : values_) VariantClear(&value);
}

class connection_points::point final : public IConnectionPoint {
 public:
  point(connection_points& container, event_interface source)
      : container_(container), source_(std::move(source)) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint))
      return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return container_.AddRef(); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return container_.Release(); }

  STDMETHODIMP GetConnectionInterface(IID* iid) noexcept override {
    if (!iid) return E_POINTER;
    *iid = source_.diid;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) noexcept override {
    if (!out) return E_POINTER;
    *out = &container_;
    container_.AddRef();
    return S_OK;
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) noexcept override try {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    com::com_ptr<IDispatch> events;
    if (FAILED(sink->QueryInterface(source_.diid, events.put_void())) || !events)
      return CONNECT_E_CANNOTCONNECT;
    *cookie = next_cookie_++;
    sinks_.push_back({*cookie, events});
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  STDMETHODIMP Unadvise(DWORD cookie) noexcept override {
    auto found = std::find_if(sinks_.begin(), sinks_.end(),
                              [&](const sink_entry& entry) { return entry.cookie == cookie; });
    if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
    // The sink may be the caller's own object: release it after the erase.
    com::com_ptr<IDispatch> released = std::move(found->sink);
    sinks_.erase(found);
    return S_OK;
  }
  STDMETHODIMP EnumConnections(IEnumConnections** out) noexcept override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

  const event_interface& source() const { return source_; }
  bool carries(DISPID id) const {
    return std::find(source_.events.begin(), source_.events.end(), id) != source_.events.end();
  }
  std::vector<com::com_ptr<IDispatch>> snapshot() const {
    std::vector<com::com_ptr<IDispatch>> copy;
    for (const auto& entry : sinks_) copy.push_back(entry.sink);
    return copy;
  }
  std::size_t size() const { return sinks_.size(); }
  void clear() {
    std::vector<sink_entry> dropped;
    dropped.swap(sinks_);
  }

 private:
  struct sink_entry {
    DWORD cookie;
    com::com_ptr<IDispatch> sink;
  };
  connection_points& container_;
  event_interface source_;
  std::vector<sink_entry> sinks_;
  DWORD next_cookie_ = 1;
};

connection_points::connection_points(IUnknown* owner, std::vector<event_interface> sources)
    : owner_(owner) {
  for (auto& source : sources) points_.push_back(std::make_unique<point>(*this, std::move(source)));
}

connection_points::~connection_points() = default;

STDMETHODIMP connection_points::QueryInterface(REFIID iid, void** out) noexcept {
  return owner_->QueryInterface(iid, out);
}
STDMETHODIMP_(ULONG) connection_points::AddRef() noexcept { return owner_->AddRef(); }
STDMETHODIMP_(ULONG) connection_points::Release() noexcept { return owner_->Release(); }

STDMETHODIMP connection_points::EnumConnectionPoints(IEnumConnectionPoints** out) noexcept {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP connection_points::FindConnectionPoint(REFIID iid, IConnectionPoint** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (auto& candidate : points_) {
    if (IsEqualIID(candidate->source().diid, iid)) {
      *out = candidate.get();
      candidate->AddRef();
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

int connection_points::fire(DISPID id, const std::string& what, const event_arguments& args) {
  // The owner lives on while its handlers run, whatever they release.
  com::com_ptr<IUnknown> keep(owner_);
  std::vector<VARIANT> reversed(args.natural().rbegin(), args.natural().rend());
  int called = 0;
  for (auto& source : points_) {
    if (!source->carries(id)) continue;
    for (const auto& sink : source->snapshot()) {
      DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr,
                        static_cast<UINT>(reversed.size()), 0};
      EXCEPINFO exception{};
      UINT arg_error = 0;
      const std::string name = std::string(source->source().name) + "." + what;
      addin_calls::run(name, [&] {
        return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                            &exception, &arg_error);
      });
      SysFreeString(exception.bstrSource);
      SysFreeString(exception.bstrDescription);
      SysFreeString(exception.bstrHelpFile);
      ++called;
    }
  }
  return called;
}

std::size_t connection_points::sink_count() const {
  std::size_t count = 0;
  for (const auto& source : points_) count += source->size();
  return count;
}

void connection_points::disconnect_all() {
  for (auto& source : points_) source->clear();
}

}  // namespace mivo::outlookhost
