// The connector: connection, ribbon callbacks, main-window commands and
// Outlook's application and inspector-collection events.
#include "COutlookConnector.h"

#include <olectl.h>

#include "CMivoItemEvents.h"
#include "addin_module.h"
#include "com/late_bound.h"
#include "com/picture.h"
#include "com/result.h"
#include "com/unique.h"
#include "win/resource_language.h"
#include "win/wide_text.h"
#include "office_ids.h"
#include "scheduler_calls.h"
#include "tracker_list.h"

namespace {

using mivo::addin::RibbonCommand;
using mivo::com::com_ptr;
namespace control = mivo::addin::control;
namespace office = mivo::addin::office;
namespace tracker_list = mivo::addin::tracker_list;

bool answers(IUnknown* object, REFIID iid) {
  com_ptr<IUnknown> found;
  return object && SUCCEEDED(object->QueryInterface(iid, found.put_void()));
}

// The id and the window (Context) of an IRibbonControl.
struct RibbonControl {
  std::string id;
  com_ptr<IDispatch> context;
};

RibbonControl read_control(IDispatch* control) {
  RibbonControl read;
  read.id = mivo::com::as_text(mivo::com::get(control, L"Id")).value_or(std::string());
  read.context =
      mivo::com::as_dispatch(mivo::com::get(control, L"Context")).value_or(com_ptr<IDispatch>());
  return read;
}

}  // namespace

COutlookConnector::COutlookConnector()
    : application_sink_(*this, office::DIID_ApplicationEvents,
                        &COutlookConnector::on_application_event),
      inspectors_sink_(*this, office::DIID_InspectorsEvents,
                       &COutlookConnector::on_inspectors_event) {}

COutlookConnector::~COutlookConnector() = default;

STDMETHODIMP COutlookConnector::GetTypeInfoCount(UINT* count) noexcept {
  return Dispatch::GetTypeInfoCount(count);
}

STDMETHODIMP COutlookConnector::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) noexcept {
  return Dispatch::GetTypeInfo(index, lcid, out);
}

STDMETHODIMP COutlookConnector::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                              DISPID* ids) noexcept {
  return Dispatch::GetIDsOfNames(iid, names, count, lcid, ids);
}

STDMETHODIMP COutlookConnector::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                       UINT* arg_error) noexcept {
  return Dispatch::Invoke(id, iid, lcid, flags, params, result, exception, arg_error);
}

STDMETHODIMP COutlookConnector::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*,
                                             SAFEARRAY**) try {
  // Freed by the last disconnection: a user who turns the add-in off and on
  // again gets the ribbon back.
  mivo::addin::resource_library();
  if (!answers(Application, office::IID_Application)) return S_OK;
  if (application_.get() != Application) application_ = com_ptr<IDispatch>(Application);
  // The ribbon and the scheduler's dialogs speak the language Office shows.
  // A host without LanguageSettings leaves the user's Windows language.
  const long long language =
      mivo::com::as_int(mivo::com::get(mivo::com::get(application_, L"LanguageSettings"),
                                       L"LanguageID", office::msoLanguageIDUI))
          .value_or(0);
  mivo::addin::set_office_language(
      language > 0 && language <= 0xFFFFFFFF ? LANGIDFROMLCID(static_cast<LCID>(language)) : 0);
  if (FAILED(application_events_.advise(application_.get(), office::DIID_ApplicationEvents,
                                        application_sink_.unknown()))) {
    application_.reset();
    return S_OK;
  }
  if (!inspectors_) {
    inspectors_ = mivo::com::as_dispatch(mivo::com::get(application_, L"Inspectors"))
                      .value_or(com_ptr<IDispatch>());
  }
  if (inspectors_ &&
      FAILED(inspectors_events_.advise(inspectors_.get(), office::DIID_InspectorsEvents,
                                       inspectors_sink_.unknown())))
    inspectors_.reset();
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP COutlookConnector::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) try {
  mivo::addin::free_resource_library();
  if (application_) {
    application_events_.reset();
    application_.reset();
  }
  if (inspectors_) {
    inspectors_events_.reset();
    inspectors_.reset();
  }
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP COutlookConnector::OnAddInsUpdate(SAFEARRAY**) { return S_OK; }
STDMETHODIMP COutlookConnector::OnStartupComplete(SAFEARRAY**) { return S_OK; }
STDMETHODIMP COutlookConnector::OnBeginShutdown(SAFEARRAY**) { return S_OK; }

STDMETHODIMP COutlookConnector::GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) try {
  if (!RibbonID || !RibbonXml) return S_OK;
  // An out-parameter is written whatever the answer; null is "no markup".
  *RibbonXml = nullptr;
  const auto resource = mivo::addin::ribbon_xml_resource(mivo::win::bstr_to_utf8(RibbonID));
  const HMODULE library = mivo::addin::resource_library();
  if (!resource || !library) return S_OK;
  const mivo::win::resource_bytes found =
      mivo::win::find_resource(library, L"XML", *resource, mivo::addin::ribbon_language());
  const auto* text = static_cast<const char16_t*>(found.data);
  if (!text) return S_OK;
  const std::u16string markup =
      mivo::addin::ribbon_markup(std::u16string_view(text, found.size / 2));
  if (markup.empty()) return S_OK;
  *RibbonXml = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(markup.data()),
                                 static_cast<UINT>(markup.size()));
  return *RibbonXml ? S_OK : E_OUTOFMEMORY;
}
CATCH_RETURN()

