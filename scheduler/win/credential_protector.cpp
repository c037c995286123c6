// CryptProtectData / CryptUnprotectData for the current user, no extra
// entropy and never a prompt.
#include "credential_protector.h"

#include <windows.h>
#include <wincrypt.h>

#include "com/unique.h"
#include "portable/base64.h"

namespace mivo::scheduler {
namespace {

void free_local(BYTE* bytes) noexcept { LocalFree(bytes); }
using unique_local_bytes =
    mivo::com::unique_any<mivo::com::traits::null_invalid<BYTE*, &free_local>>;

std::optional<std::string> base64_decode(const std::string& text) {
  if (text.empty()) return std::string();
  DWORD size = 0;
  if (!CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                            nullptr, &size, nullptr, nullptr))
    return std::nullopt;
  std::string bytes(size, '\0');
  if (!CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                            reinterpret_cast<BYTE*>(bytes.data()), &size, nullptr, nullptr))
    return std::nullopt;
  bytes.resize(size);
  return bytes;
}

DATA_BLOB blob_of(const std::string& bytes) {
  return DATA_BLOB{static_cast<DWORD>(bytes.size()),
                   reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()))};
}

class DpapiProtector final : public CredentialProtectorPort {
 public:
  std::optional<std::string> protect(const std::string& plain) override {
    DATA_BLOB in = blob_of(plain);
    DATA_BLOB out{};
    if (!CryptProtectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
      return std::nullopt;
    const unique_local_bytes owner(out.pbData);
    return mivo::base64_encode(
        std::string_view(reinterpret_cast<const char*>(out.pbData), out.cbData));
  }

  std::optional<std::string> unprotect(const std::string& protected_text) override {
    const std::optional<std::string> sealed = base64_decode(protected_text);
    if (!sealed || sealed->empty()) return std::nullopt;
    DATA_BLOB in = blob_of(*sealed);
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out))
      return std::nullopt;
    const unique_local_bytes owner(out.pbData);
    std::string plain(reinterpret_cast<const char*>(out.pbData), out.cbData);
    SecureZeroMemory(out.pbData, out.cbData);
    return plain;
  }
};

}  // namespace

std::unique_ptr<CredentialProtectorPort> make_credential_protector() {
  return std::make_unique<DpapiProtector>();
}

}  // namespace mivo::scheduler
