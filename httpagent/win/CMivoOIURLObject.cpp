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
  m_handover.cancel();
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

  if (!m_handover.start(pISink)) return S_OK;
  m_bstrVerb = std::move(verb_copy);
  if (body) m_bstrBody = std::move(body_copy);
  m_bstrHeader = std::move(header_copy);
  m_bstrURL = std::move(url_copy);

  // The worker's reference: the object outlives its worker.
  mivo::com::com_ptr<IUnknown> worker_reference = get_strong();
  mivo::com::unique_handle thread(CreateWorkerThread(&CMivoOIURLObject::WorkerThread, this));
  if (!thread || ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    if (thread) TerminateThread(thread.get(), 0);
    StoreFailure(OIURL_ERROR_THREAD);
    return S_OK;
  }
  // Handed over: the worker releases it when it ends.
  (void)worker_reference.detach();
  return S_OK;
} catch (const std::bad_alloc&) {
  return E_OUTOFMEMORY;
}
CATCH_RETURN()

DWORD WINAPI CMivoOIURLObject::WorkerThread(void* param) {
  auto* self = static_cast<CMivoOIURLObject*>(param);
  // The reference StartRequest took for this thread, let go at its end.
  mivo::com::com_ptr<IUnknown> reference;
  reference.attach(self->controlling_unknown());
  try {
    self->RunRequest();
  } catch (...) {
    // Out of memory inside the worker: the request ends without an answer.
    self->CloseHandles();
    self->StoreFinalResult();
  }
  return 0;
}

bool CMivoOIURLObject::IsTimedOut() {
  if (m_bDialogUp || !m_bConnected) return false;
  if (GetTickCount() - m_dwStartTick.load() <= m_dwTimeOutMs.load()) return false;
  return m_handover.time_out(OIURL_ERROR_TIMEOUT);
}

void CMivoOIURLObject::StoreFailure(oiurl_return_type result) {
  m_handover.fail(result);
  mivo::oiurl::wake_delivery();
}

void CMivoOIURLObject::StoreFinalResult() {
  m_handover.finish(OIURL_SUCCESS);
  mivo::oiurl::wake_delivery();
}

void CMivoOIURLObject::PollAgent() {
  // The time limit does not run while a WinINet dialog waits for the user.
  if (m_bDialogUp)
    m_dwStartTick = GetTickCount();
  else
    IsTimedOut();
  const auto delivery = m_handover.begin_delivery();
  if (!delivery) return;
  if (delivery->result == OIURL_SUCCESS)
    delivery->sink->URLReturn(OIURL_SUCCESS, const_cast<unsigned char*>(m_response.data()),
                              static_cast<LONG>(m_response.size()));
  else
    delivery->sink->URLReturn(delivery->result, kErrorText, 0);
  m_handover.end_delivery();
}
