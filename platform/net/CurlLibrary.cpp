#include "platform/net/CurlLibrary.h"

namespace platform::net {
namespace {

// The name libcurl's 4.x interface keeps across its releases (the one the linker would have recorded).
constexpr const char* kSoname = "libcurl.so.4";

}  // namespace

const CurlLibrary* CurlLibrary::load(std::string* error) {
  return runtime::SharedLibrary::load<CurlLibrary>(kSoname, "the network library", error);
}

void CurlLibrary::bind(runtime::SharedLibrary::Binder& binder) {
  binder("curl_global_init", globalInit)("curl_multi_init", multiInit)("curl_multi_add_handle", multiAddHandle);
  binder("curl_multi_remove_handle", multiRemoveHandle)("curl_multi_poll", multiPoll)("curl_multi_wakeup", multiWakeup);
  binder("curl_multi_perform", multiPerform)("curl_multi_info_read", multiInfoRead)("curl_easy_init", easyInit);
  binder("curl_easy_setopt", easySetopt)("curl_easy_getinfo", easyGetinfo)("curl_easy_cleanup", easyCleanup);
  binder("curl_easy_strerror", easyStrerror)("curl_slist_append", slistAppend)("curl_slist_free_all", slistFreeAll);
  binder("curl_url", url)("curl_url_set", urlSet)("curl_url_get", urlGet)("curl_url_cleanup", urlCleanup);
  binder("curl_free", free);
  binder("SSL_get_ex_data_X509_STORE_CTX_idx", sslStoreContextIndex)("SSL_get_SSL_CTX", sslContextOf);
  binder("SSL_CTX_get_ex_data", sslContextData)("SSL_CTX_set_ex_data", setSslContextData);
  binder("SSL_CTX_set_verify", setSslContextVerify)("CRYPTO_get_ex_new_index", newExDataIndex);
  binder("X509_STORE_CTX_get_ex_data", storeContextData)("X509_STORE_CTX_get0_cert", storeContextCertificate);
  binder("X509_STORE_CTX_set_error", setStoreContextError);
  binder("BIO_new_mem_buf", newMemoryBuffer)("BIO_free", freeBuffer)("PEM_read_bio_X509", readPemCertificate);
  binder("d2i_X509", certificateFromDer)("i2d_X509", certificateToDer)("X509_free", freeCertificate);
  binder("X509_check_host", certificateNamesHost)("X509_check_ip_asc", certificateNamesAddress);
  binder("X509_verify_cert_error_string", verificationText);
}

}  // namespace platform::net
