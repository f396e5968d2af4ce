#pragma once

#include <cstdint>
#include <string>

#include "platform/foundation/Error.h"

namespace platform::net {

// Transfer failures reported by URL sessions. The codes are the phone's, so SDK code that compares them
// reads the same as it did there.
inline constexpr const char* kURLErrorDomain = "NSURLErrorDomain";
inline constexpr const char* kURLErrorFailingURLStringKey = "NSErrorFailingURLStringKey";

enum URLErrorCode : std::int64_t {
  URLErrorUnknown = -1,
  URLErrorCancelled = -999,
  URLErrorBadURL = -1000,
  URLErrorTimedOut = -1001,
  URLErrorUnsupportedURL = -1002,
  URLErrorCannotFindHost = -1003,
  URLErrorCannotConnectToHost = -1004,
  URLErrorNetworkConnectionLost = -1005,
  URLErrorHTTPTooManyRedirects = -1007,
  URLErrorBadServerResponse = -1011,
  URLErrorCannotDecodeContentData = -1016,
  URLErrorCannotParseResponse = -1017,
  URLErrorFileDoesNotExist = -1100,
  URLErrorDataLengthExceedsMaximum = -1103,
  URLErrorSecureConnectionFailed = -1200,
  URLErrorServerCertificateUntrusted = -1202,
  URLErrorCannotCreateFile = -3000,
  URLErrorCannotWriteToFile = -3003,
};

// An error of kURLErrorDomain with a description and, when known, the URL that failed.
foundation::Error makeURLError(std::int64_t code, const std::string& description, const std::string& url = {});

// The error for a libcurl result code (a CURLcode), described by `detail` (libcurl's own explanation).
foundation::Error urlErrorForCurlCode(int curlCode, const std::string& detail, const std::string& url);

}  // namespace platform::net