STDMETHODIMP COutlookConnector::OnRibbonLoaded(IDispatch* pIDispRibbon) try {
  com_ptr<IMeetingRequest> scheduler;
  if (SUCCEEDED(mivo::addin::LoadSchedulerObject(CLSID_MeetingRequest, IID_IMeetingRequest,
                                                 scheduler.put_void())) &&
      scheduler->OnLogin() == S_OK)
    sign_in_.signed_in();
  scheduler.reset();
  if (pIDispRibbon) {
    ribbon_ = answers(pIDispRibbon, IID_IRibbonUI) ? com_ptr<IDispatch>(pIDispRibbon) : nullptr;
  }
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP COutlookConnector::OnLoadImage(BSTR bstrPic, IDispatch** ppIDispPict) try {
  if (!ppIDispPict) return E_POINTER;
  *ppIDispPict = nullptr;
  const auto bitmap = mivo::addin::image_bitmap(mivo::win::bstr_to_utf8(bstrPic));
  const HMODULE library = bitmap ? mivo::addin::resource_library() : nullptr;
  if (!library) return S_OK;
  // No picture is no failure: Office shows the button without one.
  mivo::com::picture_from_bitmap_resource(library, *bitmap,
                                          reinterpret_cast<IPictureDisp**>(ppIDispPict));
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP COutlookConnector::OnGetVisible(IDispatch* pIDispControl,
                                             VARIANT_BOOL* pVnbVisible) try {
  if (!answers(pIDispControl, IID_IRibbonControl)) return S_OK;
  const RibbonControl control = read_control(pIDispControl);
  if (control.id.empty() || !control.context) return S_FALSE;
  if (!pVnbVisible) return E_POINTER;
  std::optional<mivo::addin::TrackedAppointment> tracked;
  if (const auto tracker = tracker_list::find(control.context.get()))
    tracked = tracker->ribbon_view();
  const bool visible =
      mivo::addin::control_visible(control.id, sign_in_, tracked, *pVnbVisible != VARIANT_FALSE);
  *pVnbVisible = visible ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP COutlookConnector::OnDefaultAction(IDispatch* pIDispControl) try {
  const auto self = keep_alive();
  if (!answers(pIDispControl, IID_IRibbonControl)) return S_FALSE;
  RibbonControl control = read_control(pIDispControl);
  if (control.id.empty() || !control.context) return S_FALSE;
  const RibbonCommand command = mivo::addin::ribbon_command(control.id);
  if (mivo::addin::is_tracker_command(command)) {
    if (const auto tracker = tracker_list::find(control.context.get()))
      tracker->run_command(command);
  } else if (command == RibbonCommand::none) {
    OutputDebugStringW(L"Unknown ribbon ID");
  } else {
    run_command(command, control.id);
  }
  control.context.reset();
  invalidate(control::kAdd);
  invalidate(control::kCancel);
  invalidate(control::kSetting);
  return S_OK;
}
CATCH_RETURN()

com_ptr<IMeetingRequest> COutlookConnector::command_scheduler(bool& closing) {
  closing = false;
  com_ptr<IMeetingRequest> scheduler;
  if (FAILED(mivo::addin::LoadSchedulerObject(CLSID_MeetingRequest, IID_IMeetingRequest,
                                              scheduler.put_void())))
    return nullptr;
  // The scheduler offers a newer add-in here. S_FALSE: the user took it and
  // Outlook's windows are asked to close; a dialog of the command would
  // stand in their way.
  closing = scheduler->GetSettings(nullptr, nullptr) == S_FALSE;
  return closing ? nullptr : scheduler;
}

void COutlookConnector::run_command(RibbonCommand command, const std::string& id) {
  if (command == RibbonCommand::new_online_meeting) return new_online_meeting();
  if (command == RibbonCommand::instant_meeting) return instant_meeting();
  bool closing = false;
  const auto scheduler = command_scheduler(closing);
  if (!scheduler) return;
  const long window = mivo::addin::active_window_argument();
  switch (command) {
    case RibbonCommand::sign_in:
      if (scheduler->AccountSetting() != S_OK) return;
      sign_in_.signed_in();
      invalidate(id);
      invalidate_sign_in_buttons();
      return;
    case RibbonCommand::sign_out:
      if (scheduler->CancellationDlg(window) != S_OK) return;
      sign_in_.signed_out();
      invalidate(id);
      invalidate_sign_in_buttons();
      return;
    case RibbonCommand::about:
      // E_FAIL: closed from its title bar; nothing follows either way.
      (void)scheduler->AboutDlg(window);
      return;
    default:
      return;
  }
}

void COutlookConnector::instant_meeting() {
  bool closing = false;
  const auto scheduler = command_scheduler(closing);
  if (!scheduler) return;
  if (scheduler->OnLogin() != S_OK) {
    if (scheduler->SimpleUpdate(0) != S_OK) return;
    sign_in_.signed_in();
    invalidate_sign_in_buttons();
  }
  LOG_IF_FAILED(scheduler->StartInstantMeeting(mivo::addin::active_window_argument()));
}

void COutlookConnector::new_online_meeting() {
  const auto item = mivo::com::as_dispatch(
      mivo::com::call(application_, L"CreateItem", office::olAppointmentItem));
  if (!item || !answers(item->get(), office::IID_AppointmentItem)) return;
  bool closing = false;
  auto scheduler = command_scheduler(closing);
  if (closing) return;
  bool display = true;
  if (scheduler && scheduler->OnLogin() != S_OK) {
    display = scheduler->SimpleUpdate(0) == S_OK;
    if (display) {
      sign_in_.signed_in();
      invalidate_sign_in_buttons();
    }
  }
  scheduler.reset();
  if (!display) return;
  LOG_IF_FAILED(mivo::com::put(*item, L"MeetingStatus", office::olMeeting));
  // Displaying raises NewInspector: the window's tracker joins the list
  // before Display returns.
  const std::size_t trackers_before = tracker_list::size();
  LOG_IF_FAILED(mivo::com::call(*item, L"Display").hr());
  // Only a tracker of the new window gets the meeting: with none (no
  // scheduler library, say) the last tracker belongs to another window.
  if (tracker_list::size() > trackers_before) {
    if (const auto tracker = tracker_list::last()) tracker->run_command(RibbonCommand::tracker_add);
  }
}

void COutlookConnector::invalidate_sign_in_buttons() {
  // Every placement, not only the clicked one: a sign-in button left shown
  // beside its sign-out button would sign in a user who already is.
  for (int placement = 0; placement <= 3; ++placement) invalidate(control::sign_in(placement));
  for (int placement = 0; placement <= 3; ++placement) invalidate(control::sign_out(placement));
}

void COutlookConnector::invalidate(const std::string& id) {
  if (ribbon_) LOG_IF_FAILED(mivo::com::call(ribbon_, L"InvalidateControl", id).hr());
}

HRESULT COutlookConnector::on_application_event(DISPID id, const mivo::com::event_args& args) {
  if (id != office::kItemSend) return S_OK;
  // A meeting request on its way out: its appointment is looked at and let
  // go; the tracker's own Send handler does the meeting's work.
  const auto item = mivo::com::as_dispatch(args[0]);
  if (item && answers(item->get(), office::IID_MeetingItem))
    LOG_IF_FAILED(mivo::com::call(*item, L"GetAssociatedAppointment", false).hr());
  return S_OK;
}

HRESULT COutlookConnector::on_inspectors_event(DISPID id, const mivo::com::event_args& args) {
  if (id != office::kNewInspector) return S_OK;
  if (const auto inspector = mivo::com::as_dispatch(args[0]))
    CMivoItemEvents::track(inspector->get());
  return S_OK;
}
