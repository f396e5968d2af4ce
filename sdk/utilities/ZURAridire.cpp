#include "sdk/utilities/ZURAridire.h"

#include <cctype>

#include "platform/foundation/Format.h"
#include "platform/log/Log.h"
#include "sdk/utilities/VDUGzip.h"
#include "sdk/utilities/VDULogger.h"

using platform::foundation::Array;
using platform::foundation::Error;
using platform::foundation::Value;
using platform::net::HTTPURLResponse;
using platform::net::URLRequest;

namespace {

constexpr const char* kAridireService = "[ZURAridire]";

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

const char* levelName(ZURAridireLogLevel level) {
  switch (level) {
    case kZURAridireLogLevelError:
      return "ERROR";
    case kZURAridireLogLevelWarning:
      return "WARNING";
    case kZURAridireLogLevelInfo:
      return "INFO";
    case kZURAridireLogLevelDebug:
      return "DEBUG";
  }
  return "(null)";
}

}  // namespace

ZURAridire::ZURAridire(Private) {}

std::shared_ptr<ZURAridire> ZURAridire::init() { return initWithReachabilityHost(kDefaultReachabilityHost); }

std::shared_ptr<ZURAridire> ZURAridire::initWithReachabilityHost(const std::string& host) {
  auto client = std::make_shared<ZURAridire>(Private());
  client->reachability_ = VDUReachabilityChecker::initWithReachabilityDelegate(client, host);
  if (!client->reachability_ || !client->reachability_->start()) return nullptr;
  return client;
}

ZURAridire::~ZURAridire() {
  if (!reachability_) return;
  reachability_->setReachabilityDelegate({});
  reachability_->stop();
}

// --- requests -----------------------------------------------------------------------------------

std::optional<URLRequest> ZURAridire::makeRequest(const std::string& url, QueuePtr queue, const CompletionHandler& handler) {
  if (!isUsableURL(url)) {
    handleErrorWithCode(ZURAridireErrorCodeInvalidURL, std::move(queue), handler);
    return std::nullopt;
  }
  return URLRequest(url, platform::net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData, timeoutInterval());
}

std::optional<std::string> ZURAridire::postURL(const std::string& url, const Data& payload, QueuePtr queue,
                                               bool usingBackgroundSession, CompletionHandler handler) {
  auto request = makeRequest(url, queue, handler);
  if (!request) return std::nullopt;
  Error gzipError;
  auto compressed = VDUGzip::vdu_dataByGzippingData(payload, &gzipError);
  if (!compressed && (!gzipError.domain.empty() || !payload.empty())) {
    handleErrorWithCode(ZURAridireErrorCodeCompressionFailed, std::move(queue), std::move(handler));
    return std::nullopt;
  }
  Data body = compressed.value_or(Data{});
  request->setValue(std::to_string(body.size()), "Content-Length");
  request->setValue("application/x-www-form-urlencoded", "Content-Type");
  request->setValue("gzip", "Content-Encoding");
  request->httpMethod = "POST";
  request->httpBody = std::move(body);
  return start(std::move(*request), true, std::move(queue), usingBackgroundSession, std::move(handler));
}

std::optional<std::string> ZURAridire::getURL(const std::string& url, const std::map<std::string, std::string>& headers,
                                              QueuePtr queue, bool usingBackgroundSession, CompletionHandler handler) {
  auto request = makeRequest(url, queue, handler);
  if (!request) return std::nullopt;
  request->httpMethod = "GET";
  request->allHTTPHeaderFields = {};
  for (const auto& [name, value] : headers) request->setValue(value, name);
  return start(std::move(*request), false, std::move(queue), usingBackgroundSession, std::move(handler));
}

std::optional<std::string> ZURAridire::start(URLRequest request, bool post, QueuePtr queue, bool usingBackgroundSession,
                                             CompletionHandler handler) {
  auto fetcher = ZURAridireURLSession::initWithNetworkLoggerDelegate(weak_from_this());
  fetcher->setBackgroundNetworkEnabled(usingBackgroundSession);
  fetcher->setMaximumResponseSize(maximumResponseSize_);
  std::string id = fetcher->sessionID();
  // Entered before the request starts: a completion that comes quickly must find the entry to remove.
  requests_.setObject(fetcher, id);
  std::weak_ptr<ZURAridire> weak = weak_from_this();
  QueuePtr target = queue ? std::move(queue) : platform::dispatch::Queue::main();
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
    ZURAridire_logWithLevel(kZURAridireLogLevelDebug, 900000, "Uploading data. Host", Value(url));
  } else {
    ZURAridire_logWithLevel(kZURAridireLogLevelDebug, 900001, "Downloading data. Host", Value(url));
  }
  return returned;
}

