#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Error.h"
#include "platform/net/URLRequest.h"
#include "sdk/utilities/MutableDictionary.h"
#include "sdk/utilities/ReachabilityChecker.h"
#include "sdk/utilities/HTTPClientLoggerDelegate.h"
#include "sdk/utilities/HTTPClientURLSession.h"

namespace sdk::utilities {

class HTTPClientReachabilityDelegate {
 public:
  virtual ~HTTPClientReachabilityDelegate() = default;
  virtual void reachabilityDidChange() = 0;
};

// The SDK's small HTTP client: posts gzip-compressed payloads and gets resources, optionally through a
// background session, watches the reachability of one host and keeps track of the requests still
// running. Each request is carried out by its own HTTPClientURLSession.
class HTTPClient : public ReachabilityDelegate,
                   public HTTPClientLoggerDelegate,
                   public std::enable_shared_from_this<HTTPClient> {
 public:
  using Data = platform::foundation::Data;
  using Error = platform::foundation::Error;
  using CompletionHandler = std::function<void(std::optional<platform::net::HTTPURLResponse> response,
                                               std::optional<Data> data, std::optional<Error> error)>;
  using QueuePtr = std::shared_ptr<platform::dispatch::Queue>;
  // Told of a success head as soon as it has come, before its body and before the completion.
  using SuccessHeadHandler = platform::net::URLSessionTask::SuccessHeadHandler;

  static constexpr double kDefaultTimeoutInterval = 60;
  // The host watched when none is given.
  static constexpr const char* kDefaultReachabilityHost = "measurement.vadeze.com";

  static std::shared_ptr<HTTPClient> init();
  // nullptr when the reachability checker cannot start.
  static std::shared_ptr<HTTPClient> initWithReachabilityHost(const std::string& host);
  ~HTTPClient() override;

  // The session ID, or nullopt after the handler was told why (on `queue`, the main queue when null).
  // With `successHead`, a success is the answer as soon as its head has come: told there first, on the
  // same queue, its body is then given a short while only (URLSession::kBodySecondsAfterSuccessHead)
  // before the handler hears of the end.
  std::optional<std::string> postURL(const std::string& url, const Data& payload, QueuePtr queue,
                                     bool usingBackgroundSession, CompletionHandler handler,
                                     SuccessHeadHandler successHead = {});
  // `headers` replace every header field of the request.
  std::optional<std::string> getURL(const std::string& url, const std::map<std::string, std::string>& headers,
                                    QueuePtr queue, bool usingBackgroundSession, CompletionHandler handler);

  static void handleEventsForBackgroundURLSessionID(const std::string& identifier,
                                                    std::function<void()> systemCompletionHandler);

  bool hasUploadInProgress() const;
  bool isNetworkConnected() const { return networkConnected_; }
  bool isDebugModeEnabled() const { return debugMode_; }
  void setIsDebugModeEnabled(bool enabled) { debugMode_ = enabled; }
  // Zero, negative or not a number means the default of 60 seconds.
  double timeoutInterval() const;
  void setTimeoutInterval(double seconds);
  // The most bytes one response may bring before its request fails (64 MiB unless set).
  std::int64_t maximumResponseSize() const { return maximumResponseSize_; }
  void setMaximumResponseSize(std::int64_t bytes) { maximumResponseSize_ = bytes; }
  std::shared_ptr<HTTPClientReachabilityDelegate> reachabilityDelegate() const;
  void setReachabilityDelegate(std::weak_ptr<HTTPClientReachabilityDelegate> delegate);
  std::shared_ptr<HTTPClientLoggerDelegate> loggerDelegate() const;
  // A missing delegate is refused with a log line; the previous one stays.
  void setLoggerDelegate(const std::shared_ptr<HTTPClientLoggerDelegate>& delegate);
  const std::shared_ptr<ReachabilityChecker>& reachabilityChecker() const { return reachability_; }

  // Reports `code` to the handler on `queue` (the main queue when null) with (nothing, nothing, error).
  void handleErrorWithCode(std::int64_t code, QueuePtr queue, CompletionHandler handler);

  // ReachabilityDelegate
  void reachability(ReachabilityChecker& reachability, ReachabilityStatus statusChanged) override;

  // HTTPClientLoggerDelegate
  void logWithLevel(HTTPClientLogLevel level, std::int64_t messageCode, const std::string& message,
                               const platform::foundation::Array& contexts) override;
  void logWithLevel(HTTPClientLogLevel level, std::int64_t messageCode, const std::string& message,
                               const platform::foundation::Value& context) override;
  void logWithLevel(HTTPClientLogLevel level, std::int64_t messageCode, const std::string& message) override;

  struct Private {
    explicit Private() = default;
  };
  explicit HTTPClient(Private);

 private:
  std::optional<platform::net::URLRequest> makeRequest(const std::string& url, QueuePtr queue,
                                                       const CompletionHandler& handler);
  std::optional<std::string> start(platform::net::URLRequest request, bool post, QueuePtr queue,
                                   bool usingBackgroundSession, CompletionHandler handler,
                                   SuccessHeadHandler successHead = {});

  std::shared_ptr<ReachabilityChecker> reachability_;
  MutableDictionary<std::string, std::shared_ptr<HTTPClientURLSession>> requests_;
  std::atomic<bool> networkConnected_{false};
  std::atomic<bool> debugMode_{false};
  std::atomic<double> timeoutInterval_{kDefaultTimeoutInterval};
  std::atomic<std::int64_t> maximumResponseSize_{platform::net::URLSessionConfiguration::kDefaultMaximumResponseSize};
  mutable std::mutex mutex_;
  std::weak_ptr<HTTPClientReachabilityDelegate> reachabilityDelegate_;
  std::weak_ptr<HTTPClientLoggerDelegate> loggerDelegate_;
};

}  // namespace sdk::utilities

