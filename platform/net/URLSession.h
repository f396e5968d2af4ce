#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Error.h"
#include "platform/net/URLError.h"
#include "platform/net/ServerTrust.h"
#include "platform/net/URLRequest.h"

namespace platform::net {

class URLSession;
class URLSessionTask;

// How a session's tasks behave. A background configuration carries an identifier; the session made
// from it is "live" under that identifier until it is invalidated, so events for the identifier can be
// routed to it.
struct URLSessionConfiguration {
  static constexpr double kDefaultResourceTimeout = 7 * 24 * 3600.0;
  static constexpr std::int64_t kDefaultMaximumResponseSize = std::int64_t{64} << 20;

  static URLSessionConfiguration defaultSessionConfiguration();
  static URLSessionConfiguration backgroundSessionConfigurationWithIdentifier(std::string identifier);

  std::string identifier;
  bool background = false;
  // Sent with every request unless the request sets a field of the same name itself.
  HTTPHeaders HTTPAdditionalHeaders;
  // Idle time a transfer may spend without a byte moving (a request's own positive time-out wins).
  double timeoutIntervalForRequest = URLRequest::kDefaultTimeoutInterval;
  // Time a whole transfer may take, redirects included (a request's shorter time-out wins).
  double timeoutIntervalForResource = kDefaultResourceTimeout;
  URLRequestCachePolicy requestCachePolicy = URLRequestCachePolicy::UseProtocolCachePolicy;
  // The most body bytes (after any decoding) one response may bring, in memory or in a download file;
  // a task that receives more fails with URLErrorDataLengthExceedsMaximum. Zero or less: no limit.
  std::int64_t maximumResponseSize = kDefaultMaximumResponseSize;
};

// Bodies arrive as sent: a response body is expanded only when the request asked for an encoding with
// its own "Accept-Encoding" field, and then through GzipInflater under the response-size limit.
//
// What a session tells its delegate, always on the session's delegate queue and, for one task, in the
// order: the server-trust challenge, data, redirect questions, the finished download, completion. A task made with a completion
// handler reports through that handler instead of the data and completion calls. A success head that a
// task's own handler awaits (URLSessionTask::setSuccessHeadHandler) is told ahead of its data.
class URLSessionDelegate {
 public:
  virtual ~URLSessionDelegate() = default;

  virtual void didReceiveData(URLSession& session, URLSessionTask& task, const Data& data) {}
  // `location` is a file that is removed once this call returns: move or read it here.
  virtual void didFinishDownloadingToURL(URLSession& session, URLSessionTask& task, const std::string& location) {}
  // Answer with the request to follow, or nothing to end the task with the redirect response itself.
  // The handler may be called later and from any thread, but exactly once.
  virtual void willPerformHTTPRedirection(URLSession& session, URLSessionTask& task, const HTTPURLResponse& response,
                                          URLRequest newRequest,
                                          std::function<void(std::optional<URLRequest>)> completionHandler) {
    completionHandler(std::move(newRequest));
  }
  // Before an HTTPS request goes out, the server's trust: answer with a disposition (and, to accept
  // the trust, a credential for it). Default handling is libcurl's own verification against the
  // system's certificates. The handler may be called later and from any thread, but exactly once.
  virtual void didReceiveChallenge(URLSession& session, URLSessionTask& task, const URLAuthenticationChallenge& challenge,
                                   URLChallengeCompletion completionHandler) {
    completionHandler(URLSessionAuthChallengeDisposition::PerformDefaultHandling, std::nullopt);
  }
  virtual void didCompleteWithError(URLSession& session, URLSessionTask& task,
                                    const std::optional<foundation::Error>& error) {}
  // A background session has delivered every event of the tasks it was running.
  virtual void didFinishEventsForBackgroundURLSession(URLSession& session) {}
  // The last call a session makes; it lets go of its delegate right after.
  virtual void didBecomeInvalidWithError(URLSession& session, const std::optional<foundation::Error>& error) {}
};

// One transfer. Tasks are made suspended by their session and start with resume().
class URLSessionTask : public std::enable_shared_from_this<URLSessionTask> {
 public:
  enum class Kind { Data, Upload, Download };
  enum class State { Running = 0, Suspended = 1, Canceling = 2, Completed = 3 };
  using DataCompletion =
      std::function<void(std::optional<HTTPURLResponse> response, Data data, std::optional<foundation::Error> error)>;
  using SuccessHeadHandler = std::function<void(const HTTPURLResponse& response)>;

