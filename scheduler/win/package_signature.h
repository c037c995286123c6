// The Authenticode check of a downloaded installer package.
#pragma once

#include <string>

namespace mivo::scheduler {

enum class package_signature {
  publisher,        // valid, trusted, and signed by the expected publisher
  unsigned_or_bad,  // no signature, or one that does not match the content
  untrusted,        // the signer's chain does not end at a trusted root
  other_publisher,  // a valid signature, but of someone else
};

// Checks the signature of the file at `path` (WinVerifyTrust with the
// generic Authenticode action, no user interface, revocation checked for the
// whole chain but the root), then the signer's chain against the
// Authenticode policy, then the signer's subject, which must be `publisher`
// exactly as CertNameToStr writes it from the most specific part on
// ("CN=..., O=..., C=...").
package_signature check_package_signature(const std::wstring& path, const std::wstring& publisher);

}  // namespace mivo::scheduler
