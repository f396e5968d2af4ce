#include "platform/net/URLSession.h"

#include <unistd.h>

#include <map>

#include "platform/net/CurlEngine.h"

namespace platform::net {
namespace {

std::atomic<std::uint64_t> nextTaskIdentifier{1};

// Background sessions alive under each identifier (a count, in case two share one).
std::mutex& backgroundMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<std::string, int>& backgroundSessions() {
  static auto* sessions = new std::map<std::string, int>();
  return *sessions;
}

void forgetBackgroundSession(const std::string& identifier) {
  std::lock_guard lock(backgroundMutex());
  if (--backgroundSessions()[identifier] <= 0) backgroundSessions().erase(identifier);
}

}  // namespace

// --- configuration ------------------------------------------------------------------------------

URLSessionConfiguration URLSessionConfiguration::defaultSessionConfiguration() { return {}; }

URLSessionConfiguration URLSessionConfiguration::backgroundSessionConfigurationWithIdentifier(std::string identifier) {
  URLSessionConfiguration config;
  config.identifier = std::move(identifier);
  config.background = true;
  return config;
}

// --- task ---------------------------------------------------------------------------------------

URLSessionTask::URLSessionTask(Private, std::shared_ptr<URLSession> session, Kind kind, URLRequest request)
    : identifier_(nextTaskIdentifier++), kind_(kind), session_(std::move(session)), original_(request),
      current_(std::move(request)) {}

URLSessionTask::State URLSessionTask::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

URLRequest URLSessionTask::currentRequest() const {
  std::lock_guard lock(mutex_);
  return current_;
}

std::optional<HTTPURLResponse> URLSessionTask::response() const {
  std::lock_guard lock(mutex_);
  return response_;
}

std::optional<foundation::Error> URLSessionTask::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

void URLSessionTask::setTimeoutIntervalForResource(double seconds) {
  std::lock_guard lock(mutex_);
  if (state_ == State::Suspended) resourceTimeout_ = seconds;
}

void URLSessionTask::setSuccessHeadHandler(SuccessHeadHandler handler) {
  std::lock_guard lock(mutex_);
  if (state_ == State::Suspended) successHeadHandler_ = std::move(handler);
}

void URLSessionTask::resume() {
  {
    std::lock_guard lock(mutex_);
    if (state_ != State::Suspended) return;
    state_ = State::Running;
  }
  session_->taskStarted(shared_from_this());
  CurlEngine::shared().start(shared_from_this());
}

void URLSessionTask::cancel() {
  bool started;
  {
    std::lock_guard lock(mutex_);
    if (state_ == State::Completed || state_ == State::Canceling) return;
    started = state_ == State::Running;
    state_ = State::Canceling;
  }
  if (started) {
    CurlEngine::shared().cancel(identifier_);
  } else {
    // Never resumed: it still reports its end, as a cancelled transfer.
    session_->taskStarted(shared_from_this());
    complete(makeURLError(URLErrorCancelled, "cancelled", original_.url), {}, {});
  }
}

void URLSessionTask::setResponse(HTTPURLResponse response) {
  std::lock_guard lock(mutex_);
  response_ = std::move(response);
}

void URLSessionTask::tellSuccessHead(HTTPURLResponse response) {
  {
    std::lock_guard lock(outboxMutex_);
    untoldSuccessHead_ = std::move(response);
    if (flushQueued_) return;
    flushQueued_ = true;
  }
  session_->delegateQueue()->async([task = shared_from_this()] { task->flushOutbox(); });
}

void URLSessionTask::setCurrentRequest(URLRequest request) {
  std::lock_guard lock(mutex_);
  current_ = std::move(request);
}

void URLSessionTask::deliverData(Data data) {
  holdData(std::move(data));
  sendHeldData();
}

void URLSessionTask::holdData(Data data) {
  std::lock_guard lock(outboxMutex_);
  unsentData_.insert(unsentData_.end(), data.begin(), data.end());
}

void URLSessionTask::sendHeldData() {
  {
    std::lock_guard lock(outboxMutex_);
    if (flushQueued_ || unsentData_.empty()) return;
    flushQueued_ = true;
  }
  session_->delegateQueue()->async([task = shared_from_this()] { task->flushOutbox(); });
}

void URLSessionTask::askRedirect(HTTPURLResponse response, URLRequest newRequest,
                                 std::function<void(std::optional<URLRequest>)> decide) {
  session_->delegateQueue()->async([task = shared_from_this(), response = std::move(response),
                                    newRequest = std::move(newRequest), decide = std::move(decide)]() mutable {
    auto delegate = task->session_->delegate();
    if (!delegate) return decide(std::move(newRequest));
    delegate->willPerformHTTPRedirection(*task->session_, *task, response, std::move(newRequest), std::move(decide));
  });
}

void URLSessionTask::askChallenge(URLAuthenticationChallenge challenge, URLChallengeCompletion decide) {
  session_->delegateQueue()->async([task = shared_from_this(), challenge = std::move(challenge),
                                    decide = std::move(decide)]() mutable {
    auto delegate = task->session_->delegate();
    if (!delegate) return decide(URLSessionAuthChallengeDisposition::PerformDefaultHandling, std::nullopt);
    delegate->didReceiveChallenge(*task->session_, *task, challenge, std::move(decide));
  });
}

void URLSessionTask::complete(std::optional<foundation::Error> error, Data body, std::string downloadPath) {
  {
    std::lock_guard lock(mutex_);
    state_ = State::Completed;
    error_ = error;
  }
  {
    std::lock_guard lock(outboxMutex_);
    ending_ = Ending{std::move(error), std::move(body), std::move(downloadPath)};
    if (flushQueued_) return;
    flushQueued_ = true;
  }
  session_->delegateQueue()->async([task = shared_from_this()] { task->flushOutbox(); });
}

// On the delegate queue: a success head awaited, the body that arrived since the last hop, then the end
// if it has come.
void URLSessionTask::flushOutbox() {
  std::optional<HTTPURLResponse> head;
  Data data;
  std::optional<Ending> ending;
  {
    std::lock_guard lock(outboxMutex_);
    head.swap(untoldSuccessHead_);
    data.swap(unsentData_);
    ending.swap(ending_);
    flushQueued_ = false;
  }
  if (head) {
    SuccessHeadHandler handler;
    {
      std::lock_guard lock(mutex_);
      handler.swap(successHeadHandler_);
    }
    if (handler) handler(*head);
  }
  URLSession& session = *session_;
  auto delegate = session.delegate();
  if (!data.empty() && delegate) delegate->didReceiveData(session, *this, data);
  if (!ending) return;
  if (!ending->downloadPath.empty()) {
    if (delegate) delegate->didFinishDownloadingToURL(session, *this, ending->downloadPath);
    ::unlink(ending->downloadPath.c_str());
  }
  if (completion_) {
    auto completion = std::move(completion_);
    completion_ = nullptr;
    completion(response(), std::move(ending->body), std::move(ending->error));
  } else if (delegate) {
    delegate->didCompleteWithError(session, *this, ending->error);
  }
  session.taskFinished(shared_from_this());
}

// --- session ------------------------------------------------------------------------------------

URLSession::URLSession(Private, URLSessionConfiguration configuration, std::shared_ptr<URLSessionDelegate> delegate,
                       std::shared_ptr<dispatch::Queue> delegateQueue)
    : configuration_(std::move(configuration)),
      delegateQueue_(delegateQueue ? std::move(delegateQueue) : dispatch::Queue::main()),
      delegate_(std::move(delegate)) {
  if (configuration_.background) {
    std::lock_guard lock(backgroundMutex());
    ++backgroundSessions()[configuration_.identifier];
    registered_ = true;
  }
}

URLSession::~URLSession() {
  if (registered_) forgetBackgroundSession(configuration_.identifier);
}

std::shared_ptr<URLSession> URLSession::sessionWithConfiguration(URLSessionConfiguration configuration,
                                                                 std::shared_ptr<URLSessionDelegate> delegate,
                                                                 std::shared_ptr<dispatch::Queue> delegateQueue) {
  return std::make_shared<URLSession>(Private(), std::move(configuration), std::move(delegate), std::move(delegateQueue));
}

std::shared_ptr<URLSession> URLSession::sharedSession() {
  static auto* session = new std::shared_ptr<URLSession>(
      sessionWithConfiguration(URLSessionConfiguration::defaultSessionConfiguration()));
  return *session;
}

bool URLSession::hasLiveBackgroundSession(const std::string& identifier) {
  std::lock_guard lock(backgroundMutex());
  return backgroundSessions().contains(identifier);
}

std::shared_ptr<URLSessionDelegate> URLSession::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_;
}

