#include "platform/net/URLError.h"

#include <curl/curl.h>

namespace platform::net {

foundation::Error makeURLError(std::int64_t code, const std::string& description, const std::string& url) {
  foundation::Error error = foundation::Error::make(kURLErrorDomain, code, description);
  if (!url.empty()) error.userInfo.set(kURLErrorFailingURLStringKey, url);
  return error;
}

namespace {

std::int64_t codeForCurl(CURLcode code) {
  switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
      return URLErrorUnsupportedURL;
    case CURLE_URL_MALFORMAT:
      return URLErrorBadURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return URLErrorCannotFindHost;
    case CURLE_COULDNT_CONNECT:
      return URLErrorCannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT:
      return URLErrorTimedOut;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return URLErrorNetworkConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
      return URLErrorCannotParseResponse;
    case CURLE_BAD_CONTENT_ENCODING:
      return URLErrorCannotDecodeContentData;
    case CURLE_TOO_MANY_REDIRECTS:
      return URLErrorHTTPTooManyRedirects;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
      return URLErrorServerCertificateUntrusted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_USE_SSL_FAILED:
      return URLErrorSecureConnectionFailed;
    case CURLE_READ_ERROR:
      return URLErrorFileDoesNotExist;
    case CURLE_WRITE_ERROR:
      return URLErrorCannotWriteToFile;
    case CURLE_ABORTED_BY_CALLBACK:
      return URLErrorCancelled;
    default:
      return URLErrorUnknown;
  }
}

}  // namespace

foundation::Error urlErrorForCurlCode(int curlCode, const std::string& detail, const std::string& url) {
  return makeURLError(codeForCurl(static_cast<CURLcode>(curlCode)), detail, url);
}

}  // namespace platform::net
