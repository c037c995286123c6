// CMivoOIURLObject: properties, request calls, Cancel, and the hand-over of
// results from the worker to the sink.
#include "CMivoOIURLObject.h"

#include "agent_settings.h"
#include "delivery.h"

using mivo::com::unique_bstr;

namespace {
// What an error delivery points at: one space and its terminator.
unsigned char kErrorText[] = " ";

HANDLE create_suspended_thread(LPTHREAD_START_ROUTINE start, void* param) {
  return CreateThread(nullptr, 0, start, param, CREATE_SUSPENDED, nullptr);
}
}  // namespace

CMivoOIURLObject::thread_creator CMivoOIURLObject::CreateWorkerThread = &create_suspended_thread;

CMivoOIURLObject::CMivoOIURLObject()
    : m_dwStartTick(GetTickCount()),
      m_bstrVerb(mivo::com::make_bstr(L"POST")),
      m_bstrBody(mivo::com::make_bstr(L"")) {
  mivo::oiurl::add_live_agent(this);
}

CMivoOIURLObject::~CMivoOIURLObject() { mivo::oiurl::remove_live_agent(this); }

STDMETHODIMP CMivoOIURLObject::get_TimeOut(LONG* pVal) {
  if (pVal) *pVal = static_cast<LONG>(m_dwTimeOutMs.load()) / 1000;
  return S_OK;
}

STDMETHODIMP CMivoOIURLObject::put_TimeOut(LONG newVal) {
  // 32-bit product on purpose: -1 is a limit of 4,294,966,296 ms.
  m_dwTimeOutMs = static_cast<DWORD>(newVal) * 1000u;
  return S_OK;
}

STDMETHODIMP CMivoOIURLObject::get_ParentMsgWindow(LONG* pVal) {
  if (pVal) *pVal = static_cast<LONG>(reinterpret_cast<LONG_PTR>(m_hParentWnd.load()));
  return S_OK;
}

STDMETHODIMP CMivoOIURLObject::put_ParentMsgWindow(LONG newVal) {
  // Window handles fit in 32 bits and are sign-extended, also on x64.
  m_hParentWnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(newVal));
  return S_OK;
}

STDMETHODIMP CMivoOIURLObject::get_ItemData(LONG* pVal) {
  if (pVal) *pVal = m_lItemData.load();
  return S_OK;
}

STDMETHODIMP CMivoOIURLObject::put_ItemData(LONG newVal) {
  m_lItemData = newVal;
  return S_OK;
}

STDMETHODIMP CMivoOIURLObject::Get(BSTR bstrURL, BSTR bstrHeader, IMivoOIURLSink* pISink) {
  return StartRequest(L"GET", bstrURL, nullptr, bstrHeader, pISink);
}

STDMETHODIMP CMivoOIURLObject::Post(BSTR bstrURL, BSTR bstrBody, BSTR bstrHeader,
                                    IMivoOIURLSink* pISink) {
  return StartRequest(L"POST", bstrURL, &bstrBody, bstrHeader, pISink);
}

STDMETHODIMP CMivoOIURLObject::Put(BSTR bstrURL, BSTR bstrBody, BSTR bstrHeader,
                                   IMivoOIURLSink* pISink) {
  return StartRequest(L"PUT", bstrURL, &bstrBody, bstrHeader, pISink);
}

STDMETHODIMP CMivoOIURLObject::Delete(BSTR bstrURL, BSTR bstrHeader, IMivoOIURLSink* pISink) {
  return StartRequest(L"DELETE", bstrURL, nullptr, bstrHeader, pISink);
}

STDMETHODIMP CMivoOIURLObject::Cancel() {
  m_bCancelled = true;
  std::lock_guard<std::mutex> guard(m_handover);
  m_pSink = nullptr;
  return S_OK;
}

STDMETHODIMP CMivoOIURLObject::CheckURL(BSTR, BSTR*) { return S_OK; }

