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
#include "sdk/utilities/VDUMutableDictionary.h"
#include "sdk/utilities/VDUReachabilityChecker.h"
#include "sdk/utilities/ZURAridireLoggerDelegate.h"
#include "sdk/utilities/ZURAridireURLSession.h"

class ZURAridireReachabilityDelegate {
 public:
  virtual ~ZURAridireReachabilityDelegate() = default;
  virtual void reachabilityDidChange() = 0;
};

// The SDK's small HTTP client: posts gzip-compressed payloads and gets resources, optionally through a
// background session, watches the reachability of one host and keeps track of the requests still
// running. Each request is carried out by its own ZURAridireURLSession.
class ZURAridire : public VDUReachabilityDelegate,
                   public ZURAridireLoggerDelegate,
                   public std::enable_shared_from_this<ZURAridire> {
 public:
  using Data = platform::foundation::Data;
  using Error = platform::foundation::Error;
  using CompletionHandler = std::function<void(std::optional<platform::net::HTTPURLResponse> response,
                                               std::optional<Data> data, std::optional<Error> error)>;
  using QueuePtr = std::shared_ptr<platform::dispatch::Queue>;

  static constexpr double kDefaultTimeoutInterval = 60;
  // The host watched when none is given.
  static constexpr const char* kDefaultReachabilityHost = "measurement.vadeze.com";

  static std::shared_ptr<ZURAridire> init();
  // nullptr when the reachability checker cannot start.
  static std::shared_ptr<ZURAridire> initWithReachabilityHost(const std::string& host);
  ~ZURAridire() override;

  // The session ID, or nullopt after the handler was told why (on `queue`, the main queue when null).
  std::optional<std::string> postURL(const std::string& url, const Data& payload, QueuePtr queue,
                                     bool usingBackgroundSession, CompletionHandler handler);
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
  std::shared_ptr<ZURAridireReachabilityDelegate> reachabilityDelegate() const;
  void setReachabilityDelegate(std::weak_ptr<ZURAridireReachabilityDelegate> delegate);
  std::shared_ptr<ZURAridireLoggerDelegate> loggerDelegate() const;
  // A missing delegate is refused with a log line; the previous one stays.
  void setLoggerDelegate(const std::shared_ptr<ZURAridireLoggerDelegate>& delegate);
  const std::shared_ptr<VDUReachabilityChecker>& reachabilityChecker() const { return reachability_; }

  // Reports `code` to the handler on `queue` (the main queue when null) with (nothing, nothing, error).
  void handleErrorWithCode(std::int64_t code, QueuePtr queue, CompletionHandler handler);

  // VDUReachabilityDelegate
  void reachability(VDUReachabilityChecker& reachability, VDUReachabilityStatus statusChanged) override;

  // ZURAridireLoggerDelegate
  void ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t messageCode, const std::string& message,
                               const platform::foundation::Array& contexts) override;
  void ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t messageCode, const std::string& message,
                               const platform::foundation::Value& context) override;
  void ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t messageCode, const std::string& message) override;

  struct Private {
    explicit Private() = default;
  };
  explicit ZURAridire(Private);

 private:
  std::optional<platform::net::URLRequest> makeRequest(const std::string& url, QueuePtr queue,
                                                       const CompletionHandler& handler);
  std::optional<std::string> start(platform::net::URLRequest request, bool post, QueuePtr queue,
                                   bool usingBackgroundSession, CompletionHandler handler);

  std::shared_ptr<VDUReachabilityChecker> reachability_;
  VDUMutableDictionary<std::string, std::shared_ptr<ZURAridireURLSession>> requests_;
  std::atomic<bool> networkConnected_{false};
  std::atomic<bool> debugMode_{false};
  std::atomic<double> timeoutInterval_{kDefaultTimeoutInterval};
  std::atomic<std::int64_t> maximumResponseSize_{platform::net::URLSessionConfiguration::kDefaultMaximumResponseSize};
  mutable std::mutex mutex_;
  std::weak_ptr<ZURAridireReachabilityDelegate> reachabilityDelegate_;
  std::weak_ptr<ZURAridireLoggerDelegate> loggerDelegate_;
};
