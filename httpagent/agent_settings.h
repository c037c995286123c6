// The agent's values under HKEY_CURRENT_USER\Software\Mivo_Outlook\General,
// read afresh at every use.
#pragma once

#include <windows.h>

#include <string>

namespace mivo::oiurl {

// "SaveUrl": the file that receives a line per request call. Empty when the
// value is missing, empty or not a REG_SZ.
std::wstring request_log_path();

// "AllowUntrustedCertificates" = 1: an administrator's choice to accept
// certificates that fail their checks, as earlier versions of the agent did.
bool allow_untrusted_certificates();

// Appends "<verb> <url>" and a line feed to the request log, when one is set.
// Failures are ignored: the log must never stop a request.
void append_request_log(const wchar_t* verb, const wchar_t* url) noexcept;

}  // namespace mivo::oiurl
