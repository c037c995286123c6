// COutlookConnector: the add-in's connect object. Outlook drives it through
// _IDTExtensibility2, asks it for ribbon XML through IRibbonExtensibility
// and calls the ribbon callbacks of IOutlookConnector by name. It listens to
// the application (items being sent) and the inspector collection (every
// window that opens gets a tracker), and runs the main window's commands.
#pragma once

#include <windows.h>

#include <string>

#include "MivoOutlookPlugin.h"
#include "MivoScheduler.h"
#include "OfficeAddin.h"
#include "com/com_ptr.h"
#include "com/connection.h"
#include "com/dispatch.h"
#include "com/event_sink.h"
#include "com/object.h"
#include "ribbon_controls.h"

class COutlookConnector : public mivo::com::object_root,
                          public mivo::com::dispatch<IOutlookConnector>,
                          public _IDTExtensibility2,
                          public IRibbonExtensibility {
 public:
  using interfaces =
      mivo::com::interface_list<IOutlookConnector, mivo::com::via<IDispatch, IOutlookConnector>,
                                _IDTExtensibility2, IRibbonExtensibility>;

  COutlookConnector();
  ~COutlookConnector() override;

  // IDispatch, of every interface: the ribbon callbacks by name, whichever
  // of the object's pointers Office holds.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) noexcept override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* arg_error) noexcept override;

  // _IDTExtensibility2
  STDMETHODIMP OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                            IDispatch* AddInInst, SAFEARRAY** custom) override;
  STDMETHODIMP OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
  STDMETHODIMP OnAddInsUpdate(SAFEARRAY** custom) override;
  STDMETHODIMP OnStartupComplete(SAFEARRAY** custom) override;
  STDMETHODIMP OnBeginShutdown(SAFEARRAY** custom) override;

  // IRibbonExtensibility
  STDMETHODIMP GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override;

  // IOutlookConnector
  STDMETHODIMP OnGetVisible(IDispatch* pIDispControl, VARIANT_BOOL* pVnbVisible) override;
  STDMETHODIMP OnLoadImage(BSTR bstrPic, IDispatch** ppIDispPict) override;
  STDMETHODIMP OnDefaultAction(IDispatch* pIDispControl) override;
  STDMETHODIMP OnRibbonLoaded(IDispatch* pIDispRibbon) override;

 private:
  using Dispatch = mivo::com::dispatch<IOutlookConnector>;

  // A reference held for a call that runs dialogs: Outlook may let go of
  // the add-in while one is open.
  mivo::com::com_ptr<IOutlookConnector> keep_alive() {
    return mivo::com::com_ptr<IOutlookConnector>(this);
  }

  // A scheduler object for one main-window command, its version check run;
  // null when the scheduler library cannot be used, or when the check
  // started an update and asked Outlook to close (`closing` set): then the
  // command must not go on.
  mivo::com::com_ptr<IMeetingRequest> command_scheduler(bool& closing);
  void run_command(mivo::addin::RibbonCommand command, const std::string& id);
  void new_online_meeting();
  void instant_meeting();
  // The sign-in and sign-out buttons of every placement, after the state
  // changed.
  void invalidate_sign_in_buttons();
  void invalidate(const std::string& id);

  HRESULT on_application_event(DISPID id, const mivo::com::event_args& args);
  HRESULT on_inspectors_event(DISPID id, const mivo::com::event_args& args);

  mivo::com::com_ptr<IDispatch> application_;
  mivo::com::com_ptr<IDispatch> inspectors_;
  mivo::com::com_ptr<IDispatch> ribbon_;
  mivo::addin::SignInState sign_in_;
  // The sinks outlive their connections (members go in reverse order).
  mivo::com::event_sink<COutlookConnector> application_sink_;
  mivo::com::event_sink<COutlookConnector> inspectors_sink_;
  mivo::com::event_connection application_events_;
  mivo::com::event_connection inspectors_events_;
};
