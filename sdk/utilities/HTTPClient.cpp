#include "sdk/utilities/HTTPClient.h"

#include <cctype>

#include "platform/foundation/Format.h"
#include "platform/log/Log.h"
#include "sdk/utilities/Gzip.h"
#include "sdk/utilities/Logger.h"
#include "sdk/utilities/UtilitiesMessageCodes.h"

namespace sdk::utilities {

using platform::foundation::Array;
using platform::foundation::Error;
using platform::foundation::Value;
using platform::net::HTTPURLResponse;
using platform::net::URLRequest;

namespace {

// The service name log readers know the HTTP client's lines by.
constexpr const char* kLogService = "[ZURAridire]";

// A URL the platform can be handed: a scheme, a colon, and no white space or control characters.
bool isUsableURL(const std::string& url) {
  auto colon = url.find(':');
  if (url.empty() || colon == 0 || colon == std::string::npos || colon + 1 == url.size()) return false;
  if (!std::isalpha(static_cast<unsigned char>(url[0]))) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    char c = url[i];
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
  }
  for (unsigned char c : url) {
    if (c <= 0x20 || c == 0x7f) return false;
  }
  return true;
}

const char* levelName(HTTPClientLogLevel level) {
  switch (level) {
    case kHTTPClientLogLevelError:
      return "ERROR";
    case kHTTPClientLogLevelWarning:
      return "WARNING";
    case kHTTPClientLogLevelInfo:
      return "INFO";
    case kHTTPClientLogLevelDebug:
      return "DEBUG";
  }
  return "(null)";
}

}  // namespace

HTTPClient::HTTPClient(Private) {}

std::shared_ptr<HTTPClient> HTTPClient::init() { return initWithReachabilityHost(kDefaultReachabilityHost); }

std::shared_ptr<HTTPClient> HTTPClient::initWithReachabilityHost(const std::string& host) {
  auto client = std::make_shared<HTTPClient>(Private());
  client->reachability_ = ReachabilityChecker::initWithReachabilityDelegate(client, host);
  if (!client->reachability_ || !client->reachability_->start()) return nullptr;
  return client;
}

HTTPClient::~HTTPClient() {
  if (!reachability_) return;
  reachability_->setReachabilityDelegate({});
  reachability_->stop();
}

// --- requests -----------------------------------------------------------------------------------

std::optional<URLRequest> HTTPClient::makeRequest(const std::string& url, QueuePtr queue, const CompletionHandler& handler) {
  if (!isUsableURL(url)) {
    handleErrorWithCode(kHTTPClientErrorCodeInvalidURL, std::move(queue), handler);
    return std::nullopt;
  }
  return URLRequest(url, platform::net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData, timeoutInterval());
}

std::optional<std::string> HTTPClient::postURL(const std::string& url, const Data& payload, QueuePtr queue,
                                               bool usingBackgroundSession, CompletionHandler handler,
                                               SuccessHeadHandler successHead) {
  auto request = makeRequest(url, queue, handler);
  if (!request) return std::nullopt;
  auto compressed = Gzip::dataByGzippingData(payload);
  if (!compressed.ok()) {
    handleErrorWithCode(kHTTPClientErrorCodeCompressionFailed, std::move(queue), std::move(handler));
    return std::nullopt;
  }
  Data body = std::move(compressed).value();
  request->setValue(std::to_string(body.size()), "Content-Length");
  request->setValue("application/x-www-form-urlencoded", "Content-Type");
  request->setValue("gzip", "Content-Encoding");
  request->httpMethod = "POST";
  request->httpBody = std::move(body);
  return start(std::move(*request), true, std::move(queue), usingBackgroundSession, std::move(handler),
               std::move(successHead));
}

std::optional<std::string> HTTPClient::getURL(const std::string& url, const std::map<std::string, std::string>& headers,
                                              QueuePtr queue, bool usingBackgroundSession, CompletionHandler handler) {
  auto request = makeRequest(url, queue, handler);
  if (!request) return std::nullopt;
  request->httpMethod = "GET";
  request->allHTTPHeaderFields = {};
  for (const auto& [name, value] : headers) request->setValue(value, name);
  return start(std::move(*request), false, std::move(queue), usingBackgroundSession, std::move(handler));
}

std::optional<std::string> HTTPClient::start(URLRequest request, bool post, QueuePtr queue, bool usingBackgroundSession,
                                             CompletionHandler handler, SuccessHeadHandler successHead) {
  auto fetcher = HTTPClientURLSession::initWithNetworkLoggerDelegate(weak_from_this());
  fetcher->setBackgroundNetworkEnabled(usingBackgroundSession);
  fetcher->setMaximumResponseSize(maximumResponseSize_);
  std::string id = fetcher->sessionID();
  // Entered before the request starts: a completion that comes quickly must find the entry to remove.
  requests_.setObject(fetcher, id);
  std::weak_ptr<HTTPClient> weak = weak_from_this();
  QueuePtr target = queue ? std::move(queue) : platform::dispatch::Queue::main();
  if (successHead) {
    // On the queue the completion takes after it, so the two are heard in the order they came.
    fetcher->setSuccessHeadHandler([target, successHead = std::move(successHead)](const HTTPURLResponse& response) {
      target->async([successHead, response] { successHead(response); });
    });
  }
  auto completion = [weak, target, handler](std::optional<HTTPURLResponse> response, std::optional<Data> data,
                                            const std::string& sessionID, std::optional<Error> error) {
    auto self = weak.lock();
    if (!self) return;
    target->async([self, handler, response = std::move(response), data = std::move(data), sessionID,
                   error = std::move(error)] {
      if (!sessionID.empty()) self->requests_.removeObjectForKey(sessionID);
      if (handler) handler(response, data, error);
    });
  };
  std::string url = request.url;
  auto returned = post ? fetcher->sessionIDFromAsyncPOSTRequest(request, std::move(completion))
                       : fetcher->sessionIDFromAsyncGETRequest(request, std::move(completion));
  if (!returned) {
    // The fetcher has already told the handler why; telling it a second time would complete it twice.
    requests_.removeObjectForKey(id);
    return std::nullopt;
  }
  if (post) {
    logWithLevel(kHTTPClientLogLevelDebug, messages::kUploadingData, "Uploading data. Host", Value(url));
  } else {
    logWithLevel(kHTTPClientLogLevelDebug, messages::kDownloadingData, "Downloading data. Host", Value(url));
  }
  return returned;
}

