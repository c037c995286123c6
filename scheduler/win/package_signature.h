// The Authenticode check of a downloaded installer package.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace mivo::scheduler {

enum class package_signature {
  publisher,        // valid, trusted, signed by the expected publisher with a pinned key
  unsigned_or_bad,  // no signature, or one that does not match the content
  untrusted,        // the signer's chain does not end at a trusted root
  other_publisher,  // a valid signature, but of someone else
  unpinned_key,     // the publisher's name, but a key that is not pinned
};

// Checks the signature of the package (WinVerifyTrust with the generic
// Authenticode action, no user interface, revocation checked for the whole
// chain but the root), then the signer's chain against the Authenticode
// policy, then the signer's subject, which must be `publisher` exactly as
// CertNameToStr writes it from the most specific part on ("CN=..., O=...,
// C=..."), and last the signer's public key, whose SHA-256 must be one of
// `keys` (as publisher_keys gives them): a certificate that merely carries
// the publisher's name, from any authority the machine trusts, does not
// pass. With `file` (an open handle with read access) the check reads the
// package through it, else it opens `path`.
package_signature check_package_signature(const std::wstring& path, const std::wstring& publisher,
                                          const std::vector<std::wstring>& keys,
                                          HANDLE file = nullptr);

// The publisher's key pins in a text as the build writes them: SHA-256 of a
// certificate's DER SubjectPublicKeyInfo, 64 hex digits each, separated by
// commas, semicolons or blanks; anything else in the text is left out.
// Lower case.
std::vector<std::wstring> publisher_keys(std::wstring_view text);

}  // namespace mivo::scheduler