bool URLSession::isInvalidated() const {
  std::lock_guard lock(mutex_);
  return invalidating_;
}

std::shared_ptr<URLSessionTask> URLSession::makeTask(URLSessionTask::Kind kind, URLRequest request) {
  if (isInvalidated()) return nullptr;
  return std::make_shared<URLSessionTask>(URLSessionTask::Private(), shared_from_this(), kind, std::move(request));
}

std::shared_ptr<URLSessionTask> URLSession::dataTaskWithRequest(URLRequest request, URLSessionTask::DataCompletion completion) {
  auto task = makeTask(URLSessionTask::Kind::Data, std::move(request));
  if (task) task->completion_ = std::move(completion);
  return task;
}

std::shared_ptr<URLSessionTask> URLSession::uploadTaskWithRequestFromData(URLRequest request, Data body,
                                                                          URLSessionTask::DataCompletion completion) {
  auto task = makeTask(URLSessionTask::Kind::Upload, std::move(request));
  if (task) {
    task->uploadData_ = std::move(body);
    task->completion_ = std::move(completion);
  }
  return task;
}

std::shared_ptr<URLSessionTask> URLSession::uploadTaskWithRequestFromFile(URLRequest request, std::string path,
                                                                          URLSessionTask::DataCompletion completion) {
  auto task = makeTask(URLSessionTask::Kind::Upload, std::move(request));
  if (task) {
    task->uploadFile_ = std::move(path);
    task->uploadsFromFile_ = true;
    task->completion_ = std::move(completion);
  }
  return task;
}

