#pragma once

#include <curl/curl.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <string>

#include "platform/runtime/SharedLibrary.h"

namespace platform::net {

// libcurl as the URL sessions use it, loaded when the first request goes out rather than with the
// program. It brings a third of the shared libraries a start would otherwise load (its TLS, SSH, LDAP,
// Kerberos and IDN libraries), and a start that makes no request needs none of them.
//
// The TLS and certificate functions the sessions call (to show a server's chain to a delegate, to pin
// the certificate it accepted) are those of the TLS library libcurl itself brought, found through it:
// both then work on the same library's objects, and a start loads that library no more than libcurl.
struct CurlLibrary {
  // The library, or null with the reason in `error` when it cannot be loaded.
  static const CurlLibrary* load(std::string* error = nullptr);

  // Names each function for runtime::SharedLibrary.
  void bind(runtime::SharedLibrary::Binder& binder);

  decltype(&::curl_global_init) globalInit = nullptr;
  decltype(&::curl_multi_init) multiInit = nullptr;
  decltype(&::curl_multi_add_handle) multiAddHandle = nullptr;
  decltype(&::curl_multi_remove_handle) multiRemoveHandle = nullptr;
  decltype(&::curl_multi_poll) multiPoll = nullptr;
  decltype(&::curl_multi_wakeup) multiWakeup = nullptr;
  decltype(&::curl_multi_perform) multiPerform = nullptr;
  decltype(&::curl_multi_info_read) multiInfoRead = nullptr;
  decltype(&::curl_easy_init) easyInit = nullptr;
  decltype(&::curl_easy_setopt) easySetopt = nullptr;
  decltype(&::curl_easy_getinfo) easyGetinfo = nullptr;
  decltype(&::curl_easy_cleanup) easyCleanup = nullptr;
  decltype(&::curl_easy_strerror) easyStrerror = nullptr;
  decltype(&::curl_slist_append) slistAppend = nullptr;
  decltype(&::curl_slist_free_all) slistFreeAll = nullptr;
  decltype(&::curl_url) url = nullptr;
  decltype(&::curl_url_set) urlSet = nullptr;
  decltype(&::curl_url_get) urlGet = nullptr;
  decltype(&::curl_url_cleanup) urlCleanup = nullptr;
  decltype(&::curl_free) free = nullptr;

  decltype(&::SSL_get_ex_data_X509_STORE_CTX_idx) sslStoreContextIndex = nullptr;
  decltype(&::SSL_get_SSL_CTX) sslContextOf = nullptr;
  decltype(&::SSL_CTX_get_ex_data) sslContextData = nullptr;
  decltype(&::SSL_CTX_set_ex_data) setSslContextData = nullptr;
  decltype(&::SSL_CTX_set_verify) setSslContextVerify = nullptr;
  decltype(&::CRYPTO_get_ex_new_index) newExDataIndex = nullptr;
  decltype(&::X509_STORE_CTX_get_ex_data) storeContextData = nullptr;
  decltype(&::X509_STORE_CTX_get0_cert) storeContextCertificate = nullptr;
  decltype(&::X509_STORE_CTX_set_error) setStoreContextError = nullptr;

  decltype(&::BIO_new_mem_buf) newMemoryBuffer = nullptr;
  decltype(&::BIO_free) freeBuffer = nullptr;
  decltype(&::PEM_read_bio_X509) readPemCertificate = nullptr;
  decltype(&::d2i_X509) certificateFromDer = nullptr;
  decltype(&::i2d_X509) certificateToDer = nullptr;
  decltype(&::X509_free) freeCertificate = nullptr;
  decltype(&::X509_check_host) certificateNamesHost = nullptr;
  decltype(&::X509_check_ip_asc) certificateNamesAddress = nullptr;
  decltype(&::X509_verify_cert_error_string) verificationText = nullptr;
};

}  // namespace platform::net
