// Generates the service's throw-away TLS key and self-signed certificate.
#include "tls_identity.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <stdexcept>

namespace mivo::refservice {
namespace {

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct ExtensionFree {
  void operator()(X509_EXTENSION* ext) const { X509_EXTENSION_free(ext); }
};

[[noreturn]] void fail(const char* what) {
  const unsigned long err = ERR_get_error();
  char detail[256] = "";
  if (err != 0) ERR_error_string_n(err, detail, sizeof detail);
  throw std::runtime_error(std::string("TLS certificate: ") + what + (err ? ": " : "") + detail);
}

void add_extension(X509* cert, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  const std::unique_ptr<X509_EXTENSION, ExtensionFree> ext(
      X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
  if (!ext || X509_add_ext(cert, ext.get(), -1) != 1) fail("extension");
}

}  // namespace

TlsIdentity make_tls_identity() {
  TlsIdentity id;
  id.key.reset(EVP_EC_gen("P-256"));
  if (!id.key) fail("key generation");

  id.certificate.reset(X509_new());
  X509* cert = id.certificate.get();
  if (!cert) fail("X509_new");
  unsigned char serial[16];
  if (RAND_bytes(serial, sizeof serial) != 1) fail("serial");
  serial[0] &= 0x7F;  // a positive serial number
  BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
  const bool serial_set = bn && BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert));
  BN_free(bn);
  if (!serial_set || X509_set_version(cert, 2) != 1) fail("serial");
  if (!X509_gmtime_adj(X509_getm_notBefore(cert), -24L * 3600) ||
      !X509_gmtime_adj(X509_getm_notAfter(cert), 365L * 24 * 3600)) {
    fail("validity");
  }
  X509_NAME* name = X509_get_subject_name(cert);
  const auto add_name = [&](const char* field, const char* text) {
    if (X509_NAME_add_entry_by_txt(name, field, MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>(text), -1, -1, 0) != 1) {
      fail("name");
    }
  };
  add_name("O", "Mivo reference meeting service");
  add_name("CN", "127.0.0.1");
  if (X509_set_issuer_name(cert, name) != 1 || X509_set_pubkey(cert, id.key.get()) != 1) {
    fail("issuer");
  }
  // The address also as a DNS name: Wine's certificate check compares the
  // host only with DNS names and ignores IP address entries.
  add_extension(cert, NID_subject_alt_name, "IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost");
  add_extension(cert, NID_basic_constraints, "critical,CA:FALSE");
  add_extension(cert, NID_key_usage, "critical,digitalSignature");
  add_extension(cert, NID_ext_key_usage, "serverAuth");
  if (X509_sign(cert, id.key.get(), EVP_sha256()) == 0) fail("signature");

  const std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_X509(bio.get(), cert) != 1) fail("PEM");
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  id.certificate_pem.assign(data, static_cast<size_t>(size));
  return id;
}

}  // namespace mivo::refservice
