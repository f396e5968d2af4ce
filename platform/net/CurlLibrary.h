#pragma once

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <string>

#include "platform/runtime/SharedLibrary.h"

namespace platform::net {

// libcurl as the URL sessions use it, loaded when the first request goes out rather than with the
// program. It brings a third of the shared libraries a start would otherwise load (its TLS, SSH, LDAP,
// Kerberos and IDN libraries), and a start that makes no request needs none of them.
//
// The TLS functions the pinning of an accepted certificate calls are those of the TLS library libcurl
// itself brought (found through it), so both work on the same library's objects.
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
};

}  // namespace platform::net
