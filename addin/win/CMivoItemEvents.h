// CMivoItemEvents: the tracker of one appointment window. It sinks its
// item's and its window's events, runs the appointment window's commands,
// owns the window's scheduler object and serves that object as its
// ISettingsSink. The behaviour lives in MeetingTracker.
#pragma once

#include <windows.h>

#include "MivoOutlookPlugin.h"
#include "MivoScheduler.h"
#include "appointment_window.h"
#include "com/connection.h"
#include "com/dispatch.h"
#include "com/event_sink.h"
#include "com/object.h"
#include "meeting_tracker.h"
#include "ribbon_controls.h"
#include "scheduler_calls.h"

class CMivoItemEvents : public mivo::com::object_root,
                        public mivo::com::dispatch<IMivoItemEvents>,
                        public mivo::com::dispatch<ISettingsSink, mivo::com::no_type_library> {
 public:
  using interfaces =
      mivo::com::interface_list<IMivoItemEvents, mivo::com::via<IDispatch, IMivoItemEvents>,
                                ISettingsSink>;

  CMivoItemEvents();
  ~CMivoItemEvents() override;

  // One IUnknown for both interfaces (object<> implements it), so that a
  // com_ptr can hold the tracker itself.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override = 0;
  STDMETHODIMP_(ULONG) AddRef() noexcept override = 0;
  STDMETHODIMP_(ULONG) Release() noexcept override = 0;

  // NewInspector: a tracker for the window's appointment, unless the item
  // is no appointment or a meeting request received from someone else.
  // A tracker that cannot attach is discarded.
  static void track(IDispatch* inspector);

  // The window's appointment command.
  void run_command(mivo::addin::RibbonCommand command);

  // The item opened in its window, which is still open.
  bool live() { return window_.has_item() && window_.has_inspector(); }
  // Whether `inspector` (an IUnknown identity) is this tracker's window.
  bool shows(IUnknown* inspector) const {
    return inspector && inspector == inspector_identity_.get();
  }
  // What the ribbon shows for this window.
  mivo::addin::TrackedAppointment ribbon_view();

  // ISettingsSink
  STDMETHODIMP SetSubject(BSTR bstrSubject) override;
  STDMETHODIMP GetSubject(BSTR* lpbstrSubject) override;
  STDMETHODIMP SetLocation(BSTR bstrLocation) override;
  STDMETHODIMP GetLocation(BSTR* lpbstrLocation) override;

 private:
  HRESULT attach(IDispatch* item);
  void detach();
  void opened();
  void closed();
  HRESULT on_item_event(DISPID id, const mivo::com::event_args& args);
  HRESULT on_inspector_event(DISPID id, const mivo::com::event_args& args);

  mivo::addin::AppointmentWindow window_;
  mivo::addin::SchedulerCalls scheduler_;
  mivo::addin::MeetingTracker tracker_{window_, scheduler_};
  mivo::com::com_ptr<IUnknown> inspector_identity_;
  // The sinks outlive their connections (members go in reverse order).
  mivo::com::event_sink<CMivoItemEvents> item_sink_;
  mivo::com::event_sink<CMivoItemEvents> inspector_sink_;
  mivo::com::event_connection item_events_;
  mivo::com::event_connection inspector_events_;
};
