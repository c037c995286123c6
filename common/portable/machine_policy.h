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
// REG_SZ locale name ("zh-CN", "en") or REG_DWORD language identifier: the
// language of the add-in's texts, whatever Office's; one that names no
// language leaves the choice to Office.
constexpr const char* kLanguage = "Language";
// REG_DWORD: 1 sends no version check and offers no update; the
// organisation deploys new versions itself.
constexpr const char* kDisableUpdateCheck = "DisableUpdateCheck";

// Every name above: the Group Policy template offers exactly these.
constexpr const char* kAllNames[] = {kServiceUrl, kAllowUntrustedCertificates, kLanguage,
                                     kDisableUpdateCheck};

}  // namespace mivo::policy