  std::uint64_t taskIdentifier() const { return identifier_; }
  Kind kind() const { return kind_; }
  State state() const;
  const URLRequest& originalRequest() const { return original_; }
  // The request being carried out: differs from the original after a followed redirect.
  URLRequest currentRequest() const;
  // The final response's head once it has arrived.
  std::optional<HTTPURLResponse> response() const;
  std::optional<foundation::Error> error() const;
  const std::shared_ptr<URLSession>& session() const { return session_; }

  // Overrides the session's whole-transfer time-out for this task; set before resume().
  void setTimeoutIntervalForResource(double seconds);
  // For a caller to whom a success status (2xx) is the whole answer; set before resume(). `handler` is
  // told of such a head on the delegate queue as soon as it has come, before any of its body and before
  // the task ends, so that what the answer settles is settled then and not after a body that may never
  // come. The body then has URLSession::kBodySecondsAfterSuccessHead more; one still coming is cut off,
  // the task ending with its response and URLErrorTimedOut. Other heads are told only with the end.
  void setSuccessHeadHandler(SuccessHeadHandler handler);

  void resume();
  // Ends the task with URLErrorCancelled unless it has completed already.
  void cancel();

  // Made by URLSession only.
  struct Private {
    explicit Private() = default;
  };
  URLSessionTask(Private, std::shared_ptr<URLSession> session, Kind kind, URLRequest request);

  // For the transfer engine's thread only: each moves its news onto the delegate queue.
  void setResponse(HTTPURLResponse response);
  // The success head a handler waits for (setSuccessHeadHandler); it goes ahead of any body.
  void tellSuccessHead(HTTPURLResponse response);
  void setCurrentRequest(URLRequest request);
  void deliverData(Data data);
  // As deliverData(), in two halves: pieces are gathered until the engine sends them on, once per round
  // of transfer work, so that a small response and its end usually ride one hop.
  void holdData(Data data);
  void sendHeldData();
  void askRedirect(HTTPURLResponse response, URLRequest newRequest,
                   std::function<void(std::optional<URLRequest>)> decide);
  void askChallenge(URLAuthenticationChallenge challenge, URLChallengeCompletion decide);
  void complete(std::optional<foundation::Error> error, Data body, std::string downloadPath);

 private:
  friend class URLSession;
  friend class CurlEngine;

  const std::uint64_t identifier_;
  const Kind kind_;
  const std::shared_ptr<URLSession> session_;
  const URLRequest original_;

  // Set before resume, read by the engine.
  Data uploadData_;
  std::string uploadFile_;
  bool uploadsFromFile_ = false;
  DataCompletion completion_;
  std::optional<double> resourceTimeout_;
  SuccessHeadHandler successHeadHandler_;  // under mutex_

  // What waits to be told on the delegate queue: body pieces and the end ride one hop together when
  // the delegate queue has not caught up yet, instead of one hop (and one thread wake-up) each.
  struct Ending {
    std::optional<foundation::Error> error;
    Data body;
    std::string downloadPath;
  };
  void flushOutbox();
  std::mutex outboxMutex_;
  std::optional<HTTPURLResponse> untoldSuccessHead_;
  Data unsentData_;
  std::optional<Ending> ending_;
  bool flushQueued_ = false;

