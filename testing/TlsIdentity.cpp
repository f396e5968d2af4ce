#include "testing/TlsIdentity.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <stdexcept>

namespace ostrel::testing {
namespace {

template <typename T, void (*Free)(T*)>
struct Freer {
  void operator()(T* object) const { Free(object); }
};
using Key = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Freer<X509, X509_free>>;
using Bio = std::unique_ptr<BIO, Freer<BIO, BIO_free_all>>;

void check(bool ok, const char* step) {
  if (!ok) throw std::runtime_error(std::string("TlsIdentity: ") + step + " failed");
}

std::string drain(BIO* bio) {
  char* bytes = nullptr;
  long length = BIO_get_mem_data(bio, &bytes);
  return std::string(bytes, static_cast<std::size_t>(length));
}

void addExtension(X509* certificate, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  check(extension != nullptr, "making an extension");
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

}  // namespace

std::shared_ptr<const TlsIdentity> TlsIdentity::selfSigned(const std::string& commonName) {
  Key key(EVP_EC_gen("P-256"));
  check(key != nullptr, "making a key");

  Certificate certificate(X509_new());
  check(certificate != nullptr, "making a certificate");
  X509_set_version(certificate.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 24 * 3600);
  X509_set_pubkey(certificate.get(), key.get());
  X509_NAME* name = X509_get_subject_name(certificate.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                             -1, 0);
  X509_set_issuer_name(certificate.get(), name);
  addExtension(certificate.get(), NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
  addExtension(certificate.get(), NID_basic_constraints, "critical,CA:FALSE");
  check(X509_sign(certificate.get(), key.get(), EVP_sha256()) > 0, "signing");

  auto identity = std::make_shared<TlsIdentity>();
  Bio certificateText(BIO_new(BIO_s_mem()));
  check(PEM_write_bio_X509(certificateText.get(), certificate.get()) == 1, "writing the certificate");
  identity->certificatePEM_ = drain(certificateText.get());
  Bio keyText(BIO_new(BIO_s_mem()));
  check(PEM_write_bio_PrivateKey(keyText.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1,
        "writing the key");
  identity->privateKeyPEM_ = drain(keyText.get());
  int length = i2d_X509(certificate.get(), nullptr);
  check(length > 0, "encoding the certificate");
  identity->certificateDER_.resize(static_cast<std::size_t>(length));
  unsigned char* out = identity->certificateDER_.data();
  i2d_X509(certificate.get(), &out);
  return identity;
}

}  // namespace ostrel::testing
