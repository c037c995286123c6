// CMeetingRequest: the scheduler's COM object. It converts arguments,
// holds the add-in's settings sink and maps the core's results to HRESULTs;
// the behaviour lives in mivo::MeetingRequest.
#pragma once

#include <windows.h>

#include "MivoScheduler.h"
#include "com/com_ptr.h"
#include "com/dispatch.h"
#include "com/object.h"
#include "request/meeting_request.h"

class CMeetingRequest : public mivo::com::object_root, public mivo::com::dispatch<IMeetingRequest> {
 public:
  using interfaces =
      mivo::com::interface_list<IMeetingRequest, mivo::com::via<IDispatch, IMeetingRequest>>;

  CMeetingRequest();
  ~CMeetingRequest() override;

  // IMeetingRequest
  STDMETHODIMP ScheduleMeeting() override;
  STDMETHODIMP AccountSetting() override;
  STDMETHODIMP SetSettings(VARIANT_BOOL bItemOpen, BSTR bstrMivoSetting,
                           BSTR bstrApptInfo) override;
  STDMETHODIMP GetMailBody(BSTR* lpbstrBody, BSTR* lpbstrDesc) override;
  STDMETHODIMP SettingsDoModal(LONG lParentWnd) override;
  STDMETHODIMP GetSettings(BSTR* lpbstrSetting, BSTR* lpbstrAppointmentInfo) override;
  STDMETHODIMP Commit(LONG lParentWnd) override;
  STDMETHODIMP Delete(LONG lParentWnd) override;
  STDMETHODIMP SimpleUpdate(LONG lParentWnd) override;
  STDMETHODIMP GetMeetingInfoChangedFlag(ULONG* pdwChanged) override;
  STDMETHODIMP Advise(_SINK_INDEX emSinkIdx, IUnknown* pSink) override;
  STDMETHODIMP UnAdvise(_SINK_INDEX emSinkIdx) override;
  STDMETHODIMP AboutDlg(LONG lParentWnd) override;
  STDMETHODIMP StartInstantMeeting(LONG lParentWnd) override;
  STDMETHODIMP CancellationDlg(LONG lParentWnd) override;
  STDMETHODIMP OnLogin() override;

 private:
  mivo::MeetingRequest request_;
  mivo::com::com_ptr<ISettingsSink> sink_;
};
