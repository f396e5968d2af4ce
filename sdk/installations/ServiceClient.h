#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/net/URLRequest.h"
#include "platform/net/URLSession.h"
#include "sdk/installations/InstallationItem.h"
#include "sdk/promises/Promise.h"

namespace sdk::installations {

// A reply with a 2xx status: its head and its body (empty when there was none).
class ServiceResponse final : public platform::foundation::Object {
 public:
  ServiceResponse(platform::net::HTTPURLResponse response, platform::foundation::Data data)
      : HTTPResponse(std::move(response)), data(std::move(data)) {}
  platform::net::HTTPURLResponse HTTPResponse;
  platform::foundation::Data data;
};

// The installations service over HTTP with JSON: registering an installation, generating an auth
// token, deleting the installation. The service's address is configuration, never code: the
// options' "INSTALLATIONS_SERVICE_URL", else the environment's OSTREL_INSTALLATIONS_URL; without
// either every request fails at once with a clear error, and nothing leaves the device.
class ServiceClient {
 public:
  static constexpr const char* kServiceURLOptionKey = "INSTALLATIONS_SERVICE_URL";
  static constexpr const char* kServiceURLEnvironmentVariable = "OSTREL_INSTALLATIONS_URL";
  static constexpr const char* kHeartbeatTag = "vure-installations";
  // Replies are a few hundred bytes of JSON; a larger one fails as a transport error (a non-2xx one
  // still counts by its status).
  static constexpr std::int64_t kMaximumReplySize = 64 * 1024;
  // The longest token lifetime believed from a reply; a longer one is cut to it.
  static constexpr double kMaximumTokenLifetime = 7 * 24 * 3600.0;
  // A lifetime past this is no lifetime a service means, and the reply is refused.
  static constexpr double kAbsurdTokenLifetime = 10 * 366 * 24 * 3600.0;

  // `serviceURL` without a trailing slash ("http://127.0.0.1:8080"); empty when not configured.
  ServiceClient(std::string APIKey, std::string projectID, std::string serviceURL);

  // The configured address: `fromOptions` when set, else the environment's, else empty.
  static std::string serviceURLWithOptionsValue(const std::string& fromOptions);

  // Each fulfils with a InstallationItem: the registered one (status 2, possibly with the FID
  // the service chose), a copy with the new token, or the item itself once deleted.
  sdk::promises::Promise::Ptr registerInstallation(const InstallationItem::Ptr& item);
  sdk::promises::Promise::Ptr refreshAuthTokenForInstallation(const InstallationItem::Ptr& item);
  sdk::promises::Promise::Ptr deleteInstallation(const InstallationItem::Ptr& item);
  // Fulfils with a ServiceResponse; a 500 is tried once more after a second.
  sdk::promises::Promise::Ptr sendURLRequest(const platform::net::URLRequest& request);

  platform::net::URLRequest registerRequestWithInstallation(const InstallationItem& item) const;
  platform::net::URLRequest authTokenRequestWithInstallation(const InstallationItem& item) const;
  platform::net::URLRequest deleteInstallationRequestWithInstallation(const InstallationItem& item) const;

  // Reply parsing: the error names the missing or malformed field, or says the body is no object.
  static platform::foundation::ErrorOr<InstallationItem::Ptr> registeredInstallationWithJSONData(
      const InstallationItem& sent, const platform::foundation::Data& data, double date);
  static platform::foundation::ErrorOr<StoredAuthToken> authTokenWithJSONDict(const platform::foundation::Value& dict,
                                                                               double date);
  static platform::foundation::ErrorOr<StoredAuthToken> authTokenWithGenerateTokenAPIJSONData(
      const platform::foundation::Data& data, double date);

  static std::string SDKVersion();

 private:
  platform::net::URLRequest requestWithURL(const std::string& url, const std::string& method,
                                           const platform::foundation::Value& body,
                                           const std::optional<std::string>& refreshToken,
                                           const platform::net::HTTPHeaders& additionalHeaders) const;
  // One attempt; holds only the session, so a retry outlives the service that started it.
  static sdk::promises::Promise::Ptr URLRequestPromise(const std::shared_ptr<platform::net::URLSession>& session,
                                           const platform::net::URLRequest& request);
  // Fulfils `promise` with the service's answer, or rejects it with the transport's or the API's error.
  static void settleRequestPromise(sdk::promises::Promise& promise, const platform::net::URLRequest& request,
                                   std::optional<platform::net::HTTPURLResponse> response,
                                   platform::foundation::Data data, std::optional<platform::foundation::Error> error);

  std::shared_ptr<platform::net::URLSession> URLSession_;
  std::string APIKey_;
  std::string projectID_;
  std::string serviceURL_;
};

}  // namespace sdk::installations

