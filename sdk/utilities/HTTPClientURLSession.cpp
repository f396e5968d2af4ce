#include "sdk/utilities/HTTPClientURLSession.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Paths.h"
#include "sdk/utilities/Logger.h"
#include "sdk/utilities/MutableDictionary.h"
#include "sdk/utilities/RandomUUID.h"
#include "sdk/utilities/UtilitiesMessageCodes.h"

namespace sdk::utilities {

using platform::foundation::AtomicFile;
using platform::foundation::Error;
using platform::foundation::Value;
using namespace platform::net;

namespace {

// The mark backup tools on this platform honour; a file system without extended attributes has no
// backup to keep the file out of.
constexpr const char* kExcludeFromBackupAttribute = "user.ostrel.exclude-from-backup";

struct FetcherMap {
  std::mutex mutex;
  std::map<std::string, std::weak_ptr<HTTPClientURLSession>> fetchers;
};
FetcherMap& fetcherMap() {
  static auto* map = new FetcherMap();
  return *map;
}

using SystemHandlers = MutableDictionary<std::string, std::function<void()>>;
// Trust is evaluated one at a time in the process.
std::mutex& trustEvaluationMutex() {
  static std::mutex mutex;
  return mutex;
}

SystemHandlers& systemHandlers() {
  static auto* handlers = new SystemHandlers();
  return *handlers;
}

}  // namespace

Error makeHTTPClientError(std::int64_t code, const std::string& context) {
  Error error{kHTTPClientErrorDomain, code, Value()};
  error.userInfo.set(kHTTPClientErrorContext, context);
  return error;
}

HTTPClientURLSession::HTTPClientURLSession(Private, std::weak_ptr<HTTPClientLoggerDelegate> loggerDelegate)
    : networkDirectory_(platform::foundation::Paths::applicationSupport() + "/VDU/Network/ZURAridireTemporaryDirectory"),
      sessionID_(std::string(kHTTPClientBackgroundSessionPrefix) + "-" + randomUUIDString()),
      loggerDelegate_(std::move(loggerDelegate)) {}

std::shared_ptr<HTTPClientURLSession> HTTPClientURLSession::initWithNetworkLoggerDelegate(
    std::weak_ptr<HTTPClientLoggerDelegate> loggerDelegate) {
  return std::make_shared<HTTPClientURLSession>(Private(), std::move(loggerDelegate));
}

// --- properties ---------------------------------------------------------------------------------

std::string HTTPClientURLSession::sessionID() const {
  std::lock_guard lock(mutex_);
  return sessionID_;
}
void HTTPClientURLSession::setSessionID(std::string sessionID) {
  std::lock_guard lock(mutex_);
  sessionID_ = std::move(sessionID);
}
bool HTTPClientURLSession::isBackgroundNetworkEnabled() const {
  std::lock_guard lock(mutex_);
  return backgroundNetworkEnabled_;
}
void HTTPClientURLSession::setBackgroundNetworkEnabled(bool enabled) {
  std::lock_guard lock(mutex_);
  backgroundNetworkEnabled_ = enabled;
}
std::shared_ptr<HTTPClientLoggerDelegate> HTTPClientURLSession::loggerDelegate() const {
  std::lock_guard lock(mutex_);
  return loggerDelegate_.lock();
}
void HTTPClientURLSession::setLoggerDelegate(std::weak_ptr<HTTPClientLoggerDelegate> delegate) {
  std::lock_guard lock(mutex_);
  loggerDelegate_ = std::move(delegate);
}

std::string HTTPClientURLSession::description() const {
  return platform::foundation::format("<ZURAridireURLSession %p> %@", this, sessionID());
}

void HTTPClientURLSession::log(HTTPClientLogLevel level, std::int64_t code, const std::string& message,
                               std::optional<Value> context) {
  auto delegate = loggerDelegate();
  if (!delegate) return;
  if (context && context->isArray()) {
    delegate->logWithLevel(level, code, message, *context->array());  // several contexts
  } else if (context) {
    delegate->logWithLevel(level, code, message, *context);
  } else {
    delegate->logWithLevel(level, code, message);
  }
}

// --- starting requests --------------------------------------------------------------------------

URLSessionConfiguration HTTPClientURLSession::backgroundSessionConfigWithSessionID(const std::string& sessionID) {
  return URLSessionConfiguration::backgroundSessionConfigurationWithIdentifier(sessionID);
}

void HTTPClientURLSession::setMaximumResponseSize(std::int64_t bytes) {
  std::lock_guard lock(mutex_);
  maximumResponseSize_ = bytes;
}

void HTTPClientURLSession::setSuccessHeadHandler(URLSessionTask::SuccessHeadHandler handler) {
  std::lock_guard lock(mutex_);
  successHeadHandler_ = std::move(handler);
}

void HTTPClientURLSession::populateSessionConfig(URLSessionConfiguration& config, const URLRequest& request) {
  {
    std::lock_guard lock(mutex_);
    config.maximumResponseSize = maximumResponseSize_;
  }
  config.HTTPAdditionalHeaders = request.allHTTPHeaderFields;
  config.timeoutIntervalForRequest = request.timeoutInterval;
  config.timeoutIntervalForResource = request.timeoutInterval;
  config.requestCachePolicy = request.cachePolicy;
}

std::optional<std::string> HTTPClientURLSession::sessionIDFromAsyncPOSTRequest(const URLRequest& request,
                                                                               CompletionHandler handler) {
  std::string id = sessionID();
  std::string upload = temporaryFilePathWithSessionID(id);
  {
    std::lock_guard lock(mutex_);
    uploadingFile_ = upload;
  }
  maybeRemoveTempFilesAtURL(networkDirectory_, kTemporaryFileLifetime);

  URLSessionConfiguration config = URLSessionConfiguration::defaultSessionConfiguration();
  bool fromFile = false;
  if (isBackgroundNetworkEnabled() && ensureTemporaryDirectoryExists()) {
    std::string failure;
    const Data& body = request.httpBody;
    {
      std::lock_guard lock(mutex_);
      uploadFileWritten_ = true;  // or tried: a failed write leaves nothing, but removing costs little
    }
    if (auto written = AtomicFile::writeAtomically(upload, body.data(), body.size(), 0600); written.ok()) {
      (void)excludeFromBackupForURL(upload);  // logs a failure itself; the upload goes ahead
      config = backgroundSessionConfigWithSessionID(id);
      fromFile = true;
    } else {
      log(kHTTPClientLogLevelError, messages::kRequestBodyFileNotWritten, "Failed to write request data to file",
          Value(written.error().localizedDescription()));
    }
  }
  populateSessionConfig(config, request);
  auto session = URLSession::sessionWithConfiguration(config, shared_from_this(), platform::dispatch::Queue::main());
  auto task = fromFile ? session->uploadTaskWithRequestFromFile(request, upload)
                       : session->uploadTaskWithRequestFromData(request, request.httpBody);
  return startTask(request, std::move(session), std::move(task), std::move(handler));
}

std::optional<std::string> HTTPClientURLSession::sessionIDFromAsyncGETRequest(const URLRequest& request,
                                                                              CompletionHandler handler) {
  URLSessionConfiguration config = isBackgroundNetworkEnabled() ? backgroundSessionConfigWithSessionID(sessionID())
                                                                : URLSessionConfiguration::defaultSessionConfiguration();
  populateSessionConfig(config, request);
  auto session = URLSession::sessionWithConfiguration(config, shared_from_this(), platform::dispatch::Queue::main());
  auto task = session->downloadTaskWithRequest(request);
  return startTask(request, std::move(session), std::move(task), std::move(handler));
}

std::optional<std::string> HTTPClientURLSession::startTask(const URLRequest& request, std::shared_ptr<URLSession> session,
                                                           std::shared_ptr<URLSessionTask> task, CompletionHandler handler) {
  if (!session || !task) {
    Error error = makeHTTPClientError(kHTTPClientErrorCodeNoSession, "Cannot create network session");
    if (handler) handler(std::nullopt, std::nullopt, sessionID(), error);
    if (session) session->finishTasksAndInvalidate();
    return std::nullopt;
  }
  std::string id;
  URLSessionTask::SuccessHeadHandler successHead;
  {
    std::lock_guard lock(mutex_);
    session_ = session;
    request_ = request;
    completionHandler_ = std::move(handler);
    successHead = std::move(successHeadHandler_);
    id = sessionID_;
  }
  setSessionInFetcherMap(shared_from_this(), id);
  if (successHead) task->setSuccessHeadHandler(std::move(successHead));
  task->resume();
  return id;
}

// --- session call-backs -------------------------------------------------------------------------

void HTTPClientURLSession::didReceiveData(URLSession&, URLSessionTask&, const Data& data) {
  std::lock_guard lock(mutex_);
  if (!downloadedData_) downloadedData_.emplace();
  downloadedData_->insert(downloadedData_->end(), data.begin(), data.end());
}

void HTTPClientURLSession::didFinishDownloadingToURL(URLSession&, URLSessionTask&, const std::string& location) {
  if (location.empty()) {
    log(kHTTPClientLogLevelError, messages::kDownloadedDataPathEmpty, "Unable to read downloaded data from empty temp path");
    std::lock_guard lock(mutex_);
    downloadedData_.reset();
    return;
  }
  std::int64_t maximum = 0;
  {
    std::lock_guard lock(mutex_);
    maximum = maximumResponseSize_;
  }
  // The session wrote at most that much: a longer file there is not the download.
  auto contents = AtomicFile::readFile(location, static_cast<std::size_t>(std::max<std::int64_t>(maximum, 0)));
  if (!contents.ok()) {
    log(kHTTPClientLogLevelError, messages::kDownloadedDataUnreadable, "Cannot read the content of downloaded data",
        Value(contents.error().localizedDescription()));
  }
  std::lock_guard lock(mutex_);
  downloadedData_ = contents.ok() ? std::optional<Data>(std::move(contents).value()) : std::nullopt;
}

void HTTPClientURLSession::willPerformHTTPRedirection(URLSession&, URLSessionTask&, const HTTPURLResponse& response,
                                                      URLRequest newRequest,
                                                      std::function<void(std::optional<URLRequest>)> handler) {
  // These the client never follows: the redirect response is its answer.
  std::int64_t status = response.statusCode;
  if (status == 300 || status == 301 || status == 302 || status == 307) return handler(std::nullopt);
  handler(std::move(newRequest));
}

void HTTPClientURLSession::didReceiveChallenge(URLSession&, URLSessionTask&, const URLAuthenticationChallenge& challenge,
                                               URLChallengeCompletion handler) {
  using Disposition = URLSessionAuthChallengeDisposition;
  const URLProtectionSpace& space = challenge.protectionSpace;
  if (space.authenticationMethod != kURLAuthenticationMethodServerTrust) {
    return handler(Disposition::PerformDefaultHandling, std::nullopt);
  }
  std::string url;
  {
    std::lock_guard lock(mutex_);
    url = request_.url;
  }
  if (!space.serverTrust) {
    log(kHTTPClientLogLevelDebug, messages::kServerTrustEmpty, "Received empty server trust for host. Host", Value(url));
    return handler(Disposition::PerformDefaultHandling, std::nullopt);
  }
  auto credential = URLCredential::credentialForTrust(space.serverTrust);
  if (!credential) {
    log(kHTTPClientLogLevelWarning, messages::kServerIdentityUnverified, "Unable to verify server identity. Host", Value(url));
    return handler(Disposition::CancelAuthenticationChallenge, std::nullopt);
  }
  log(kHTTPClientLogLevelDebug, messages::kSslChallengeReceived, "Received SSL challenge for host. Host", Value(url));
  auto self = shared_from_this();
  platform::dispatch::Queue::global()->async([self, credential, handler = std::move(handler), url] {
    bool trusted = false;
    {
      std::lock_guard lock(trustEvaluationMutex());
      int status = 0;
      ServerTrust::Result result = credential->trust->evaluate(&status);
      if (status != 0) {
        self->log(kHTTPClientLogLevelError, messages::kServerTrustNotEvaluated, "Cannot evaluate server trust. Error, host",
                  Value(platform::foundation::Array{Value(status), Value(url)}));
      } else {
        trusted = result == ServerTrust::Result::Unspecified || result == ServerTrust::Result::Proceed;
      }
    }
    if (trusted) return handler(Disposition::UseCredential, credential);
    self->log(kHTTPClientLogLevelDebug, messages::kAuthenticationChallengeCancelled, "Cancelling authentication challenge for host. Host", Value(url));
    handler(Disposition::CancelAuthenticationChallenge, std::nullopt);
  });
}

void HTTPClientURLSession::didCompleteWithError(URLSession& session, URLSessionTask& task,
                                                const std::optional<Error>& error) {
  CompletionHandler handler;
  std::optional<Data> data;
  std::string upload;
  {
    std::lock_guard lock(mutex_);
    handler = std::move(completionHandler_);
    completionHandler_ = nullptr;
    data = downloadedData_;
    // A request sent from memory wrote no file: nothing to remove, so no trip to the file system.
    if (uploadFileWritten_) upload = uploadingFile_;
  }
  std::optional<HTTPURLResponse> response = task.response();
  // A transfer that failed after its head arrived (a reset, a body cut short, one too large) still
  // failed: the caller gets the error beside the response, never a partial body passed off as whole.
  std::optional<Error> passed = error;
  if (!response && !error) {
    passed = makeHTTPClientError(kHTTPClientErrorCodeEmptyResponse, "Network Error: Empty network response");
  }
  callCompletionHandler(std::move(handler), std::move(response), std::move(data), std::move(passed));
  removeTempItemAtURL(upload);
  maybeRemoveTempFilesAtURL(networkDirectory_, kTemporaryFileLifetime);
  session.finishTasksAndInvalidate();
  if (session.configuration().background) {
    const std::string& identifier = session.configuration().identifier;
    std::lock_guard lock(fetcherMap().mutex);
    auto found = fetcherMap().fetchers.find(identifier);
    if (found != fetcherMap().fetchers.end() && found->second.lock().get() == this) fetcherMap().fetchers.erase(found);
  }
}

void HTTPClientURLSession::callCompletionHandler(CompletionHandler handler, std::optional<HTTPURLResponse> response,
                                                 std::optional<Data> data, std::optional<Error> error) {
  if (error) {
    log(kHTTPClientLogLevelError, messages::kNetworkError, "Encounter network error. Code, error",
        Value(platform::foundation::Array{Value(error->code), Value(error->description())}));
  }
  if (!handler) return;
  platform::dispatch::Queue::main()->async([handler = std::move(handler), response = std::move(response),
                                            data = std::move(data), id = sessionID(), error = std::move(error)] {
    handler(response, data, id, error);
  });
}

void HTTPClientURLSession::didFinishEventsForBackgroundURLSession(URLSession& session) {
  const std::string& identifier = session.configuration().identifier;
  log(kHTTPClientLogLevelDebug, messages::kBackgroundSessionFinished, "Background session finished", Value(identifier));
  callSystemCompletionHandler(identifier);
}

// --- background events --------------------------------------------------------------------------

void HTTPClientURLSession::handleEventsForBackgroundURLSessionID(const std::string& identifier,
                                                                 std::function<void()> systemCompletionHandler) {
  if (!identifier.starts_with(kHTTPClientBackgroundSessionPrefix)) return;
  auto fetcher = fetcherWithSessionIdentifier(identifier);
  if (!fetcher) {
    logError("[ZURAridire]", false, messages::kBackgroundSessionNotFoundAfterRelaunch,
                "Failed to retrieve background session with ID %@ after app is relaunched.", identifier);
    return;
  }
  fetcher->addSystemCompletionHandler(std::move(systemCompletionHandler), identifier);
}

void HTTPClientURLSession::addSystemCompletionHandler(std::function<void()> handler, const std::string& identifier) {
  if (!handler) return log(kHTTPClientLogLevelError, messages::kSystemCompletionHandlerNil, "Cannot store nil system completion handler in network");
  if (identifier.empty()) {
    return log(kHTTPClientLogLevelError, messages::kSystemCompletionHandlerWithoutSessionID,
               "Cannot store system completion handler with empty network session identifier");
  }
  if (!URLSession::hasLiveBackgroundSession(identifier)) {
    // Nothing will ever report this session finished; the system still waits to hear back.
    platform::dispatch::Queue::main()->async(std::move(handler));
    return;
  }
  if (systemHandlers().objectForKey(identifier)) {
    log(kHTTPClientLogLevelWarning, messages::kSystemCompletionHandlerRepeated, "Got multiple system handlers for a single session ID", Value(identifier));
  }
  systemHandlers().setObject(std::move(handler), identifier);
}

void HTTPClientURLSession::callSystemCompletionHandler(const std::string& identifier) {
  auto handler = systemHandlers().objectForKey(identifier);
  systemHandlers().removeObjectForKey(identifier);
  if (handler) platform::dispatch::Queue::main()->async(std::move(handler));
}

// --- fetcher map --------------------------------------------------------------------------------

std::shared_ptr<HTTPClientURLSession> HTTPClientURLSession::fetcherWithSessionIdentifier(const std::string& identifier) {
  auto fetcher = sessionFromFetcherMapForSessionID(identifier);
  if (!fetcher && identifier.starts_with(kHTTPClientBackgroundSessionPrefix)) {
    fetcher = initWithNetworkLoggerDelegate({});
    fetcher->setSessionID(identifier);
    setSessionInFetcherMap(fetcher, identifier);
  }
  return fetcher;
}

void HTTPClientURLSession::setSessionInFetcherMap(const std::shared_ptr<HTTPClientURLSession>& fetcher,
                                                  const std::string& sessionID) {
  std::shared_ptr<HTTPClientURLSession> discarded;
  {
    std::lock_guard lock(fetcherMap().mutex);
    auto& fetchers = fetcherMap().fetchers;
    auto found = fetchers.find(sessionID);
    if (found != fetchers.end()) discarded = found->second.lock();
    if (fetcher) {
      fetchers[sessionID] = fetcher;
    } else {
      fetchers.erase(sessionID);
    }
  }
  if (!discarded || discarded == fetcher) return;
  if (fetcher) {
    discarded->log(kHTTPClientLogLevelInfo, messages::kSessionDiscarded,
                   platform::foundation::format("Discarding session: %@", discarded->description()));
  }
  std::shared_ptr<URLSession> oldSession;
  {
    std::lock_guard lock(discarded->mutex_);
    oldSession = discarded->session_.lock();
  }
  if (oldSession) oldSession->finishTasksAndInvalidate();
}

std::shared_ptr<HTTPClientURLSession> HTTPClientURLSession::sessionFromFetcherMapForSessionID(const std::string& sessionID) {
  std::lock_guard lock(fetcherMap().mutex);
  auto found = fetcherMap().fetchers.find(sessionID);
  return found == fetcherMap().fetchers.end() ? nullptr : found->second.lock();
}

// --- temporary files ----------------------------------------------------------------------------

std::string HTTPClientURLSession::temporaryFilePathWithSessionID(const std::string& sessionID) const {
  return networkDirectory_ + "/" + platform::foundation::format("VDUUpload_temp_%@", sessionID);
}

bool HTTPClientURLSession::ensureTemporaryDirectoryExists() {
  struct stat info {};
  int found = ::stat(networkDirectory_.c_str(), &info);
  if (found == 0 && S_ISDIR(info.st_mode)) return true;
  // Something that is not a folder in its place is as much an access problem as a refused stat.
  int reason = found == 0 ? ENOTDIR : errno;
  if (reason != ENOENT) {
    log(kHTTPClientLogLevelWarning, messages::kNetworkTemporaryFolderUnreachable, "Error while trying to access Network temp folder. Error",
        Value(std::string(std::strerror(reason))));
  }
  if (auto made = AtomicFile::createDirectories(networkDirectory_); !made.ok()) {
    log(kHTTPClientLogLevelError, messages::kNetworkTemporaryFolderNotCreated, "Cannot create temporary directory. Error",
        Value(made.error().localizedDescription()));
    return false;
  }
  (void)excludeFromBackupForURL(networkDirectory_);  // logs a failure itself; the folder is usable
  return true;
}

bool HTTPClientURLSession::excludeFromBackupForURL(const std::string& path) {
  if (path.empty()) return false;
  if (::setxattr(path.c_str(), kExcludeFromBackupAttribute, "1", 1, 0) == 0 || errno == ENOTSUP) return true;
  log(kHTTPClientLogLevelError, messages::kNetworkTemporaryFolderBackupNotExcluded, "Cannot exclude temporary folder from iTunes backup");
  return false;
}

namespace {

double secondsOf(const timespec& time) { return static_cast<double>(time.tv_sec) + time.tv_nsec / 1e9; }

// What the last sweep of a folder found: when the folder last changed, and the earliest moment a file
// it kept can turn stale. Until either moves, another sweep can remove nothing, and a request is spared
// listing the folder twice. A memo older than ten minutes is not trusted (a change inside one
// time-stamp tick of the sweep leaves the folder's time as it was).
struct SweepMemo {
  timespec folderChanged{};
  double sweptAt = 0;          // wall seconds
  double sweptAtSteady = 0;    // monotonic seconds
  double expiringTime = 0;
  double nextExpiry = 0;       // wall seconds
};
constexpr double kSweepMemoLifetime = 600;

std::mutex& sweepMemoMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<std::string, SweepMemo>& sweepMemos() {
  static auto* memos = new std::map<std::string, SweepMemo>();
  return *memos;
}

}  // namespace

void HTTPClientURLSession::maybeRemoveTempFilesAtURL(const std::string& directory, double expiringTime) {
  if (directory.empty()) return;
  struct stat folder {};
  if (::stat(directory.c_str(), &folder) != 0) {
    if (errno != ENOENT) {
      log(kHTTPClientLogLevelDebug, messages::kNetworkTemporaryFolderUnlisted, "Cannot get files from the temporary network folder. Error",
          Value(std::string(std::strerror(errno))));
    }
    return;
  }
  // Files are dated by the system's clock, which the app's own may run ahead of or behind: a body just
  // written must not look an hour old, nor one left an hour ago look new.
  auto clock = platform::foundation::Clock::forSystemTimes();
  const double now = clock->now(), steady = clock->monotonic();
  {
    std::lock_guard lock(sweepMemoMutex());
    auto found = sweepMemos().find(directory);
    if (found != sweepMemos().end()) {
      const SweepMemo& memo = found->second;
      bool unchanged = memo.folderChanged.tv_sec == folder.st_mtim.tv_sec && memo.folderChanged.tv_nsec == folder.st_mtim.tv_nsec;
      // The wall clock set back can make kept files look dated in the future: sweep again then.
      if (unchanged && memo.expiringTime == expiringTime && now >= memo.sweptAt && now < memo.nextExpiry &&
          steady - memo.sweptAtSteady < kSweepMemoLifetime) {
        return;
      }
    }
  }
  DIR* listing = ::opendir(directory.c_str());
  if (!listing) {
    if (errno != ENOENT) {
      log(kHTTPClientLogLevelDebug, messages::kNetworkTemporaryFolderUnlisted, "Cannot get files from the temporary network folder. Error",
          Value(std::string(std::strerror(errno))));
    }
    return;
  }
  double nextExpiry = std::numeric_limits<double>::infinity();
  while (dirent* entry = ::readdir(listing)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    std::string path = directory + "/" + entry->d_name;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    double created = secondsOf(info.st_mtim);
    // Hidden files are not this sweep's to judge (the cut-off temporaries below are), but when they
    // may turn stale counts all the same.
    bool hidden = entry->d_name[0] == '.';
    // A file dated after now was not written by a request of this run: stale as much as an old one.
    if (!hidden && (created > now || now - created > expiringTime)) {
      removeTempItemAtURL(path);
    } else {
      nextExpiry = std::min(nextExpiry, created + expiringTime);
    }
  }
  ::closedir(listing);
  // Bodies whose atomic write was cut off (the process killed mid-write) left a hidden temporary.
  AtomicFile::removeStaleTemporaries(directory, expiringTime);
  if (::stat(directory.c_str(), &folder) != 0) return;
  std::lock_guard lock(sweepMemoMutex());
  sweepMemos()[directory] = SweepMemo{folder.st_mtim, now, steady, expiringTime, nextExpiry};
}

void HTTPClientURLSession::removeTempItemAtURL(const std::string& path) {
  if (path.empty()) return;
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    log(kHTTPClientLogLevelError, messages::kUploadDataFileNotRemoved, "Failed to remove temporary uploading data file. Error",
        Value(std::string(std::strerror(errno))));
  }
}

}  // namespace sdk::utilities