void HTTPClient::handleErrorWithCode(std::int64_t code, QueuePtr queue, CompletionHandler handler) {
  Error error = makeHTTPClientError(code, "Failed to create network request");
  logWithLevel(kHTTPClientLogLevelWarning, messages::kNetworkRequestNotCreated, "Failed to create network request. Code, error",
                          Array{Value(code), Value(error.description())});
  if (!handler) return;
  QueuePtr target = queue ? std::move(queue) : platform::dispatch::Queue::main();
  target->async([handler = std::move(handler), error] { handler(std::nullopt, std::nullopt, error); });
}

void HTTPClient::handleEventsForBackgroundURLSessionID(const std::string& identifier,
                                                       std::function<void()> systemCompletionHandler) {
  HTTPClientURLSession::handleEventsForBackgroundURLSessionID(identifier, std::move(systemCompletionHandler));
}

// --- properties ---------------------------------------------------------------------------------

bool HTTPClient::hasUploadInProgress() const { return requests_.count() > 0; }

double HTTPClient::timeoutInterval() const {
  double seconds = timeoutInterval_;
  // Zero, negatives and NaN all mean the default; the transfer layer has no use for any of them.
  return seconds > 0 ? seconds : kDefaultTimeoutInterval;
}

void HTTPClient::setTimeoutInterval(double seconds) { timeoutInterval_ = seconds; }

std::shared_ptr<HTTPClientReachabilityDelegate> HTTPClient::reachabilityDelegate() const {
  std::lock_guard lock(mutex_);
  return reachabilityDelegate_.lock();
}

void HTTPClient::setReachabilityDelegate(std::weak_ptr<HTTPClientReachabilityDelegate> delegate) {
  std::lock_guard lock(mutex_);
  reachabilityDelegate_ = std::move(delegate);
}

std::shared_ptr<HTTPClientLoggerDelegate> HTTPClient::loggerDelegate() const {
  std::lock_guard lock(mutex_);
  return loggerDelegate_.lock();
}

void HTTPClient::setLoggerDelegate(const std::shared_ptr<HTTPClientLoggerDelegate>& delegate) {
  if (!delegate) {
    logError(kLogService, false, messages::kLoggerDelegateRefused,
                "Cannot set the network logger delegate: delegate does not conform to the network logger protocol.");
    return;
  }
  std::lock_guard lock(mutex_);
  loggerDelegate_ = delegate;
}

void HTTPClient::reachability(ReachabilityChecker&, ReachabilityStatus status) {
  networkConnected_ = status == kReachabilityViaWifi || status == kReachabilityViaCellular;
  if (auto delegate = reachabilityDelegate()) delegate->reachabilityDidChange();
}

// --- logging ------------------------------------------------------------------------------------

void HTTPClient::logWithLevel(HTTPClientLogLevel level, std::int64_t code, const std::string& message,
                                         const Array& contexts) {
  if (auto delegate = loggerDelegate()) return delegate->logWithLevel(level, code, message, contexts);
  bool shown = level == kHTTPClientLogLevelError || level == kHTTPClientLogLevelWarning || level == kHTTPClientLogLevelInfo;
  if (!shown && !debugMode_) return;
  std::string text = message.empty() ? "(Message was empty)" : message;
  std::string line = platform::foundation::format("<%@/%@> %@", "Vadeze/Utilities/Network", levelName(level), text);
  if (!contexts.empty()) {
    line += ": ";
    for (std::size_t i = 0; i < contexts.size(); ++i) {
      if (i > 0) line += ", ";
      const Value& context = contexts[i];
      line += (context.isNil() || context.isNull()) ? "(nil)" : context.description();
    }
  }
  platform::log::write(level, line);
  logBasic(level, kLogService, false, platform::foundation::format("I-NET%06ld", code), line);
}

void HTTPClient::logWithLevel(HTTPClientLogLevel level, std::int64_t code, const std::string& message,
                                         const Value& context) {
  if (auto delegate = loggerDelegate()) return delegate->logWithLevel(level, code, message, context);
  logWithLevel(level, code, message, Array{context});
}

void HTTPClient::logWithLevel(HTTPClientLogLevel level, std::int64_t code, const std::string& message) {
  if (auto delegate = loggerDelegate()) return delegate->logWithLevel(level, code, message);
  logWithLevel(level, code, message, Array{});
}

}  // namespace sdk::utilities

