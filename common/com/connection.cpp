// Advising and unadvising one event connection.
#include "connection.h"

#include "result.h"

namespace mivo::com {

HRESULT event_connection::advise(IUnknown* source, REFIID events, IUnknown* sink) noexcept {
  if (advised()) return S_FALSE;
  if (!source || !sink) return E_POINTER;
  com_ptr<IConnectionPointContainer> container;
  RETURN_IF_FAILED(source->QueryInterface(IID_IConnectionPointContainer, container.put_void()));
  com_ptr<IConnectionPoint> point;
  RETURN_IF_FAILED(container->FindConnectionPoint(events, point.put()));
  RETURN_HR_IF(E_POINTER, !point);
  DWORD cookie = not_advised;
  RETURN_IF_FAILED(point->Advise(sink, &cookie));
  if (cookie == not_advised) {
    // A source that hands out the sentinel could never be unadvised by it.
    LOG_IF_FAILED(point->Unadvise(cookie));
    return E_UNEXPECTED;
  }
  point_ = std::move(point);
  cookie_ = cookie;
  return S_OK;
}

HRESULT event_connection::unadvise() noexcept {
  if (!advised()) return S_FALSE;
  const DWORD cookie = std::exchange(cookie_, not_advised);
  const com_ptr<IConnectionPoint> point = std::move(point_);
  return point->Unadvise(cookie);
}

}  // namespace mivo::com
