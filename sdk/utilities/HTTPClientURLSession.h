#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/net/URLSession.h"
#include "sdk/utilities/HTTPClientLoggerDelegate.h"

namespace sdk::utilities {

inline constexpr const char* kHTTPClientErrorDomain = "com.gul.network.ErrorDomain";
inline constexpr const char* kHTTPClientErrorContext = "Context";
inline constexpr const char* kHTTPClientBackgroundSessionPrefix = "com.gul.network.background-upload";

enum HTTPClientErrorCode : std::int64_t {
  kHTTPClientErrorCodeInvalidURL = 1,
  kHTTPClientErrorCodeNoSession = 2,
  kHTTPClientErrorCodeCompressionFailed = 3,
  kHTTPClientErrorCodeRequestFailed = 4,
  kHTTPClientErrorCodeEmptyResponse = 5,
};

// An error of the network domain whose only detail is its context text.
platform::foundation::Error makeHTTPClientError(std::int64_t code, const std::string& context);

// Carries out one request of the network client: makes a URL session (in the background, with the
// upload body in a temporary file, when asked), gathers the answer, refuses redirects the client does
// not follow, sweeps stale temporary files and calls the client back once, on the main queue.
//
// Background sessions are known process-wide by their session ID, so the system's events for one
// find the fetcher that owns it.
class HTTPClientURLSession : public platform::net::URLSessionDelegate,
                             public std::enable_shared_from_this<HTTPClientURLSession> {
 public:
  using Data = platform::foundation::Data;
  using Error = platform::foundation::Error;
  using CompletionHandler = std::function<void(std::optional<platform::net::HTTPURLResponse> response,
                                               std::optional<Data> data, const std::string& sessionID,
                                               std::optional<Error> error)>;

  static constexpr double kTemporaryFileLifetime = 3600;

  static std::shared_ptr<HTTPClientURLSession> initWithNetworkLoggerDelegate(
      std::weak_ptr<HTTPClientLoggerDelegate> loggerDelegate);

  // The session ID, or nullopt after the handler was called with code 2.
  std::optional<std::string> sessionIDFromAsyncPOSTRequest(const platform::net::URLRequest& request,
                                                           CompletionHandler handler);
  std::optional<std::string> sessionIDFromAsyncGETRequest(const platform::net::URLRequest& request,
                                                          CompletionHandler handler);

  // Identifiers that are not ours are ignored. A handler for a session that no live background session
  // owns can have no events coming, so it is called at once (on the main queue) instead of never.
  static void handleEventsForBackgroundURLSessionID(const std::string& identifier,
                                                    std::function<void()> systemCompletionHandler);

  std::string sessionID() const;
  void setSessionID(std::string sessionID);
  bool isBackgroundNetworkEnabled() const;
  void setBackgroundNetworkEnabled(bool enabled);
  std::shared_ptr<HTTPClientLoggerDelegate> loggerDelegate() const;
  void setLoggerDelegate(std::weak_ptr<HTTPClientLoggerDelegate> delegate);
  // The most bytes a response may bring (URLSessionConfiguration::maximumResponseSize).
  void setMaximumResponseSize(std::int64_t bytes);
  // Told of a success head as soon as it has come (URLSessionTask::setSuccessHeadHandler), on the main
  // queue; set before the request starts.
  void setSuccessHeadHandler(platform::net::URLSessionTask::SuccessHeadHandler handler);

  // `<Application Support>/VDU/Network/HTTPClientTemporaryDirectory`.
  const std::string& networkDirectoryURL() const { return networkDirectory_; }
  std::string temporaryFilePathWithSessionID(const std::string& sessionID) const;
  [[nodiscard]] bool ensureTemporaryDirectoryExists();
  // Removes files more than `expiringTime` seconds old or dated in the future, and the hidden
  // temporaries of body writes that were cut off.
  void maybeRemoveTempFilesAtURL(const std::string& directory, double expiringTime);
  void removeTempItemAtURL(const std::string& path);
  [[nodiscard]] bool excludeFromBackupForURL(const std::string& path);

  static std::shared_ptr<HTTPClientURLSession> fetcherWithSessionIdentifier(const std::string& identifier);
  static void setSessionInFetcherMap(const std::shared_ptr<HTTPClientURLSession>& fetcher, const std::string& sessionID);
  static std::shared_ptr<HTTPClientURLSession> sessionFromFetcherMapForSessionID(const std::string& sessionID);

  std::string description() const;

  // URLSessionDelegate
  void didReceiveData(platform::net::URLSession& session, platform::net::URLSessionTask& task, const Data& data) override;
  void didFinishDownloadingToURL(platform::net::URLSession& session, platform::net::URLSessionTask& task,
                                 const std::string& location) override;
  void willPerformHTTPRedirection(platform::net::URLSession& session, platform::net::URLSessionTask& task,
                                  const platform::net::HTTPURLResponse& response, platform::net::URLRequest newRequest,
                                  std::function<void(std::optional<platform::net::URLRequest>)> handler) override;
  void didReceiveChallenge(platform::net::URLSession& session, platform::net::URLSessionTask& task,
                           const platform::net::URLAuthenticationChallenge& challenge,
                           platform::net::URLChallengeCompletion completionHandler) override;
  void didCompleteWithError(platform::net::URLSession& session, platform::net::URLSessionTask& task,
                            const std::optional<Error>& error) override;
  void didFinishEventsForBackgroundURLSession(platform::net::URLSession& session) override;

  struct Private {
    explicit Private() = default;
  };
  HTTPClientURLSession(Private, std::weak_ptr<HTTPClientLoggerDelegate> loggerDelegate);

 private:
  static platform::net::URLSessionConfiguration backgroundSessionConfigWithSessionID(const std::string& sessionID);
  void populateSessionConfig(platform::net::URLSessionConfiguration& config, const platform::net::URLRequest& request);
  std::optional<std::string> startTask(const platform::net::URLRequest& request,
                                       std::shared_ptr<platform::net::URLSession> session,
                                       std::shared_ptr<platform::net::URLSessionTask> task, CompletionHandler handler);
  void callCompletionHandler(CompletionHandler handler, std::optional<platform::net::HTTPURLResponse> response,
                             std::optional<Data> data, std::optional<Error> error);
  void addSystemCompletionHandler(std::function<void()> handler, const std::string& identifier);
  static void callSystemCompletionHandler(const std::string& identifier);
  void log(HTTPClientLogLevel level, std::int64_t code, const std::string& message,
           std::optional<platform::foundation::Value> context = std::nullopt);

  const std::string networkDirectory_;
  mutable std::mutex mutex_;
  CompletionHandler completionHandler_;
  std::string sessionID_;
  std::weak_ptr<platform::net::URLSession> session_;
  std::optional<Data> downloadedData_;
  std::string uploadingFile_;
  bool uploadFileWritten_ = false;
  platform::net::URLRequest request_;
  bool backgroundNetworkEnabled_ = false;
  std::int64_t maximumResponseSize_ = platform::net::URLSessionConfiguration::kDefaultMaximumResponseSize;
  platform::net::URLSessionTask::SuccessHeadHandler successHeadHandler_;
  std::weak_ptr<HTTPClientLoggerDelegate> loggerDelegate_;
};

}  // namespace sdk::utilities

