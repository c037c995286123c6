// A self-signed certificate for 127.0.0.1, made at start-up, so the service
// can speak HTTPS without any key material on disk or in the repository.
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace mivo::refservice {

struct X509Free {
  void operator()(X509* cert) const { X509_free(cert); }
};
struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};

struct TlsIdentity {
  std::unique_ptr<X509, X509Free> certificate;
  std::unique_ptr<EVP_PKEY, PkeyFree> key;
  std::string certificate_pem;
};

// An ECDSA P-256 key and a certificate for CN=127.0.0.1 with the subject
// alternative names IP:127.0.0.1, DNS:127.0.0.1 and DNS:localhost, valid from yesterday for
// a year. Throws std::runtime_error when OpenSSL refuses.
TlsIdentity make_tls_identity();

}  // namespace mivo::refservice
