// The request dialog: one REST call through the HTTP agent, run as a modal
// dialog so that the caller blocks while the host's message loop goes on.
#pragma once

#include <windows.h>

#include <string>

#include "MivoOIURL.h"
#include "com/com_ptr.h"
#include "win/dialog.h"
#include "com/unique.h"

namespace mivo::scheduler {

// Identifiers of the request dialog's timers.
constexpr UINT_PTR kBusyTimer = 100;
constexpr UINT kBusyIntervalMs = 500;
constexpr UINT_PTR kCompletionTimer = 101;
constexpr UINT kCompletionDelayMs = 50;
// The agent ends a request after its time limit (30 s; the dialog leaves it
// at its default) and delivers within about a second. A delivery that has
// not come long after that is lost: the dialog then ends without an answer
// rather than leave the host with a window that nothing can close.
constexpr UINT_PTR kWatchdogTimer = 102;
constexpr UINT kWatchdogTickMs = 1000;
constexpr UINT kWatchdogMs = 30000 + 15000;

// A fresh agent from MivoOIURL.dll in `folder` (the scheduler's), which
// then stays loaded for the rest of the process and serves every later
// request; a registration of the agent's ProgID is never consulted. Null
// when the library or its class cannot be had.
mivo::com::com_ptr<IMivoOIURLObject> create_agent(const std::wstring& folder);

// The busy dialog: starts the request when it opens and animates the busy
// icon until the agent calls back. Each object serves one request.
class CTickDlg : public mivo::win::dialog, public IMivoOIURLSink {
 public:
  CTickDlg(std::wstring url, std::wstring body, std::wstring header, std::wstring method,
           HWND owner, std::wstring agent_folder, UINT watchdog_ms = kWatchdogMs);
  ~CTickDlg() override;

 protected:
  bool on_init_dialog() override;
  void on_timer(UINT_PTR id) override;
  void on_destroy() override;
  // Buttons, Escape and the close box do nothing: only a completion or a
  // failed start ends the dialog.
  bool on_command(int id, int code, HWND control) override;
  bool on_close() override { return true; }

  HWND owner() const noexcept { return owner_; }
  void arm_completion_timer() noexcept;

 private:
  // False when no request could be started; the dialog then ends at once.
  bool start_request();

  mivo::com::com_ptr<IMivoOIURLObject> agent_;
  mivo::com::unique_bstr url_;
  mivo::com::unique_bstr body_;
  mivo::com::unique_bstr header_;
  HWND owner_;
  int frame_ = 0;
  HWND busy_icon_ = nullptr;
  UINT_PTR busy_timer_ = 0;
  UINT_PTR completion_timer_ = 0;
  mivo::com::unique_bstr method_;
  std::wstring agent_folder_;
  UINT watchdog_ms_;
  UINT_PTR watchdog_timer_ = 0;
  UINT waited_ms_ = 0;
};

// The request dialog the transport runs: construct, run, response, destroy.
class CCommunicationDlg final : public CTickDlg {
 public:
  using CTickDlg::CTickDlg;
  ~CCommunicationDlg() override = default;

  // Shows the dialog modally on template 172 and returns when it has closed.
  // An owner that is not a window leaves the dialog without owner, in the
  // middle of the work area; without the resource library nothing is shown
  // and nothing is sent.
  void run() noexcept;
  // The response text; "" when no usable response arrived.
  const std::wstring& response() const noexcept { return response_; }

  // IMivoOIURLSink: called by the agent on this thread.
  HRESULT STDMETHODCALLTYPE URLReturn(oiurl_return_type lType, unsigned char* pData,
                                      LONG lDateLen) override;

 private:
  std::wstring response_;
};

// The response bytes as text: UTF-8 read up to the first zero byte within
// `length`; "" for an error, or for fewer than two bytes.
std::wstring response_text(oiurl_return_type type, const unsigned char* data, long length);

}  // namespace mivo::scheduler
