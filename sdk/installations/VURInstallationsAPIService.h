#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Error.h"
#include "platform/net/URLRequest.h"
#include "platform/net/URLSession.h"
#include "sdk/installations/VURInstallationsItem.h"
#include "sdk/promises/VBLPromise.h"

// A reply with a 2xx status: its head and its body (empty when there was none).
class VURInstallationsURLSessionResponse final : public platform::foundation::Object {
 public:
  VURInstallationsURLSessionResponse(platform::net::HTTPURLResponse response, platform::foundation::Data data)
      : HTTPResponse(std::move(response)), data(std::move(data)) {}
  platform::net::HTTPURLResponse HTTPResponse;
  platform::foundation::Data data;
};

// The installations service over HTTP with JSON: registering an installation, generating an auth
// token, deleting the installation. The service's address is configuration, never code: the
// options' "INSTALLATIONS_SERVICE_URL", else the environment's OSTREL_INSTALLATIONS_URL; without
// either every request fails at once with a clear error, and nothing leaves the device.
class VURInstallationsAPIService {
 public:
  static constexpr const char* kServiceURLOptionKey = "INSTALLATIONS_SERVICE_URL";
  static constexpr const char* kServiceURLEnvironmentVariable = "OSTREL_INSTALLATIONS_URL";
  static constexpr const char* kHeartbeatTag = "vure-installations";
  // Replies are a few hundred bytes of JSON; a larger one fails as a transport error (a non-2xx one
  // still counts by its status).
  static constexpr std::int64_t kMaximumReplySize = 64 * 1024;
  // The longest token lifetime believed from a reply.
  static constexpr double kMaximumTokenLifetime = 7 * 24 * 3600.0;

  // `serviceURL` without a trailing slash ("http://127.0.0.1:8080"); empty when not configured.
  VURInstallationsAPIService(std::string APIKey, std::string projectID, std::string serviceURL);

  // The configured address: `fromOptions` when set, else the environment's, else empty.
  static std::string serviceURLWithOptionsValue(const std::string& fromOptions);

  // Each fulfils with a VURInstallationsItem: the registered one (status 2, possibly with the FID
  // the service chose), a copy with the new token, or the item itself once deleted.
  VBLPromise::Ptr registerInstallation(const VURInstallationsItem::Ptr& item);
  VBLPromise::Ptr refreshAuthTokenForInstallation(const VURInstallationsItem::Ptr& item);
  VBLPromise::Ptr deleteInstallation(const VURInstallationsItem::Ptr& item);
  // Fulfils with a VURInstallationsURLSessionResponse; a 500 is tried once more after a second.
  VBLPromise::Ptr sendURLRequest(const platform::net::URLRequest& request);

  platform::net::URLRequest registerRequestWithInstallation(const VURInstallationsItem& item) const;
  platform::net::URLRequest authTokenRequestWithInstallation(const VURInstallationsItem& item) const;
  platform::net::URLRequest deleteInstallationRequestWithInstallation(const VURInstallationsItem& item) const;

  // Reply parsing; nullptr / nullopt with the error when a field is missing or the body is no object.
  static VURInstallationsItem::Ptr registeredInstallationWithJSONData(const VURInstallationsItem& sent,
                                                                      const platform::foundation::Data& data,
                                                                      double date, platform::foundation::Error* error);
  static std::optional<VURInstallationsStoredAuthToken> authTokenWithJSONDict(const platform::foundation::Value& dict,
                                                                              double date,
                                                                              platform::foundation::Error* error);
  static std::optional<VURInstallationsStoredAuthToken> authTokenWithGenerateTokenAPIJSONData(
      const platform::foundation::Data& data, double date, platform::foundation::Error* error);

  static std::string SDKVersion();

 private:
  platform::net::URLRequest requestWithURL(const std::string& url, const std::string& method,
                                           const platform::foundation::Value& body,
                                           const std::optional<std::string>& refreshToken,
                                           const platform::net::HTTPHeaders& additionalHeaders) const;
  // One attempt; holds only the session, so a retry outlives the service that started it.
  static VBLPromise::Ptr URLRequestPromise(const std::shared_ptr<platform::net::URLSession>& session,
                                           const platform::net::URLRequest& request);

  std::shared_ptr<platform::net::URLSession> URLSession_;
  std::string APIKey_;
  std::string projectID_;
  std::string serviceURL_;
};
