// The source side of Outlook's events: IConnectionPointContainer with one
// connection point per event interface an object lists as a source, and
// firing by DISPID to every sink advised on an interface that carries the
// event. A sink must answer QueryInterface for the event interface's IID.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <string>
#include <vector>

#include "com/com_ptr.h"

namespace mivo::outlookhost {

struct event_interface {
  IID diid;
  const char* name;            // "ItemEvents_10", for reports
  std::vector<DISPID> events;  // the events this interface carries
};

// One argument of an event, in natural order. By-reference arguments keep
// pointing at the caller's variable, so a sink's Cancel reaches the host.
class event_arguments {
 public:
  event_arguments& object(IDispatch* value);
  event_arguments& text(const std::wstring& value);
  event_arguments& cancel(VARIANT_BOOL* flag);
  const std::vector<VARIANT>& natural() const { return values_; }
  ~event_arguments();

 private:
  std::vector<VARIANT> values_;
};

// Part of an object: its IUnknown goes to the owner, whose lifetime it
// shares. The connection points hold their sinks until unadvised or until
// the owner goes.
class connection_points final : public IConnectionPointContainer {
 public:
  connection_points(IUnknown* owner, std::vector<event_interface> sources);
  ~connection_points();
  connection_points(const connection_points&) = delete;
  connection_points& operator=(const connection_points&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override;
  STDMETHODIMP_(ULONG) Release() noexcept override;
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override;
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) noexcept override;

  // Calls the event on every sink of every interface that carries it, in
  // the order of the interfaces, then of advising. `what` names it in
  // reports ("ItemEvents.Send"). Returns how many sinks were called.
  int fire(DISPID id, const std::string& what, const event_arguments& args = {});
  std::size_t sink_count() const;
  // Drops every sink (the object is going away for Outlook).
  void disconnect_all();

 private:
  class point;
  IUnknown* owner_;
  std::vector<std::unique_ptr<point>> points_;
};

}  // namespace mivo::outlookhost