HRESULT CMivoOIURLObject::StartRequest(const wchar_t* verb, BSTR bstrURL, const BSTR* body,
                                       BSTR bstrHeader, IMivoOIURLSink* pISink) try {
  // Every call is logged, also one that a busy object ignores.
  mivo::oiurl::append_request_log(verb, bstrURL);

  // Copies first, so that running out of memory changes nothing.
  unique_bstr verb_copy = mivo::com::make_bstr(verb);
  unique_bstr body_copy = body ? mivo::com::copy_bstr(*body) : unique_bstr();
  unique_bstr header_copy = mivo::com::copy_bstr(bstrHeader);
  unique_bstr url_copy = mivo::com::copy_bstr(bstrURL);

  bool expected = false;
  if (!m_bBusy.compare_exchange_strong(expected, true)) return S_OK;

  m_bstrVerb = std::move(verb_copy);
  if (body) m_bstrBody = std::move(body_copy);
  m_bstrHeader = std::move(header_copy);
  m_bstrURL = std::move(url_copy);
  {
    std::lock_guard<std::mutex> guard(m_handover);
    m_pSink = pISink;
    m_bDelivered = false;
    // A result of an earlier request that was never delivered is not this
    // request's result.
    m_bResultPending = false;
  }

  // The worker's reference: the object outlives its worker.
  static_cast<IMivoOIURLObject*>(this)->AddRef();
  mivo::com::unique_handle thread(CreateWorkerThread(&CMivoOIURLObject::WorkerThread, this));
  if (!thread || ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    if (thread) TerminateThread(thread.get(), 0);
    static_cast<IMivoOIURLObject*>(this)->Release();
    m_bBusy = false;
    StoreFailure(OIURL_ERROR_THREAD);
  }
  return S_OK;
} catch (const std::bad_alloc&) {
  return E_OUTOFMEMORY;
}
CATCH_RETURN()

DWORD WINAPI CMivoOIURLObject::WorkerThread(void* param) {
  auto* self = static_cast<CMivoOIURLObject*>(param);
  try {
    self->RunRequest();
  } catch (...) {
    // Out of memory inside the worker: the request ends without an answer.
    self->CloseHandles();
    self->m_bBusy = false;
    self->StoreFinalResult();
  }
  static_cast<IMivoOIURLObject*>(self)->Release();
  return 0;
}

bool CMivoOIURLObject::IsTimedOut() {
  std::lock_guard<std::mutex> guard(m_handover);
  return IsTimedOutLocked();
}

bool CMivoOIURLObject::IsTimedOutLocked() {
  if (m_bDialogUp || m_bResultPending || !m_bConnected) return false;
  if (GetTickCount() - m_dwStartTick.load() <= m_dwTimeOutMs.load()) return false;
  if (m_pSink && !m_bDelivered) {
    m_eResult = OIURL_ERROR_TIMEOUT;
    m_bDelivered = false;
    m_bResultPending = true;
  }
  return true;
}

bool CMivoOIURLObject::ResultPending() {
  std::lock_guard<std::mutex> guard(m_handover);
  return m_bResultPending;
}

void CMivoOIURLObject::StoreFailure(oiurl_return_type result) {
  {
    std::lock_guard<std::mutex> guard(m_handover);
    m_eResult = result;
    m_bDelivered = false;
    m_bResultPending = true;
  }
  mivo::oiurl::wake_delivery();
}

void CMivoOIURLObject::StoreFinalResult() {
  {
    std::lock_guard<std::mutex> guard(m_handover);
    if (!m_pSink || m_bDelivered || m_bCancelled) return;
    // A time-out stored meanwhile stays the result.
    if (!m_bResultPending) m_eResult = OIURL_SUCCESS;
    m_bDelivered = false;
    m_bResultPending = true;
  }
  mivo::oiurl::wake_delivery();
}

void CMivoOIURLObject::PollAgent() {
  IMivoOIURLSink* sink = nullptr;
  oiurl_return_type result = OIURL_SUCCESS;
  {
    std::lock_guard<std::mutex> guard(m_handover);
    if (m_bDelivered) return;
    // The time limit does not run while a WinINet dialog waits for the user.
    if (m_bDialogUp)
      m_dwStartTick = GetTickCount();
    else
      IsTimedOutLocked();
    if (!m_bResultPending) return;
    m_bDelivered = true;
    m_bResultPending = false;
    sink = std::exchange(m_pSink, nullptr);
    result = m_eResult;
  }
  if (!sink) return;
  if (result == OIURL_SUCCESS)
    sink->URLReturn(OIURL_SUCCESS, const_cast<unsigned char*>(m_response.data()),
                    static_cast<LONG>(m_response.size()));
  else
    sink->URLReturn(result, kErrorText, 0);
}
