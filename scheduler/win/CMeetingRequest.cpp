// CMeetingRequest's methods: argument conversion, the sink, result mapping.
#include "CMeetingRequest.h"

#include <string>
#include <utility>

#include "com/unique.h"
#include "settings_sink_adapter.h"
#include "scheduler_ports.h"
#include "win/wide_text.h"

namespace {

HRESULT to_hresult(mivo::Result result) noexcept {
  switch (result) {
    case mivo::Result::ok:
      return S_OK;
    case mivo::Result::not_confirmed:
      return S_FALSE;
    case mivo::Result::failed:
      break;
  }
  return E_FAIL;
}

// Window handles travel as 32-bit longs and are sign-extended back, as
// LongToHandle does.
mivo::WindowHandle window_from_long(LONG window) noexcept {
  return reinterpret_cast<mivo::WindowHandle>(LongToHandle(window));
}

}  // namespace

CMeetingRequest::CMeetingRequest() : request_(mivo::scheduler::make_scheduler_ports()) {}

CMeetingRequest::~CMeetingRequest() = default;

STDMETHODIMP CMeetingRequest::ScheduleMeeting() {
  OutputDebugStringW(L"STDMETHODIMP CMeetingRequest::ScheduleMeeting(void)");
  return S_OK;
}

STDMETHODIMP CMeetingRequest::AccountSetting() try {
  // The host may let go of the object inside the call's message loop.
  const auto self = get_strong();
  OutputDebugStringW(L"STDMETHODIMP CMeetingRequest::AccountSetting(void)");
  return to_hresult(request_.account_setting());
}
CATCH_RETURN()

STDMETHODIMP CMeetingRequest::SetSettings(VARIANT_BOOL bItemOpen, BSTR bstrMivoSetting,
                                          BSTR bstrApptInfo) try {
  request_.set_settings(bItemOpen != VARIANT_FALSE, mivo::win::bstr_to_utf8(bstrMivoSetting),
                        mivo::win::bstr_to_utf8(bstrApptInfo));
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP CMeetingRequest::GetMailBody(BSTR* lpbstrBody, BSTR* lpbstrDesc) try {
  // Both results are made before either is handed out, so a failure leaves
  // the caller owning nothing.
  mivo::com::unique_bstr body;
  mivo::com::unique_bstr description;
  if (lpbstrBody) {
    const std::string mail = request_.mail_body();
    // A body never set is a null BSTR, not an empty one.
    if (!mail.empty()) body = mivo::com::make_bstr(mivo::win::to_wide(mail).c_str());
  }
  if (lpbstrDesc) {
    description = mivo::com::make_bstr(mivo::win::to_wide(request_.settings_record()).c_str());
  }
  if (lpbstrBody) *lpbstrBody = body.release();
  if (lpbstrDesc) *lpbstrDesc = description.release();
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP CMeetingRequest::SettingsDoModal(LONG) try {
  const auto self = get_strong();
  return to_hresult(request_.settings_do_modal());
}
CATCH_RETURN()

// The version check writes neither out-parameter.
STDMETHODIMP CMeetingRequest::GetSettings(BSTR*, BSTR*) try {
  const auto self = get_strong();
  return to_hresult(request_.check_for_update());
}
CATCH_RETURN()

STDMETHODIMP CMeetingRequest::Commit(LONG lParentWnd) try {
  const auto self = get_strong();
  if (!sink_) return to_hresult(request_.commit(nullptr, window_from_long(lParentWnd)));
  // The call keeps its own reference: an UnAdvise from inside the request
  // dialog's message loop must not release the sink it is writing to.
  const mivo::com::com_ptr<ISettingsSink> sink = sink_;
  mivo::scheduler::SettingsSinkAdapter appointment(sink.get());
  return to_hresult(request_.commit(&appointment, window_from_long(lParentWnd)));
}
CATCH_RETURN()

STDMETHODIMP CMeetingRequest::Delete(LONG lParentWnd) try {
  const auto self = get_strong();
  return to_hresult(request_.remove(window_from_long(lParentWnd)));
}
CATCH_RETURN()

STDMETHODIMP CMeetingRequest::SimpleUpdate(LONG) try {
  const auto self = get_strong();
  return to_hresult(request_.simple_update());
}
CATCH_RETURN()

STDMETHODIMP CMeetingRequest::GetMeetingInfoChangedFlag(ULONG* pdwChanged) try {
  if (!pdwChanged) return E_POINTER;
  *pdwChanged = request_.meeting_info_changed() ? 1 : 0;
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP CMeetingRequest::Advise(_SINK_INDEX emSinkIdx, IUnknown* pSink) {
  // SINK_OnBehalf has no receiver.
  if (emSinkIdx != SINK_SETTINGS) return S_FALSE;
  if (pSink != sink_.get()) {
    // The previous sink is released only after the new one is held, so a
    // sink advised again through another of its interfaces stays alive.
    const mivo::com::com_ptr<ISettingsSink> previous = std::move(sink_);
    if (pSink) pSink->QueryInterface(IID_ISettingsSink, sink_.put_void());
  }
  return sink_ ? S_OK : E_FAIL;
}

STDMETHODIMP CMeetingRequest::UnAdvise(_SINK_INDEX emSinkIdx) {
  if (emSinkIdx != SINK_SETTINGS) return E_FAIL;
  if (!sink_) return S_FALSE;
  sink_.reset();
  return S_OK;
}

STDMETHODIMP CMeetingRequest::AboutDlg(LONG) try {
  const auto self = get_strong();
  return to_hresult(request_.about());
}
CATCH_RETURN()

STDMETHODIMP CMeetingRequest::StartInstantMeeting(LONG) try {
  const auto self = get_strong();
  return to_hresult(request_.start_instant_meeting());
}
CATCH_RETURN()

STDMETHODIMP CMeetingRequest::CancellationDlg(LONG) try {
  const auto self = get_strong();
  return to_hresult(request_.cancellation());
}
CATCH_RETURN()

STDMETHODIMP CMeetingRequest::OnLogin() try { return to_hresult(request_.on_login()); }
CATCH_RETURN()
