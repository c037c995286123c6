// CTickDlg and CCommunicationDlg: the agent started when the dialog opens, the
// busy animation, the agent's answer and the completion timer.
#include "request_dialog.h"

#include <string_view>
#include <utility>

#include "win/library.h"
#include "com/module.h"
#include "com/result.h"
#include "resource_ids.h"
#include "win/resource_library.h"
#include "win/wide_text.h"

namespace mivo::scheduler {
namespace {

constexpr wchar_t kAgentLibrary[] = L"MivoOIURL.dll";

// Loaded on the first request that needs it and never freed: the agent's
// delivery timer lives in that library.
HMODULE g_agent_library = nullptr;

mivo::com::unique_bstr bstr_of(const std::wstring& text) {
  mivo::com::unique_bstr copy(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  if (!copy) throw std::bad_alloc();
  return copy;
}

}  // namespace

mivo::com::com_ptr<IMivoOIURLObject> create_agent(const std::wstring& folder) {
  // Never by its ProgID: the agent carries the password and the token, and a
  // registration, stale or planted, may name any library or server.
  mivo::com::com_ptr<IMivoOIURLObject> agent;
  if (!g_agent_library) {
    g_agent_library = mivo::win::load_library_beside(folder, kAgentLibrary);
    if (!g_agent_library) return agent;
  }
  mivo::com::com_ptr<IClassFactory> factory;
  if (FAILED(mivo::com::class_object_from_library(g_agent_library, CLSID_MivoOIURLObject,
                                                  IID_IClassFactory, factory.put_void()))) {
    return agent;
  }
  LOG_IF_FAILED(factory->CreateInstance(nullptr, IID_IMivoOIURLObject, agent.put_void()));
  return agent;
}

std::wstring response_text(oiurl_return_type type, const unsigned char* data, long length) {
  if (type != OIURL_SUCCESS || length < 2 || !data) return std::wstring();
  // The agent ends the bytes with a zero of its own; a zero inside the body
  // ends the text as well.
  const std::string_view bytes(reinterpret_cast<const char*>(data),
                               static_cast<std::size_t>(length));
  return mivo::win::to_wide(bytes.substr(0, bytes.find('\0')));
}

CTickDlg::CTickDlg(std::wstring url, std::wstring body, std::wstring header, std::wstring method,
                   HWND owner, std::wstring agent_folder, UINT watchdog_ms)
    : url_(bstr_of(url)),
      body_(bstr_of(body)),
      header_(bstr_of(header)),
      owner_(owner),
      method_(bstr_of(method)),
      agent_folder_(std::move(agent_folder)),
      watchdog_ms_(watchdog_ms) {}

CTickDlg::~CTickDlg() = default;

bool CTickDlg::on_init_dialog() {
  if (!start_request()) {
    end(1);
    return true;
  }
  busy_timer_ = SetTimer(window(), kBusyTimer, kBusyIntervalMs, nullptr);
  watchdog_timer_ = SetTimer(window(), kWatchdogTimer, kWatchdogTickMs, nullptr);
  busy_icon_ = item(IDC_COMMUNICATION_BUSY);
  mivo::win::center_dialog(window(), owner_);
  return true;
}

bool CTickDlg::start_request() {
  // Every URL the scheduler builds is longer than "https://"; a shorter one
  // or an unknown method could never be answered, and a dialog nobody can
  // close would hang the host.
  if (SysStringLen(url_.get()) <= 8) return false;

  agent_.reset();
  agent_ = create_agent(agent_folder_);
  if (!agent_) return false;
  agent_->put_ParentMsgWindow(static_cast<LONG>(reinterpret_cast<LONG_PTR>(window())));

  IMivoOIURLSink* const sink = this;
  const auto is = [this](const wchar_t* verb) {
    mivo::com::unique_bstr name(SysAllocString(verb));
    return name && VarBstrCmp(method_.get(), name.get(), LOCALE_SYSTEM_DEFAULT, 0) == VARCMP_EQ;
  };
  HRESULT started = E_INVALIDARG;
  if (is(L"POST")) {
    started = agent_->Post(url_.get(), body_.get(), header_.get(), sink);
  } else if (is(L"PUT")) {
    started = agent_->Put(url_.get(), body_.get(), header_.get(), sink);
  } else if (is(L"DELETE")) {
    started = agent_->Delete(url_.get(), header_.get(), sink);
  } else if (is(L"GET")) {
    started = agent_->Get(url_.get(), header_.get(), sink);
  }
  // A refused call never reaches the sink; waiting for it would never end.
  return SUCCEEDED(started);
}

void CTickDlg::on_timer(UINT_PTR id) {
  if (id == kBusyTimer) {
    const HINSTANCE library = resource_library();
    if (busy_icon_ && library) {
      const HICON icon = LoadIconW(library, MAKEINTRESOURCEW(IDI_BUSY_FIRST + frame_));
      SendMessageW(busy_icon_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
    frame_ = (frame_ + 1) % IDI_BUSY_FRAMES;
  } else if (id == kCompletionTimer) {
    KillTimer(window(), kCompletionTimer);
    completion_timer_ = 0;
    end(1);
  } else if (id == kWatchdogTimer) {
    // A WinINet dialog owned by this one (the proxy's password) disables it
    // while the user answers; the agent's time limit starts again after the
    // answer, and so does this one.
    waited_ms_ = IsWindowEnabled(window()) ? waited_ms_ + kWatchdogTickMs : 0;
    if (waited_ms_ >= watchdog_ms_) end(1);
  }
}

void CTickDlg::on_destroy() {
  if (busy_timer_) KillTimer(window(), kBusyTimer);
  busy_timer_ = 0;
  if (completion_timer_) KillTimer(window(), kCompletionTimer);
  completion_timer_ = 0;
  if (watchdog_timer_) KillTimer(window(), kWatchdogTimer);
  watchdog_timer_ = 0;
  // After Cancel the agent calls nobody: this object is about to go.
  if (agent_) {
    LOG_IF_FAILED(agent_->Cancel());
    agent_.reset();
  }
}

bool CTickDlg::on_command(int, int, HWND) { return true; }

void CTickDlg::arm_completion_timer() noexcept {
  completion_timer_ = SetTimer(window(), kCompletionTimer, kCompletionDelayMs, nullptr);
}

void CCommunicationDlg::run() noexcept {
  // Without the library there is no template of ours; the host program's
  // template 172, whatever it is, must not carry the request.
  const HINSTANCE library = resource_library();
  if (!library) return;
  // Without an owner the dialog is a top-level window of its own: the
  // request still goes out, as the caller's data depends on its answer.
  mivo::win::dialog::run(library, IDD_COMMUNICATION, IsWindow(owner()) ? owner() : nullptr,
                         resource_language());
}

HRESULT STDMETHODCALLTYPE CCommunicationDlg::URLReturn(oiurl_return_type lType,
                                                       unsigned char* pData, LONG lDateLen) {
  try {
    response_ = response_text(lType, pData, lDateLen);
  } catch (...) {
    response_.clear();
  }
  arm_completion_timer();
  return S_OK;
}

}  // namespace mivo::scheduler
