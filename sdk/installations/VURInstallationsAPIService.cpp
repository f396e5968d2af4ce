#include "sdk/installations/VURInstallationsAPIService.h"

#include <cmath>
#include <cstdlib>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Json.h"
#include "sdk/core/REDIri.h"
#include "sdk/core/VURHeartbeatInfo.h"
#include "sdk/core/VURLogger.h"
#include "sdk/core/VURVersion.h"
#include "sdk/installations/InstallationsShared.h"
#include "sdk/installations/VURInstallationsErrorUtil.h"
#include "sdk/installations/VURInstallationsLogRedaction.h"

using platform::foundation::Data;
using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::Value;
using platform::net::HTTPHeaders;
using platform::net::URLRequest;

using sdk::installations::kLogService;
using sdk::installations::utilityQueue;

namespace {

double now() { return platform::foundation::Clock::current()->now(); }

// The debug lines quote whole requests and replies; what they need is only built when they are written.
bool debugLogging() {
  VURLoggerInitialize();
  return VDUIsLoggableLevel(VDULoggerLevelDebug);
}

std::string pathSegment(const std::string& text) { return platform::net::percentEncoded(text); }

platform::net::URLSessionConfiguration sessionConfiguration() {
  auto configuration = platform::net::URLSessionConfiguration::defaultSessionConfiguration();
  configuration.maximumResponseSize = VURInstallationsAPIService::kMaximumReplySize;
  return configuration;
}

// "3600s", "0.5s": decimal seconds and one unit character, which is dropped unread. Only a finite
// lifetime from none up to kMaximumTokenLifetime is believed: a NaN, a negative or a huge value would
// hand out an expired token as valid or never refresh it.
std::optional<double> tokenLifetime(const std::string& expiresIn) {
  const std::string seconds = expiresIn.substr(0, expiresIn.size() - 1);
  if (seconds.empty()) return 0.0;
  bool point = false;
  for (char c : seconds) {
    if (c == '.' && !point) {
      point = true;
    } else if (c < '0' || c > '9') {
      return std::nullopt;
    }
  }
  const double value = std::strtod(seconds.c_str(), nullptr);
  if (!std::isfinite(value) || value > VURInstallationsAPIService::kMaximumTokenLifetime) return std::nullopt;
  return value;
}

// Only non-empty strings count as present.
std::optional<std::string> validStringOrNil(const Value& dict, const char* key) {
  const Value& value = dict[key];
  if (!value.isString() || value.string()->empty()) return std::nullopt;
  return *value.string();
}

Value dictionaryFromJSONData(const Data& data, Error* error) {
  Value parsed = platform::foundation::Json::parse(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  if (!parsed.isDictionary()) {
    platform::foundation::report(error, VURInstallationsErrorUtil::JSONSerializationError());
    return Value();
  }
  return parsed;
}

}  // namespace

VURInstallationsAPIService::VURInstallationsAPIService(std::string APIKey, std::string projectID, std::string serviceURL)
    : URLSession_(platform::net::URLSession::sessionWithConfiguration(
          sessionConfiguration(), nullptr, platform::dispatch::Queue::serial("com.vurevore.VURInstallationsAPIService"))),
      APIKey_(std::move(APIKey)),
      projectID_(std::move(projectID)),
      serviceURL_(std::move(serviceURL)) {
  while (!serviceURL_.empty() && serviceURL_.back() == '/') serviceURL_.pop_back();
}

std::string VURInstallationsAPIService::serviceURLWithOptionsValue(const std::string& fromOptions) {
  if (!fromOptions.empty()) return fromOptions;
  const char* environment = std::getenv(kServiceURLEnvironmentVariable);
  return environment ? environment : "";
}

std::string VURInstallationsAPIService::SDKVersion() { return platform::foundation::format("i:%@", kVURVurevoreVersion); }

// --- requests -------------------------------------------------------------------------------------

URLRequest VURInstallationsAPIService::requestWithURL(const std::string& url, const std::string& method,
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
  request.setValue(REDIri::vurevoreUserAgent(), "X-vurevore-client");
  request.setValue(std::to_string(static_cast<long>(VURHeartbeatInfo::heartbeatCodeForTag(kHeartbeatTag))),
                   "X-vurevore-client-log-type");
  for (const auto& [name, value] : additionalHeaders.fields()) request.setValue(value, name);
  return request;
}

URLRequest VURInstallationsAPIService::registerRequestWithInstallation(const VURInstallationsItem& item) const {
  const std::string url =
      platform::foundation::format("%@/v1/projects/%@/installations/", serviceURL_, pathSegment(projectID_));
  Dictionary body{{"fid", item.vurevoreInstallationID},
                  {"authVersion", "VIS_v2"},
                  {"appId", item.appID},
                  {"sdkVersion", SDKVersion()}};
  HTTPHeaders extra;
  if (item.IIDDefaultToken && !item.IIDDefaultToken->empty()) {
    extra.set("x-vdz-vis-ios-iid-migration-auth", *item.IIDDefaultToken);
  }
  return requestWithURL(url, "POST", Value(std::move(body)), std::nullopt, extra);
}

URLRequest VURInstallationsAPIService::authTokenRequestWithInstallation(const VURInstallationsItem& item) const {
  const std::string url = platform::foundation::format("%@/v1/projects/%@/installations/%@/authTokens:generate",
                                                       serviceURL_, pathSegment(projectID_),
                                                       pathSegment(item.vurevoreInstallationID));
  Dictionary body{{"installation", Value(Dictionary{{"sdkVersion", SDKVersion()}})}};
  return requestWithURL(url, "POST", Value(std::move(body)), item.refreshToken.value_or(""), {});
}

URLRequest VURInstallationsAPIService::deleteInstallationRequestWithInstallation(const VURInstallationsItem& item) const {
  const std::string url = platform::foundation::format("%@/v1/projects/%@/installations/%@/", serviceURL_,
                                                       pathSegment(projectID_), pathSegment(item.vurevoreInstallationID));
  return requestWithURL(url, "DELETE", Value(Dictionary{}), item.refreshToken.value_or(""), {});
}

// --- sending --------------------------------------------------------------------------------------

VBLPromise::Ptr VURInstallationsAPIService::sendURLRequest(const URLRequest& request) {
  if (serviceURL_.empty()) {
    return VURInstallationsErrorUtil::rejectedPromiseWithError(VURInstallationsErrorUtil::installationsErrorWithCode(
        0,
        platform::foundation::format("No installations service address is configured: set %@ in the options or %@ in "
                                     "the environment.",
                                     kServiceURLOptionKey, kServiceURLEnvironmentVariable),
        std::nullopt));
  }
  auto session = URLSession_;
  return VBLPromise::onQueueAttempts(
      utilityQueue(), 1, 1.0,
      [](std::int64_t, const Error& error) { return VURInstallationsErrorUtil::isAPIError(error, 500); },
      [session, request] { return Value(URLRequestPromise(session, request)); });
}

VBLPromise::Ptr VURInstallationsAPIService::URLRequestPromise(const std::shared_ptr<platform::net::URLSession>& session,
                                                              const URLRequest& request) {
  if (debugLogging()) {
    VURLogDebug(kLogService, "I-FIS001001", "Sending request: %@, body:%@, headers: %@.",
                VURInstallationsRedactedRequest(request), VURInstallationsRedactedBody(request.httpBody),
                VURInstallationsRedactedHeaders(request.allHTTPHeaderFields));
  }
  auto promise = VBLPromise::pendingPromise();
  auto task = session->dataTaskWithRequest(
      request, [promise, request](std::optional<platform::net::HTTPURLResponse> response, Data data,
                                  std::optional<Error> error) {
        // An error reply too large to keep is still an error reply: its status decides what follows.
        if (error && error->code == platform::net::URLErrorDataLengthExceedsMaximum && response &&
            (response->statusCode < 200 || response->statusCode > 299)) {
          error.reset();
        }
        if (error || !response) {
          Error failure = error.value_or(Error::make(platform::net::kURLErrorDomain, -1, "No response"));
          VURLogDebug(kLogService, "I-FIS001002", "Request failed: %@, error: %@.", VURInstallationsRedactedRequest(request),
                      failure);
          promise->reject(failure);
          return;
        }
        const bool debug = debugLogging();
        if (debug) {
          VURLogDebug(kLogService, "I-FIS001003", "Request response received: %@, error: %@, body: %@.",
                      VURInstallationsRedactedRequest(request), "(null)", VURInstallationsRedactedBody(data));
        }
        if (response->statusCode < 200 || response->statusCode > 299) {
          if (debug) {
            VURLogDebug(kLogService, "I-FIS001004", "Unexpected API response: %@, body: %@.",
                        platform::foundation::format("%@ %ld", response->url, static_cast<long>(response->statusCode)),
                        VURInstallationsRedactedBody(data));
          }
          promise->reject(VURInstallationsErrorUtil::APIErrorWithHTTPResponse(*response, data));
          return;
        }
        promise->fulfill(Value(std::make_shared<VURInstallationsURLSessionResponse>(std::move(*response), std::move(data))));
      });
  if (!task) {
    promise->reject(Error::make(platform::net::kURLErrorDomain, -1, "The session is no longer usable"));
    return promise;
  }
  task->resume();
  return promise;
}

// --- the three operations -------------------------------------------------------------------------

VBLPromise::Ptr VURInstallationsAPIService::registerInstallation(const VURInstallationsItem::Ptr& item) {
  Error invalid;
  if (!item->isValid(&invalid)) return VURInstallationsErrorUtil::rejectedPromiseWithError(invalid);
  return sendURLRequest(registerRequestWithInstallation(*item))->then([item](const Value& reply) {
    auto response = reply.objectAs<VURInstallationsURLSessionResponse>();
    VURLogDebug(kLogService, "I-FIS001005", "Parsing server response for %@.", response->HTTPResponse.url);
    Error error;
    auto registered = registeredInstallationWithJSONData(*item, response->data, now(), &error);
    if (!registered) {
      VURLogDebug(kLogService, "I-FIS001006", "Failed to parse VURInstallationsItem: %@.", error);
      return VBLValueWithError(error);
    }
    VURLogDebug(kLogService, "I-FIS001007", "VURInstallationsItem parsed successfully.");
    return Value(registered);
  });
}

VBLPromise::Ptr VURInstallationsAPIService::refreshAuthTokenForInstallation(const VURInstallationsItem::Ptr& item) {
  return sendURLRequest(authTokenRequestWithInstallation(*item))->then([item](const Value& reply) {
    auto response = reply.objectAs<VURInstallationsURLSessionResponse>();
    VURLogDebug(kLogService, "I-FIS001005", "Parsing server response for %@.", response->HTTPResponse.url);
    Error error;
    auto token = authTokenWithGenerateTokenAPIJSONData(response->data, now(), &error);
    if (!token) {
      VURLogDebug(kLogService, "I-FIS001008", "Failed to parse VURInstallationsStoredAuthToken: %@.", error);
      return VBLValueWithError(error);
    }
    VURLogDebug(kLogService, "I-FIS001009", "VURInstallationsStoredAuthToken parsed successfully.");
    auto updated = item->copy();
    updated->authToken = *token;
    return Value(updated);
  });
}

VBLPromise::Ptr VURInstallationsAPIService::deleteInstallation(const VURInstallationsItem::Ptr& item) {
  return sendURLRequest(deleteInstallationRequestWithInstallation(*item))->then([item](const Value&) {
    return Value(item);
  });
}

// --- replies --------------------------------------------------------------------------------------

VURInstallationsItem::Ptr VURInstallationsAPIService::registeredInstallationWithJSONData(const VURInstallationsItem& sent,
                                                                                         const Data& data, double date,
                                                                                         Error* error) {
  Value reply = dictionaryFromJSONData(data, error);
  if (reply.isNil()) return nullptr;
  auto refreshToken = validStringOrNil(reply, "refreshToken");
  if (!refreshToken) {
    platform::foundation::report(error, VURInstallationsErrorUtil::FIDRegistrationErrorWithResponseMissingField("refreshToken"));
    return nullptr;
  }
  if (!reply["authToken"].isDictionary()) {
    platform::foundation::report(error, VURInstallationsErrorUtil::FIDRegistrationErrorWithResponseMissingField("authToken"));
    return nullptr;
  }
  auto token = authTokenWithJSONDict(reply["authToken"], date, error);
  if (!token) return nullptr;
  auto FID = validStringOrNil(reply, "fid");
  if (FID && !VURInstallationsItem::isWellFormedFID(*FID)) {
    platform::foundation::report(error, VURInstallationsErrorUtil::FIDRegistrationErrorWithResponseInvalidField("fid"));
    return nullptr;
  }
  auto registered = std::make_shared<VURInstallationsItem>(sent.appID, sent.vurevoreAppName);
  registered->vurevoreInstallationID = FID.value_or(sent.vurevoreInstallationID);
  registered->refreshToken = refreshToken;
  registered->authToken = token;
  registered->registrationStatus = VURInstallationsItem::kRegistered;
  return registered;
}

std::optional<VURInstallationsStoredAuthToken> VURInstallationsAPIService::authTokenWithJSONDict(const Value& dict,
                                                                                                 double date,
                                                                                                 Error* error) {
  auto token = validStringOrNil(dict, "token");
  if (!token) {
    platform::foundation::report(error, VURInstallationsErrorUtil::FIDRegistrationErrorWithResponseMissingField("authToken.token"));
    return std::nullopt;
  }
  auto expiresIn = validStringOrNil(dict, "expiresIn");
  if (!expiresIn) {
    platform::foundation::report(error,
                                 VURInstallationsErrorUtil::FIDRegistrationErrorWithResponseMissingField("authToken.expiresIn"));
    return std::nullopt;
  }
  const auto lifetime = tokenLifetime(*expiresIn);
  if (!lifetime) {
    platform::foundation::report(error,
                                 VURInstallationsErrorUtil::FIDRegistrationErrorWithResponseInvalidField("authToken.expiresIn"));
    return std::nullopt;
  }
  VURInstallationsStoredAuthToken result;
  result.status = VURInstallationsStoredAuthToken::kStatusTokenFetched;
  result.token = *token;
  result.expirationDate = date + *lifetime;
  return result;
}

std::optional<VURInstallationsStoredAuthToken> VURInstallationsAPIService::authTokenWithGenerateTokenAPIJSONData(
    const Data& data, double date, Error* error) {
  Value reply = dictionaryFromJSONData(data, error);
  if (reply.isNil()) return std::nullopt;
  return authTokenWithJSONDict(reply, date, error);
}