std::shared_ptr<URLSessionTask> URLSession::downloadTaskWithRequest(URLRequest request) {
  return makeTask(URLSessionTask::Kind::Download, std::move(request));
}

void URLSession::taskStarted(const std::shared_ptr<URLSessionTask>& task) {
  std::lock_guard lock(mutex_);
  running_.insert(task);
}

void URLSession::taskFinished(const std::shared_ptr<URLSessionTask>& task) {
  bool idle;
  std::shared_ptr<URLSessionDelegate> delegate;
  {
    std::lock_guard lock(mutex_);
    running_.erase(task);
    idle = running_.empty();
    delegate = delegate_;
  }
  if (idle && configuration_.background && delegate) delegate->didFinishEventsForBackgroundURLSession(*this);
  if (idle) invalidateIfIdle();
}

void URLSession::finishTasksAndInvalidate() {
  {
    std::lock_guard lock(mutex_);
    if (invalidating_) return;
    invalidating_ = true;
    if (!running_.empty()) return;  // the last task to finish completes the invalidation
  }
  delegateQueue_->async([self = shared_from_this()] { self->invalidateIfIdle(); });
}

void URLSession::invalidateAndCancel() {
  std::set<std::shared_ptr<URLSessionTask>> running;
  {
    std::lock_guard lock(mutex_);
    running = running_;
  }
  finishTasksAndInvalidate();
  for (const auto& task : running) task->cancel();
}

void URLSession::invalidateIfIdle() {
  {
    std::lock_guard lock(mutex_);
    if (!invalidating_ || invalidated_ || !running_.empty()) return;
    invalidated_ = true;
  }
  finishInvalidation();
}

void URLSession::finishInvalidation() {
  std::shared_ptr<URLSessionDelegate> delegate;
  {
    std::lock_guard lock(mutex_);
    delegate = std::move(delegate_);
    delegate_ = nullptr;
  }
  if (registered_) {
    forgetBackgroundSession(configuration_.identifier);
    registered_ = false;
  }
  if (delegate) delegate->didBecomeInvalidWithError(*this, std::nullopt);
}

}  // namespace platform::net
