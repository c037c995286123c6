// The tracker: attaching, the event handlers, the commands, the sink.
#include "CMivoItemEvents.h"

#include <utility>

#include "addin_module.h"
#include "com/late_bound.h"
#include "item_properties.h"
#include "office_ids.h"
#include "tracker_list.h"

namespace {

using mivo::addin::RibbonCommand;
namespace office = mivo::addin::office;
namespace tracker_list = mivo::addin::tracker_list;

}  // namespace

CMivoItemEvents::CMivoItemEvents()
    : item_sink_(*this, office::DIID_ItemEvents, &CMivoItemEvents::on_item_event),
      inspector_sink_(*this, office::DIID_InspectorEvents, &CMivoItemEvents::on_inspector_event) {}

CMivoItemEvents::~CMivoItemEvents() = default;

void CMivoItemEvents::track(IDispatch* inspector) {
  const auto item = mivo::com::as_dispatch(mivo::com::get(inspector, L"CurrentItem"));
  if (!item) return;
  mivo::com::com_ptr<IUnknown> appointment;
  if (FAILED((*item)->QueryInterface(office::IID_AppointmentItem, appointment.put_void()))) return;
  if (mivo::com::as_int(mivo::com::get(*item, L"MeetingStatus")).value_or(0) ==
      office::olMeetingReceived)
    return;
  mivo::com::com_ptr<CMivoItemEvents> tracker;
  if (FAILED(LOG_IF_FAILED(mivo::com::make_instance(tracker)))) return;
  tracker_list::add(tracker.get());
  if (FAILED(tracker->attach(item->get()))) {
    tracker->detach();
    tracker_list::remove(tracker.get());
  }
}

HRESULT CMivoItemEvents::attach(IDispatch* item) {
  window_.item() = mivo::com::com_ptr<IDispatch>(item);
  if (FAILED(item_events_.advise(item, office::DIID_ItemEvents, item_sink_.unknown())))
    return E_FAIL;
  if (!scheduler_.held() &&
      FAILED(mivo::addin::LoadSchedulerObject(CLSID_MeetingRequest, IID_IMeetingRequest,
                                              scheduler_.object().put_void())))
    return E_FAIL;
  // The scheduler holds the tracker as its sink until detach. Without it a
  // commit fails without sending; the window is still tracked.
  LOG_IF_FAILED(scheduler_.object()->Advise(SINK_SETTINGS, static_cast<IMivoItemEvents*>(this)));
  return S_OK;
}

void CMivoItemEvents::detach() {
  inspector_events_.reset();
  window_.inspector().reset();
  inspector_identity_.reset();
  item_events_.reset();
  window_.item().reset();
  if (const auto scheduler = std::exchange(scheduler_.object(), nullptr))
    LOG_IF_FAILED(scheduler->UnAdvise(SINK_SETTINGS));
}

void CMivoItemEvents::run_command(RibbonCommand command) {
  switch (command) {
    case RibbonCommand::tracker_add:
      tracker_.add_meeting();
      break;
    case RibbonCommand::tracker_cancel:
      tracker_.cancel_meeting();
      break;
    case RibbonCommand::tracker_setting:
      tracker_.meeting_options();
      break;
    default:
      break;
  }
}

mivo::addin::TrackedAppointment CMivoItemEvents::ribbon_view() {
  return {mivo::addin::IsInDeletedItems(window_.item().get()), tracker_.online_meeting()};
}

void CMivoItemEvents::opened() {
  if (!window_.has_item()) return;
  const auto inspector = mivo::com::as_dispatch(mivo::com::get(window_.item(), L"GetInspector"));
  if (!inspector) return;
  window_.inspector() = *inspector;
  if (FAILED(inspector_events_.advise(inspector->get(), office::DIID_InspectorEvents,
                                      inspector_sink_.unknown()))) {
    window_.inspector().reset();
    return;
  }
  // Without its identity the window's commands find it only by its item.
  LOG_IF_FAILED((*inspector)->QueryInterface(IID_IUnknown, inspector_identity_.put_void()));
  tracker_.opened();
}

void CMivoItemEvents::closed() {
  tracker_.closing();
  detach();
  // The list's reference goes; the event call keeps the tracker until it
  // returns.
  tracker_list::remove(this);
}

HRESULT CMivoItemEvents::on_item_event(DISPID id, const mivo::com::event_args& args) {
  switch (id) {
    case office::kItemOpen:
      opened();
      break;
    case office::kItemSendEvent:
      if (tracker_.sending()) args.set_bool(0, true);
      break;
    case office::kItemWrite:
      tracker_.saving();
      break;
    default:
      break;
  }
  return S_OK;
}

HRESULT CMivoItemEvents::on_inspector_event(DISPID id, const mivo::com::event_args&) {
  if (id == office::kInspectorClose) closed();
  return S_OK;
}

STDMETHODIMP CMivoItemEvents::SetSubject(BSTR bstrSubject) try {
  window_.set_text(L"Subject", bstrSubject);
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP CMivoItemEvents::GetSubject(BSTR* lpbstrSubject) try {
  if (lpbstrSubject && window_.has_item()) *lpbstrSubject = window_.text(L"Subject");
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP CMivoItemEvents::SetLocation(BSTR bstrLocation) try {
  window_.set_text(L"Location", bstrLocation);
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP CMivoItemEvents::GetLocation(BSTR* lpbstrLocation) try {
  if (lpbstrLocation && window_.has_item()) *lpbstrLocation = window_.text(L"Location");
  return S_OK;
}
CATCH_RETURN()
