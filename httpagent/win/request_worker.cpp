// The request worker of CMivoOIURLObject: WinINet session, connection and
// request, the send loop with its error handling, the read loop, redirects
// and proxy-authentication retries, and the time limit.
#include <optional>
#include <vector>

#include "CMivoOIURLObject.h"
#include "agent_settings.h"
#include "redirect.h"
#include "win/http_header.h"

namespace {

constexpr wchar_t kUserAgent[] = L"Mivo Outlook Integration Http Agent";
constexpr int kMaxAttempts = 10;
constexpr int kMaxSends = 10;
constexpr int kProxyRetryBudget = 3;
constexpr int kMaxDialogs = 10;
constexpr int kParentWaits = 3;
constexpr DWORD kParentWaitMs = 300;
constexpr DWORD kReadChunk = 16384;
constexpr DWORD kErrorDialogFlags = FLAGS_ERROR_UI_FILTER_FOR_ERRORS |
                                    FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                    FLAGS_ERROR_UI_FLAGS_GENERATE_DATA;
// Redirects are the agent's own business (a 302 always continues over
// HTTPS on a new connection), so WinINet must not follow them itself.
constexpr DWORD kPlainFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION |
    INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS | INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr DWORD kSecureFlags = kPlainFlags | INTERNET_FLAG_SECURE;
// Only by an administrator's choice ("AllowUntrustedCertificates").
constexpr DWORD kUntrustedNameAndDateFlags =
    INTERNET_FLAG_IGNORE_CERT_DATE_INVALID | INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
constexpr DWORD kRelaxedSecurityFlags =
    SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

bool is_certificate_error(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_INVALID_CA:
      return true;
    default:
      return false;
  }
}

// Errors that a WinINet dialog can resolve: proxy authentication and the
// questions about leaving a secure connection. Certificate errors are not
// among them.
bool is_resolvable_send_error(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_INCORRECT_PASSWORD:
    case ERROR_INTERNET_HTTP_TO_HTTPS_ON_REDIR:
    case ERROR_INTERNET_POST_IS_NON_SECURE:
      return true;
    default:
      return false;
  }
}

}  // namespace

void CMivoOIURLObject::RunRequest() {
  m_dwStartTick = GetTickCount();
  m_bAllowUntrusted = mivo::oiurl::allow_untrusted_certificates();
  int proxy_budget = kProxyRetryBudget;
  int attempts = 0;
  for (;;) {
    if (!OpenConnection()) {
      StoreFailure(OIURL_ERROR_CONNECT);
      return;
    }
    if (!OpenRequest()) {
      CloseHandles();
      StoreFailure(OIURL_ERROR_OPENREQUEST);
      return;
    }
    const bool send_body =
        wcscmp(m_bstrVerb.get(), L"POST") == 0 || wcscmp(m_bstrVerb.get(), L"PUT") == 0;
    if (!SendAndReceive(send_body)) {
      EndBeforeClosing();
      return;
    }
    if (m_handover.pending() || IsTimedOut() || m_handover.cancelled()) break;

    std::wstring status;
    if (!QueryHeader(HTTP_QUERY_STATUS_CODE, status) || proxy_budget < 1) break;

    if (_wcsicmp(status.c_str(), L"407") == 0) {
      if (!m_hParentWnd.load() && !WaitForParentWindow()) break;
      m_bDialogUp = true;
      const DWORD answer =
          InternetErrorDlg(m_hParentWnd.load(), m_hRequest.get(), ERROR_INTERNET_INCORRECT_PASSWORD,
                           kErrorDialogFlags, nullptr);
      --proxy_budget;
      m_bDialogUp = false;
      if (answer != ERROR_INTERNET_FORCE_RETRY) break;
      if (++attempts >= kMaxAttempts) break;
      continue;
    }
    if (status == L"302") {
      std::wstring location;
      if (!QueryHeader(HTTP_QUERY_LOCATION, location) || location.empty()) break;
      const std::optional<std::wstring> next =
          mivo::oiurl::redirect_target(location, m_urlParts.host, m_urlParts.port);
      if (!next) {
        // Nothing goes to another server: the request ends here.
        CloseHandles();
        StoreFailure(OIURL_ERROR_OPENREQUEST);
        return;
      }
      m_bstrURL = mivo::com::make_bstr(next->c_str());
      if (++attempts >= kMaxAttempts) break;
      continue;
    }
    break;
  }
  CloseHandles();
  StoreFinalResult();
}

void CMivoOIURLObject::EndBeforeClosing() {
  // Declared so that the request closes first and the session last.
  mivo::com::unique_hinternet session = std::move(m_hSession);
  mivo::com::unique_hinternet connect = std::move(m_hConnect);
  mivo::com::unique_hinternet request = std::move(m_hRequest);
  m_bConnected = false;
  StoreFinalResult();
}

void CMivoOIURLObject::CloseHandles() noexcept {
  m_bConnected = false;
  m_hRequest.reset();
  m_hConnect.reset();
  m_hSession.reset();
}

bool CMivoOIURLObject::OpenConnection() {
  CloseHandles();
  m_hSession.reset(InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));

  m_urlParts = url_parts();
  BSTR url = m_bstrURL.get();
  if (!url) return false;
  // Null buffers with non-zero lengths: WinINet points into the URL itself.
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlW(url, SysStringLen(url), 0, &parts) || !parts.lpszHostName) {
    CloseHandles();
    return false;
  }
  m_urlParts.scheme = parts.nScheme;
  m_urlParts.port = parts.nPort;
  m_urlParts.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  if (parts.lpszUrlPath) m_urlParts.path_and_extra.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo)
    m_urlParts.path_and_extra.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

  m_hConnect.reset(InternetConnectW(m_hSession.get(), m_urlParts.host.c_str(), m_urlParts.port,
                                    nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!m_hConnect) {
    CloseHandles();
    return false;
  }
  m_bConnected = true;
  return true;
}