  mutable std::mutex mutex_;
  State state_ = State::Suspended;
  URLRequest current_;
  std::optional<HTTPURLResponse> response_;
  std::optional<foundation::Error> error_;
};

// A group of tasks sharing a configuration and a delegate, over libcurl. Transfers run on one worker
// thread of the process; every call-back reaches the delegate on the delegate queue (the main queue
// unless another is given). TLS peers are verified against the system's certificate store.
//
// A session keeps its delegate until it is invalidated; a session that is never invalidated keeps it
// for as long as the session itself lives.
//
// A caller for whom a success status is the answer takes it when its head comes, at any time in a run
// (URLSessionTask::setSuccessHeadHandler): its body, which adds at most a hint, has
// kBodySecondsAfterSuccessHead more. Once the app's end has begun (dispatch::ProcessEnd), no response
// whose head came is kept waiting for its body: the body has kBodySecondsAtEnd more, from its head or
// from the end's start, whichever is later. A body still coming at its bound (a server that stalls or
// trickles) is cut off and the task ends with its response and URLErrorTimedOut, so a caller for whom
// the status is the answer has it in time, and a caller who needs the body (a token) fails as the end
// would have failed it anyway.
class URLSession : public std::enable_shared_from_this<URLSession> {
 public:
  static constexpr double kBodySecondsAtEnd = 1;
  static constexpr double kBodySecondsAfterSuccessHead = 5;

  static std::shared_ptr<URLSession> sessionWithConfiguration(URLSessionConfiguration configuration,
                                                              std::shared_ptr<URLSessionDelegate> delegate = {},
                                                              std::shared_ptr<dispatch::Queue> delegateQueue = {});
  // A process-wide session with the default configuration and no delegate.
  static std::shared_ptr<URLSession> sharedSession();

  // Tasks come back suspended, or as nullptr once the session is invalidated.
  std::shared_ptr<URLSessionTask> dataTaskWithRequest(URLRequest request, URLSessionTask::DataCompletion completion = {});
  std::shared_ptr<URLSessionTask> uploadTaskWithRequestFromData(URLRequest request, Data body,
                                                                URLSessionTask::DataCompletion completion = {});
  std::shared_ptr<URLSessionTask> uploadTaskWithRequestFromFile(URLRequest request, std::string path,
                                                                URLSessionTask::DataCompletion completion = {});
  std::shared_ptr<URLSessionTask> downloadTaskWithRequest(URLRequest request);

  // No new tasks; once the running ones have completed the delegate hears didBecomeInvalidWithError.
  void finishTasksAndInvalidate();
  // As finishTasksAndInvalidate, cancelling the running tasks.
  void invalidateAndCancel();
  bool isInvalidated() const;

  const URLSessionConfiguration& configuration() const { return configuration_; }
  std::shared_ptr<URLSessionDelegate> delegate() const;
  const std::shared_ptr<dispatch::Queue>& delegateQueue() const { return delegateQueue_; }

  // Whether a background session with this identifier exists and has not been invalidated.
  static bool hasLiveBackgroundSession(const std::string& identifier);

  struct Private {
    explicit Private() = default;
  };
  URLSession(Private, URLSessionConfiguration configuration, std::shared_ptr<URLSessionDelegate> delegate,
             std::shared_ptr<dispatch::Queue> delegateQueue);
  ~URLSession();

 private:
  friend class URLSessionTask;

  std::shared_ptr<URLSessionTask> makeTask(URLSessionTask::Kind kind, URLRequest request);
  void taskStarted(const std::shared_ptr<URLSessionTask>& task);
  // On the delegate queue, after a task's last call-back.
  void taskFinished(const std::shared_ptr<URLSessionTask>& task);
  void invalidateIfIdle();
  void finishInvalidation();

  const URLSessionConfiguration configuration_;
  const std::shared_ptr<dispatch::Queue> delegateQueue_;

  mutable std::mutex mutex_;
  std::shared_ptr<URLSessionDelegate> delegate_;
  std::set<std::shared_ptr<URLSessionTask>> running_;
  bool invalidating_ = false;
  bool invalidated_ = false;
  bool registered_ = false;
};

}  // namespace platform::net