void ZURAridire::handleErrorWithCode(std::int64_t code, QueuePtr queue, CompletionHandler handler) {
  Error error = ZURAridireMakeError(code, "Failed to create network request");
  ZURAridire_logWithLevel(kZURAridireLogLevelWarning, 900002, "Failed to create network request. Code, error",
                          Array{Value(code), Value(error.description())});
  if (!handler) return;
  QueuePtr target = queue ? std::move(queue) : platform::dispatch::Queue::main();
  target->async([handler = std::move(handler), error] { handler(std::nullopt, std::nullopt, error); });
}

void ZURAridire::handleEventsForBackgroundURLSessionID(const std::string& identifier,
                                                       std::function<void()> systemCompletionHandler) {
  ZURAridireURLSession::handleEventsForBackgroundURLSessionID(identifier, std::move(systemCompletionHandler));
}

// --- properties ---------------------------------------------------------------------------------

bool ZURAridire::hasUploadInProgress() const { return requests_.count() > 0; }

double ZURAridire::timeoutInterval() const {
  double seconds = timeoutInterval_;
  // Zero, negatives and NaN all mean the default; the transfer layer has no use for any of them.
  return seconds > 0 ? seconds : kDefaultTimeoutInterval;
}

void ZURAridire::setTimeoutInterval(double seconds) { timeoutInterval_ = seconds; }

std::shared_ptr<ZURAridireReachabilityDelegate> ZURAridire::reachabilityDelegate() const {
  std::lock_guard lock(mutex_);
  return reachabilityDelegate_.lock();
}

void ZURAridire::setReachabilityDelegate(std::weak_ptr<ZURAridireReachabilityDelegate> delegate) {
  std::lock_guard lock(mutex_);
  reachabilityDelegate_ = std::move(delegate);
}

std::shared_ptr<ZURAridireLoggerDelegate> ZURAridire::loggerDelegate() const {
  std::lock_guard lock(mutex_);
  return loggerDelegate_.lock();
}

void ZURAridire::setLoggerDelegate(const std::shared_ptr<ZURAridireLoggerDelegate>& delegate) {
  if (!delegate) {
    VDULogError(kAridireService, false, "I-NET900002",
                "Cannot set the network logger delegate: delegate does not conform to the network logger protocol.");
    return;
  }
  std::lock_guard lock(mutex_);
  loggerDelegate_ = delegate;
}

void ZURAridire::reachability(VDUReachabilityChecker&, VDUReachabilityStatus status) {
  networkConnected_ = status == kVDUReachabilityViaWifi || status == kVDUReachabilityViaCellular;
  if (auto delegate = reachabilityDelegate()) delegate->reachabilityDidChange();
}

// --- logging ------------------------------------------------------------------------------------

void ZURAridire::ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t code, const std::string& message,
                                         const Array& contexts) {
  if (auto delegate = loggerDelegate()) return delegate->ZURAridire_logWithLevel(level, code, message, contexts);
  bool shown = level == kZURAridireLogLevelError || level == kZURAridireLogLevelWarning || level == kZURAridireLogLevelInfo;
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
  VDULogBasic(level, kAridireService, false, platform::foundation::format("I-NET%06ld", code), line);
}

void ZURAridire::ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t code, const std::string& message,
                                         const Value& context) {
  if (auto delegate = loggerDelegate()) return delegate->ZURAridire_logWithLevel(level, code, message, context);
  ZURAridire_logWithLevel(level, code, message, Array{context});
}

void ZURAridire::ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t code, const std::string& message) {
  if (auto delegate = loggerDelegate()) return delegate->ZURAridire_logWithLevel(level, code, message);
  ZURAridire_logWithLevel(level, code, message, Array{});
}
