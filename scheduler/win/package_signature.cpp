// WinVerifyTrust, the Authenticode chain policy, the signer's subject and
// the signer's key.
#include "package_signature.h"

#include <bcrypt.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <algorithm>

#include "com/unique.h"

namespace mivo::scheduler {
namespace {

// The verification's state, released with WTD_STATEACTION_CLOSE.
class trust_state {
 public:
  trust_state(const std::wstring& path, HANDLE file) {
    file_.cbStruct = sizeof(file_);
    file_.pcwszFilePath = path.c_str();
    file_.hFile = file;
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

void close_algorithm(BCRYPT_ALG_HANDLE algorithm) noexcept {
  BCryptCloseAlgorithmProvider(algorithm, 0);
}
void destroy_hash(BCRYPT_HASH_HANDLE hash) noexcept { BCryptDestroyHash(hash); }
using unique_algorithm =
    mivo::com::unique_any<mivo::com::traits::null_invalid<BCRYPT_ALG_HANDLE, &close_algorithm>>;
using unique_hash =
    mivo::com::unique_any<mivo::com::traits::null_invalid<BCRYPT_HASH_HANDLE, &destroy_hash>>;

// SHA-256 of the certificate's SubjectPublicKeyInfo in DER, 64 lower-case
// hex digits, as `openssl pkey -pubin -outform DER | openssl dgst -sha256`
// gives it; "" when it cannot be made.
std::wstring public_key_hash(const CERT_CONTEXT& certificate) {
  DWORD size = 0;
  CERT_PUBLIC_KEY_INFO& key = certificate.pCertInfo->SubjectPublicKeyInfo;
  if (!CryptEncodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, &key, 0, nullptr, nullptr,
                           &size))
    return std::wstring();
  std::vector<BYTE> der(size);
  if (!CryptEncodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, &key, 0, nullptr, der.data(),
                           &size))
    return std::wstring();
  unique_algorithm algorithm;
  unique_hash hash;
  BYTE digest[32] = {};
  if (!BCRYPT_SUCCESS(
          BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
      !BCRYPT_SUCCESS(BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0)) ||
      !BCRYPT_SUCCESS(BCryptHashData(hash.get(), der.data(), size, 0)) ||
      !BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest, sizeof(digest), 0)))
    return std::wstring();
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring text;
  for (BYTE b : digest) {
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  return text;
}

bool is_hex_digit(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

}  // namespace

package_signature check_package_signature(const std::wstring& path, const std::wstring& publisher,
                                          const std::vector<std::wstring>& keys, HANDLE file) {
  const trust_state trust(path, file);
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
  if (subject_of(*leaf->pCert) != publisher) return package_signature::other_publisher;
  // Any authority the machine trusts could issue a certificate with the
  // publisher's name; only the publisher holds the pinned keys.
  const std::wstring key = public_key_hash(*leaf->pCert);
  return !key.empty() && std::find(keys.begin(), keys.end(), key) != keys.end()
             ? package_signature::publisher
             : package_signature::unpinned_key;
}

std::vector<std::wstring> publisher_keys(std::wstring_view text) {
  std::vector<std::wstring> keys;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find_first_of(L",; \t\r\n", at), text.size());
    const std::wstring_view piece = text.substr(at, end - at);
    if (piece.size() == 64 && std::all_of(piece.begin(), piece.end(), is_hex_digit)) {
      std::wstring key(piece);
      for (wchar_t& c : key) {
        if (c >= L'A' && c <= L'F') c = static_cast<wchar_t>(c - L'A' + L'a');
      }
      keys.push_back(std::move(key));
    }
    at = end + 1;
  }
  return keys;
}

}  // namespace mivo::scheduler
