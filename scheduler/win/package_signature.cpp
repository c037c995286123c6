// WinVerifyTrust, the Authenticode chain policy and the signer's subject.
#include "package_signature.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

namespace mivo::scheduler {
namespace {

// The verification's state, released with WTD_STATEACTION_CLOSE.
class trust_state {
 public:
  explicit trust_state(const std::wstring& path) {
    file_.cbStruct = sizeof(file_);
    file_.pcwszFilePath = path.c_str();
    data_.cbStruct = sizeof(data_);
    data_.dwUIChoice = WTD_UI_NONE;
    // A revoked signing certificate must not install anything; when the
    // revocation servers cannot be reached the package counts as unverified
    // (the update can still be installed by hand).
    data_.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
    data_.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT;
    data_.dwUnionChoice = WTD_CHOICE_FILE;
    data_.pFile = &file_;
    data_.dwStateAction = WTD_STATEACTION_VERIFY;
    status_ = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }
  ~trust_state() {
    data_.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }
  trust_state(const trust_state&) = delete;
  trust_state& operator=(const trust_state&) = delete;

  LONG status() const noexcept { return status_; }
  CRYPT_PROVIDER_SGNR* signer() const noexcept {
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data_.hWVTStateData);
    return provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
  }

 private:
  GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_FILE_INFO file_{};
  WINTRUST_DATA data_{};
  LONG status_ = TRUST_E_NOSIGNATURE;
};

std::wstring subject_of(const CERT_CONTEXT& certificate) {
  const DWORD flags = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
  CERT_NAME_BLOB& name = certificate.pCertInfo->Subject;
  const DWORD length = CertNameToStrW(X509_ASN_ENCODING, &name, flags, nullptr, 0);
  std::vector<wchar_t> text(length ? length : 1);
  CertNameToStrW(X509_ASN_ENCODING, &name, flags, text.data(), static_cast<DWORD>(text.size()));
  return std::wstring(text.data());
}

}  // namespace

package_signature check_package_signature(const std::wstring& path, const std::wstring& publisher) {
  const trust_state trust(path);
  if (trust.status() != ERROR_SUCCESS) return package_signature::unsigned_or_bad;
  CRYPT_PROVIDER_SGNR* const signer = trust.signer();
  if (!signer || !signer->pChainContext) return package_signature::untrusted;
  // WinVerifyTrust has been seen to accept a chain that ends at an untrusted
  // root (Wine, for a SHA-256 signature); the chain policy does not.
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof(policy);
  CERT_CHAIN_POLICY_STATUS verdict{};
  verdict.cbSize = sizeof(verdict);
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_AUTHENTICODE, signer->pChainContext,
                                        &policy, &verdict) ||
      verdict.dwError != ERROR_SUCCESS)
    return package_signature::untrusted;
  const CRYPT_PROVIDER_CERT* const leaf = WTHelperGetProvCertFromChain(signer, 0);
  if (!leaf || !leaf->pCert) return package_signature::untrusted;
  return subject_of(*leaf->pCert) == publisher ? package_signature::publisher
                                               : package_signature::other_publisher;
}

}  // namespace mivo::scheduler
