#include "sdk/installations/ServiceClient.h"

#include <algorithm>
#include <cstdlib>

#include "platform/dispatch/ProcessEnd.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DecimalText.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Json.h"
#include "sdk/core/App.h"
#include "sdk/core/CoreLogger.h"
#include "sdk/core/HeartbeatInfo.h"
#include "sdk/core/SDKVersion.h"
#include "sdk/installations/InstallationsErrors.h"
#include "sdk/installations/InstallationsMessageCodes.h"
#include "sdk/installations/InstallationsShared.h"
#include "sdk/installations/LogRedaction.h"

namespace sdk::installations {

using platform::foundation::Data;
using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::ErrorOr;
using platform::foundation::Value;
using platform::net::HTTPHeaders;
using platform::net::URLRequest;

using sdk::installations::kLogService;
using sdk::installations::utilityQueue;

namespace {

double now() { return platform::foundation::Clock::current()->now(); }

// The debug lines quote whole requests and replies; what they need is only built when they are written.
bool debugLogging() {
  sdk::core::initializeCoreLogger();
  return sdk::utilities::isLoggableLevel(sdk::utilities::kLoggerLevelDebug);
}

std::string pathSegment(const std::string& text) { return platform::net::percentEncoded(text); }

platform::net::URLSessionConfiguration sessionConfiguration() {
  auto configuration = platform::net::URLSessionConfiguration::defaultSessionConfiguration();
  configuration.maximumResponseSize = ServiceClient::kMaximumReplySize;
  return configuration;
}

// "3600s", "0.5s", "+3600s", " 3600s": decimal seconds and one unit character, which is dropped unread.
// What is no number, lies in the past or is absurd (past kAbsurdTokenLifetime) would hand out a dead
// token as good or keep one for ever, and is refused. A lifetime of days is sound, and is believed up to
// kMaximumTokenLifetime: the token is only refreshed early.
std::optional<double> tokenLifetime(const std::string& expiresIn) {
  const std::string_view seconds = std::string_view(expiresIn).substr(0, expiresIn.size() - 1);
  if (seconds.empty()) return 0.0;
  const auto value = platform::foundation::readDecimalNumber(seconds);
  if (!value || *value < 0 || *value > ServiceClient::kAbsurdTokenLifetime) return std::nullopt;
  return std::min(*value, ServiceClient::kMaximumTokenLifetime);
}

// Only non-empty strings count as present.
std::optional<std::string> validStringOrNil(const Value& dict, const char* key) {
  const Value& value = dict[key];
  if (!value.isString() || value.string()->empty()) return std::nullopt;
  return *value.string();
}

ErrorOr<Value> dictionaryFromJSONData(const Data& data) {
  Value parsed = platform::foundation::Json::parse(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  if (!parsed.isDictionary()) return InstallationsErrors::JSONSerializationError();
  return parsed;
}

}  // namespace

ServiceClient::ServiceClient(std::string APIKey, std::string projectID, std::string serviceURL)
    : URLSession_(platform::net::URLSession::sessionWithConfiguration(
          sessionConfiguration(), nullptr, platform::dispatch::Queue::serial("com.vurevore.VURInstallationsAPIService"))),
      APIKey_(std::move(APIKey)),
      projectID_(std::move(projectID)),
      serviceURL_(std::move(serviceURL)) {
  while (!serviceURL_.empty() && serviceURL_.back() == '/') serviceURL_.pop_back();
}

std::string ServiceClient::serviceURLWithOptionsValue(const std::string& fromOptions) {
  if (!fromOptions.empty()) return fromOptions;
  const char* environment = std::getenv(kServiceURLEnvironmentVariable);
  return environment ? environment : "";
}

std::string ServiceClient::SDKVersion() { return platform::foundation::format("i:%@", sdk::core::kSDKVersion); }

// --- requests -------------------------------------------------------------------------------------

URLRequest ServiceClient::requestWithURL(const std::string& url, const std::string& method,
                                                      const Value& body, const std::optional<std::string>& refreshToken,
                                                      const HTTPHeaders& additionalHeaders) const {
  URLRequest request(url);
  request.httpMethod = method;
  request.allHTTPHeaderFields.add("X-Vdz-Api-Key", APIKey_);
  request.allHTTPHeaderFields.add("X-Ios-Bundle-Identifier", platform::foundation::Bundle::main()->bundleIdentifier());
  request.setValue("application/json", "Content-Type");
  const std::string json = platform::foundation::Json::serialize(body);
  request.httpBody = Data(json.begin(), json.end());
  if (refreshToken) request.setValue(platform::foundation::format("VIS_v2 %@", *refreshToken), "Authorization");
  request.setValue(sdk::core::App::userAgentString(), "X-vurevore-client");
  request.setValue(std::to_string(static_cast<long>(sdk::core::HeartbeatInfo::heartbeatCodeForTag(kHeartbeatTag))),
                   "X-vurevore-client-log-type");
  for (const auto& [name, value] : additionalHeaders.fields()) request.setValue(value, name);
  return request;
}

URLRequest ServiceClient::registerRequestWithInstallation(const InstallationItem& item) const {
  const std::string url =
      platform::foundation::format("%@/v1/projects/%@/installations/", serviceURL_, pathSegment(projectID_));
  Dictionary body{{"fid", item.coreInstallationID},
                  {"authVersion", "VIS_v2"},
                  {"appId", item.appID},
                  {"sdkVersion", SDKVersion()}};
  HTTPHeaders extra;
  if (item.IIDDefaultToken && !item.IIDDefaultToken->empty()) {
    extra.set("x-vdz-vis-ios-iid-migration-auth", *item.IIDDefaultToken);
  }
  return requestWithURL(url, "POST", Value(std::move(body)), std::nullopt, extra);
}

URLRequest ServiceClient::authTokenRequestWithInstallation(const InstallationItem& item) const {
  const std::string url = platform::foundation::format("%@/v1/projects/%@/installations/%@/authTokens:generate",
                                                       serviceURL_, pathSegment(projectID_),
                                                       pathSegment(item.coreInstallationID));
  Dictionary body{{"installation", Value(Dictionary{{"sdkVersion", SDKVersion()}})}};
  return requestWithURL(url, "POST", Value(std::move(body)), item.refreshToken.value_or(""), {});
}

URLRequest ServiceClient::deleteInstallationRequestWithInstallation(const InstallationItem& item) const {
  const std::string url = platform::foundation::format("%@/v1/projects/%@/installations/%@/", serviceURL_,
                                                       pathSegment(projectID_), pathSegment(item.coreInstallationID));
  return requestWithURL(url, "DELETE", Value(Dictionary{}), item.refreshToken.value_or(""), {});
}

// --- sending --------------------------------------------------------------------------------------

sdk::promises::Promise::Ptr ServiceClient::sendURLRequest(const URLRequest& request) {
  if (serviceURL_.empty()) {
    return InstallationsErrors::rejectedPromiseWithError(InstallationsErrors::installationsErrorWithCode(
        0,
        platform::foundation::format("No installations service address is configured: set %@ in the options or %@ in "
                                     "the environment.",
                                     kServiceURLOptionKey, kServiceURLEnvironmentVariable),
        std::nullopt));
  }
  auto session = URLSession_;
  // An installation the server made but whose answer the device never kept would be orphaned there, and
  // registered again at the next start: the app's end waits (within its bound) for the answer, and for
  // the retry of a 500 too, whose second's wait would otherwise end the app with nothing said.
  auto inFlight = std::make_shared<platform::dispatch::ProcessEnd::Registration>(
      platform::dispatch::ProcessEnd::addWorkInFlight("the installations request " + redactedRequest(request)));
  auto answer = sdk::promises::Promise::onQueueAttempts(
      utilityQueue(), 1, 1.0,
      [](std::int64_t, const Error& error) { return InstallationsErrors::isAPIError(error, 500); },
      [session, request] { return Value(URLRequestPromise(session, request)); });
  // Let go once the answer has settled, by when the reactions of those who asked for it are queued.
  answer->onQueueAlways(utilityQueue(), [inFlight] { inFlight->reset(); });
  return answer;
}

void ServiceClient::settleRequestPromise(sdk::promises::Promise& promise, const URLRequest& request,
                                         std::optional<platform::net::HTTPURLResponse> response, Data data,
                                         std::optional<Error> error) {
  // An error reply too large to keep is still an error reply: its status decides what follows.
  if (error && error->code == platform::net::URLErrorDataLengthExceedsMaximum && response &&
      (response->statusCode < 200 || response->statusCode > 299)) {
    error.reset();
  }
  if (error || !response) {
    Error failure = error.value_or(Error::make(platform::net::kURLErrorDomain, -1, "No response"));
    sdk::core::coreLogDebug(kLogService, messages::kRequestFailed, "Request failed: %@, error: %@.", redactedRequest(request),
                failure);
    promise.reject(failure);
    return;
  }
  const bool debug = debugLogging();
  if (debug) {
    sdk::core::coreLogDebug(kLogService, messages::kResponseReceived, "Request response received: %@, error: %@, body: %@.",
                redactedRequest(request), "(null)", redactedBody(data));
  }
  if (response->statusCode < 200 || response->statusCode > 299) {
    if (debug) {
      sdk::core::coreLogDebug(kLogService, messages::kUnexpectedResponse, "Unexpected API response: %@, body: %@.",
                  platform::foundation::format("%@ %ld", response->url, static_cast<long>(response->statusCode)),
                  redactedBody(data));
    }
    promise.reject(InstallationsErrors::APIErrorWithHTTPResponse(*response, data));
    return;
  }
  promise.fulfill(Value(std::make_shared<ServiceResponse>(std::move(*response), std::move(data))));
}

sdk::promises::Promise::Ptr ServiceClient::URLRequestPromise(const std::shared_ptr<platform::net::URLSession>& session,
                                                              const URLRequest& request) {
  if (debugLogging()) {
    sdk::core::coreLogDebug(kLogService, messages::kSendingRequest, "Sending request: %@, body:%@, headers: %@.",
                redactedRequest(request), redactedBody(request.httpBody),
                redactedHeaders(request.allHTTPHeaderFields));
  }
  auto promise = sdk::promises::Promise::pendingPromise();
  auto task = session->dataTaskWithRequest(
      request, [promise, request](std::optional<platform::net::HTTPURLResponse> response, Data data,
                                  std::optional<Error> error) {
        settleRequestPromise(*promise, request, std::move(response), std::move(data), std::move(error));
      });
  if (!task) {
    promise->reject(Error::make(platform::net::kURLErrorDomain, -1, "The session is no longer usable"));
    return promise;
  }
  task->resume();
  return promise;
}

// --- the three operations -------------------------------------------------------------------------

sdk::promises::Promise::Ptr ServiceClient::registerInstallation(const InstallationItem::Ptr& item) {
  if (auto valid = item->isValid(); !valid) return InstallationsErrors::rejectedPromiseWithError(valid.error());
  return sendURLRequest(registerRequestWithInstallation(*item))->then([item](const Value& reply) {
    auto response = reply.objectAs<ServiceResponse>();
    sdk::core::coreLogDebug(kLogService, messages::kParsingServerResponse, "Parsing server response for %@.", response->HTTPResponse.url);
    auto registered = registeredInstallationWithJSONData(*item, response->data, now());
    if (!registered) {
      sdk::core::coreLogDebug(kLogService, messages::kInstallationParseFailed, "Failed to parse VURInstallationsItem: %@.", registered.error());
      return sdk::promises::valueWithError(registered.error());
    }
    sdk::core::coreLogDebug(kLogService, messages::kInstallationParsed, "VURInstallationsItem parsed successfully.");
    return Value(*registered);
  });
}

sdk::promises::Promise::Ptr ServiceClient::refreshAuthTokenForInstallation(const InstallationItem::Ptr& item) {
  return sendURLRequest(authTokenRequestWithInstallation(*item))->then([item](const Value& reply) {
    auto response = reply.objectAs<ServiceResponse>();
    sdk::core::coreLogDebug(kLogService, messages::kParsingServerResponse, "Parsing server response for %@.", response->HTTPResponse.url);
    auto token = authTokenWithGenerateTokenAPIJSONData(response->data, now());
    if (!token) {
      sdk::core::coreLogDebug(kLogService, messages::kAuthTokenParseFailed, "Failed to parse VURInstallationsStoredAuthToken: %@.",
                              token.error());
      return sdk::promises::valueWithError(token.error());
    }
    sdk::core::coreLogDebug(kLogService, messages::kAuthTokenParsed, "VURInstallationsStoredAuthToken parsed successfully.");
    auto updated = item->copy();
    updated->authToken = *token;
    return Value(updated);
  });
}

sdk::promises::Promise::Ptr ServiceClient::deleteInstallation(const InstallationItem::Ptr& item) {
  return sendURLRequest(deleteInstallationRequestWithInstallation(*item))->then([item](const Value&) {
    return Value(item);
  });
}

// --- replies --------------------------------------------------------------------------------------

ErrorOr<InstallationItem::Ptr> ServiceClient::registeredInstallationWithJSONData(const InstallationItem& sent,
                                                                                  const Data& data, double date) {
  Value reply = TRY(dictionaryFromJSONData(data));
  auto refreshToken = validStringOrNil(reply, "refreshToken");
  if (!refreshToken) return InstallationsErrors::FIDRegistrationErrorWithResponseMissingField("refreshToken");
  if (!reply["authToken"].isDictionary()) {
    return InstallationsErrors::FIDRegistrationErrorWithResponseMissingField("authToken");
  }
  StoredAuthToken token = TRY(authTokenWithJSONDict(reply["authToken"], date));
  auto FID = validStringOrNil(reply, "fid");
  // The ID that was sent comes back as it went, whatever its age and form.
  if (FID && *FID != sent.coreInstallationID && !InstallationItem::isWellFormedFID(*FID)) {
    return InstallationsErrors::FIDRegistrationErrorWithResponseInvalidField("fid");
  }
  auto registered = std::make_shared<InstallationItem>(sent.appID, sent.coreAppName);
  registered->coreInstallationID = FID.value_or(sent.coreInstallationID);
  registered->refreshToken = refreshToken;
  registered->authToken = token;
  registered->registrationStatus = InstallationItem::kRegistered;
  return registered;
}

ErrorOr<StoredAuthToken> ServiceClient::authTokenWithJSONDict(const Value& dict, double date) {
  auto token = validStringOrNil(dict, "token");
  if (!token) return InstallationsErrors::FIDRegistrationErrorWithResponseMissingField("authToken.token");
  auto expiresIn = validStringOrNil(dict, "expiresIn");
  if (!expiresIn) return InstallationsErrors::FIDRegistrationErrorWithResponseMissingField("authToken.expiresIn");
  const auto lifetime = tokenLifetime(*expiresIn);
  if (!lifetime) return InstallationsErrors::FIDRegistrationErrorWithResponseInvalidField("authToken.expiresIn");
  StoredAuthToken result;
  result.status = StoredAuthToken::kStatusTokenFetched;
  result.token = *token;
  result.expirationDate = date + *lifetime;
  return result;
}

ErrorOr<StoredAuthToken> ServiceClient::authTokenWithGenerateTokenAPIJSONData(const Data& data, double date) {
  return authTokenWithJSONDict(TRY(dictionaryFromJSONData(data)), date);
}

}  // namespace sdk::installations

