// The administrator's machine policy: the names of every value the product
// reads under HKEY_LOCAL_MACHINE\Software\Policies\Mivo_Outlook\General.
// Nothing reads a policy value that is not named here, so this list is what
// a Group Policy template must offer.
#pragma once

namespace mivo::policy {

// REG_SZ: the meeting service's address, "https://" and a host (optionally
// ":port"); anything else is ignored.
constexpr const char* kServiceUrl = "ServiceUrl";
// REG_DWORD: 1 accepts service certificates that fail their checks.
constexpr const char* kAllowUntrustedCertificates = "AllowUntrustedCertificates";

}  // namespace mivo::policy
