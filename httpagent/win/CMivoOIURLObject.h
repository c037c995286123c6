// CMivoOIURLObject: the HTTP agent object. One HTTP or HTTPS request at a
// time runs on a worker thread of its own; the outcome reaches the caller's
// IMivoOIURLSink on the thread that created the module's first agent.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <string>

#include "MivoOIURL.h"
#include "com/dispatch.h"
#include "com/object.h"
#include "com/unique.h"
#include "handover.h"
#include "response_buffer.h"

class CMivoOIURLObject : public mivo::com::object_root,
                         public mivo::com::dispatch<IMivoOIURLObject> {
 public:
  using interfaces =
      mivo::com::interface_list<IMivoOIURLObject, mivo::com::via<IDispatch, IMivoOIURLObject>>;

  CMivoOIURLObject();
  ~CMivoOIURLObject() override;

  // IMivoOIURLObject
  STDMETHODIMP get_TimeOut(LONG* pVal) override;
  STDMETHODIMP put_TimeOut(LONG newVal) override;
  STDMETHODIMP get_ParentMsgWindow(LONG* pVal) override;
  STDMETHODIMP put_ParentMsgWindow(LONG newVal) override;
  STDMETHODIMP get_ItemData(LONG* pVal) override;
  STDMETHODIMP put_ItemData(LONG newVal) override;
  STDMETHODIMP Get(BSTR bstrURL, BSTR bstrHeader, IMivoOIURLSink* pISink) override;
  STDMETHODIMP Post(BSTR bstrURL, BSTR bstrBody, BSTR bstrHeader, IMivoOIURLSink* pISink) override;
  STDMETHODIMP Put(BSTR bstrURL, BSTR bstrBody, BSTR bstrHeader, IMivoOIURLSink* pISink) override;
  STDMETHODIMP Delete(BSTR bstrURL, BSTR bstrHeader, IMivoOIURLSink* pISink) override;
  STDMETHODIMP Cancel() override;
  STDMETHODIMP CheckURL(BSTR bstrURL, BSTR* pbstrChecked) override;

  // Creates a request's worker thread suspended; replaced only by tests
  // that need thread creation to fail.
  using thread_creator = HANDLE (*)(LPTHREAD_START_ROUTINE start, void* param);
  static thread_creator CreateWorkerThread;

  // Delivery, on the delivery window's thread only: checks the time limit and hands a
  // stored result to the sink. The caller holds a reference on the object.
  void PollAgent();

 private:
  // The URL split into its parts by InternetCrackUrlW.
  struct url_parts {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    INTERNET_PORT port = 0;
    std::wstring host;
    std::wstring path_and_extra;
  };

  enum class send_outcome { resend, stop };

  HRESULT StartRequest(const wchar_t* verb, BSTR bstrURL, const BSTR* body, BSTR bstrHeader,
                       IMivoOIURLSink* pISink);
  static DWORD WINAPI WorkerThread(void* param);
  void RunRequest();
  bool OpenConnection();
  bool OpenRequest();
  void CloseHandles() noexcept;
  // An answer that outgrew the response limit ends the request at once.
  // Closing a request handle reads whatever the server still sends (Wine's
  // WinINet does, to reuse the connection): the caller has its result and
  // the object is free for another request before that happens.
  void EndBeforeClosing();
  // False when the answer was dropped for outgrowing the response limit.
  bool SendAndReceive(bool send_body);
  bool SendOnce(bool send_body);
  bool ReadResponse();
  send_outcome HandleSendError(bool can_show_dialogs, DWORD error);
  DWORD ShowErrorDialog(DWORD error);
  bool WaitForParentWindow();
  bool QueryHeader(DWORD query, std::wstring& text);

  // Time limit: true once it has passed while no result waits; the time-out
  // is then stored as the result.
  bool IsTimedOut();

  // Hand-over of the result to the sink (handover.h); the worker's ends go
  // through StoreFailure and StoreFinalResult, which also wake the delivery.
  void StoreFailure(oiurl_return_type result);
  void StoreFinalResult();
  mivo::oiurl::handover<IMivoOIURLSink, oiurl_return_type> m_handover;

  // Flags and values read across threads.
  std::atomic<bool> m_bDialogUp{false};
  std::atomic<bool> m_bConnected{false};
  std::atomic<DWORD> m_dwStartTick;
  std::atomic<DWORD> m_dwTimeOutMs{30000};
  std::atomic<HWND> m_hParentWnd{nullptr};
  std::atomic<LONG> m_lItemData{0};

  // Request texts: written by a request call before its worker starts and
  // not while it runs (m_bstrURL is rewritten by the worker on a redirect).
  mivo::com::unique_bstr m_bstrVerb;
  mivo::com::unique_bstr m_bstrBody;
  mivo::com::unique_bstr m_bstrHeader;
  mivo::com::unique_bstr m_bstrURL;

  // Worker-only state of the running attempt.
  mivo::com::unique_hinternet m_hRequest;
  mivo::com::unique_hinternet m_hConnect;
  mivo::com::unique_hinternet m_hSession;
  url_parts m_urlParts;
  bool m_bAllowUntrusted = false;

  // Written by the worker; read by the delivery once the result is pending.
  mivo::oiurl::response_buffer m_response;
};
