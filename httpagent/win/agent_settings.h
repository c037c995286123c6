// The agent's settings, read afresh at every use: the user's values under
// HKEY_CURRENT_USER\Software\Mivo_Outlook\General and the machine policy
// (win/machine_policy.h).
#pragma once

#include <windows.h>

#include <string>

namespace mivo::oiurl {

// "SaveUrl" (user): the file that receives a line per request call. Empty
// when the value is missing, empty or not a REG_SZ, and when it does not name
// a file on a local drive by an absolute path: a share (\\host\share\...) or
// a network drive would connect to that host, with the user's credentials,
// at every request.
std::wstring request_log_path();

// "AllowUntrustedCertificates" = 1 (machine policy only): an administrator's
// choice to accept certificates that fail their checks, as earlier versions
// of the agent did. Never read from the user's key, which any program the
// user runs can write.
bool allow_untrusted_certificates();

// Appends "<verb> <url>" and a line feed to the request log, when one is set.
// Failures are ignored: the log must never stop a request.
void append_request_log(const wchar_t* verb, const wchar_t* url) noexcept;

}  // namespace mivo::oiurl