bool CMivoOIURLObject::OpenRequest() {
  if (!m_hConnect) return false;
  DWORD flags = kPlainFlags;
  if (m_urlParts.scheme == INTERNET_SCHEME_HTTPS) {
    flags = kSecureFlags;
    if (m_bAllowUntrusted) flags |= kUntrustedNameAndDateFlags;
  }
  m_hRequest.reset(HttpOpenRequestW(m_hConnect.get(), m_bstrVerb.get(),
                                    m_urlParts.path_and_extra.c_str(), L"HTTP/1.1", nullptr,
                                    nullptr, flags, 0));
  return static_cast<bool>(m_hRequest);
}

bool CMivoOIURLObject::SendAndReceive(bool send_body) {
  for (int sends = 1;; ++sends) {
    if (m_handover.cancelled() || IsTimedOut()) return true;
    if (SendOnce(send_body)) break;
    const DWORD error = GetLastError();
    const bool can_show = IsWindow(m_hParentWnd.load()) != FALSE;
    if (HandleSendError(can_show, error) != send_outcome::resend || sends >= kMaxSends) break;
  }
  return ReadResponse();
}

bool CMivoOIURLObject::SendOnce(bool send_body) {
  BSTR header = m_bstrHeader.get();
  const DWORD header_length = header ? SysStringLen(header) : 0;
  if (!send_body || !m_bstrBody) {
    return HttpSendRequestW(m_hRequest.get(), header_length ? header : nullptr, header_length,
                            nullptr, 0) != FALSE;
  }
  // The body goes out as UTF-8 with its terminating zero byte: the service
  // has always received it that way.
  const int count =
      WideCharToMultiByte(CP_UTF8, 0, m_bstrBody.get(), -1, nullptr, 0, nullptr, nullptr);
  std::vector<char> block(static_cast<std::size_t>(count) + 10, '\0');
  if (SysStringLen(m_bstrBody.get()) != 0)
    WideCharToMultiByte(CP_UTF8, 0, m_bstrBody.get(), -1, block.data(), count, nullptr, nullptr);
  return HttpSendRequestW(m_hRequest.get(), header_length ? header : nullptr, header_length,
                          block.data(), static_cast<DWORD>(count)) != FALSE;
}

bool CMivoOIURLObject::ReadResponse() {
  m_response.clear();
  std::vector<unsigned char> chunk(kReadChunk + 1);
  for (;;) {
    if (m_handover.cancelled() || IsTimedOut()) return true;
    DWORD read = 0;
    if (!InternetReadFile(m_hRequest.get(), chunk.data(), kReadChunk, &read) || read == 0)
      return true;
    if (m_handover.cancelled() || IsTimedOut()) return true;
    if (!m_response.append(chunk.data(), read)) return false;
  }
}

CMivoOIURLObject::send_outcome CMivoOIURLObject::HandleSendError(bool can_show_dialogs,
                                                                 DWORD error) {
  if (error == ERROR_INTERNET_FORCE_RETRY) return send_outcome::resend;
  if (is_certificate_error(error)) {
    // Nobody at the keyboard can vouch for a certificate that fails its
    // checks: one click on WinINet's question would send the password and
    // the token to whoever answered. Only an administrator's policy accepts
    // such a certificate; otherwise the request ends as if unanswered.
    if (!m_bAllowUntrusted) return send_outcome::stop;
    DWORD flags = 0;
    DWORD size = sizeof(flags);
    InternetQueryOptionW(m_hRequest.get(), INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
    flags |= kRelaxedSecurityFlags;
    InternetSetOptionW(m_hRequest.get(), INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof(flags));
    return send_outcome::resend;
  }
  if (!is_resolvable_send_error(error)) return send_outcome::stop;
  if (can_show_dialogs)
    return ShowErrorDialog(error) == ERROR_SUCCESS ? send_outcome::resend : send_outcome::stop;
  return send_outcome::resend;
}

DWORD CMivoOIURLObject::ShowErrorDialog(DWORD error) {
  m_bDialogUp = true;
  DWORD answer = ERROR_CANCELLED;
  for (int shown = 0; shown < kMaxDialogs; ++shown) {
    answer =
        InternetErrorDlg(m_hParentWnd.load(), m_hRequest.get(), error, kErrorDialogFlags, nullptr);
    if (answer == ERROR_SUCCESS || answer == ERROR_CANCELLED) break;
  }
  m_bDialogUp = false;
  m_dwStartTick = GetTickCount();
  return answer;
}

bool CMivoOIURLObject::WaitForParentWindow() {
  mivo::com::unique_event wake;
  const bool have_event = wake.create(true);
  for (int i = 0; i < kParentWaits && !m_hParentWnd.load(); ++i) {
    if (have_event)
      wake.wait(kParentWaitMs);
    else
      Sleep(kParentWaitMs);
  }
  return m_hParentWnd.load() != nullptr;
}

bool CMivoOIURLObject::QueryHeader(DWORD query, std::wstring& text) {
  return mivo::win::query_header(m_hRequest.get(), query, text);
}
