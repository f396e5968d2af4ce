#pragma once

// The installations service against a real HTTP server on 127.0.0.1, in a fresh container, with
// promises settling on the main queue and time on a manual clock.

#include <memory>
#include <string>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/NotificationCenter.h"
#include "sdk/core/SdkWorldTestSupport.h"
#include "sdk/installations/IDController.h"
#include "sdk/promises/PromiseTestSupport.h"
#include "testing/LoopbackServer.h"

namespace ostrel::testing {

inline constexpr const char* kAPIKeyForTests = kAPIKey;

inline std::string installationsPath(const std::string& rest = "") {
  return std::string("/v1/projects/") + kProjectID + "/installations/" + rest;
}

// A create reply: the FID (when given), a refresh token and an auth token good for `expiresIn`.
inline LoopbackResponse createdReply(const std::string& refreshToken, const std::string& token,
                                     const std::string& expiresIn = "604800s", const std::string& fid = "") {
  platform::foundation::Dictionary body{
      {"refreshToken", refreshToken},
      {"authToken", platform::foundation::Value(platform::foundation::Dictionary{{"token", token}, {"expiresIn", expiresIn}})}};
  if (!fid.empty()) body["fid"] = fid;
  auto response = LoopbackResponse::withStatus(201, platform::foundation::Json::serialize(platform::foundation::Value(body)));
  response.contentType = "application/json";
  return response;
}

inline LoopbackResponse tokenReply(const std::string& token, const std::string& expiresIn = "3600s") {
  auto response = LoopbackResponse::ok(platform::foundation::Json::serialize(
      platform::foundation::Value(platform::foundation::Dictionary{{"token", token}, {"expiresIn", expiresIn}})));
  response.contentType = "application/json";
  return response;
}

class InstallationsWorld {
 public:
  InstallationsWorld() = default;

  std::string serviceURL() const { return server.url("/"); }
  // A controller for `appName` with its own store, service and back-off, as a new launch makes one.
  sdk::installations::IDController::Ptr newController(const std::string& appName = "test-app") const {
    return sdk::installations::IDController::initWithAppID(kAppID, appName, kAPIKey, kProjectID, kSenderID,
                                                             std::nullopt, serviceURL());
  }
  // The same, with a back-off the test can look into.
  sdk::installations::IDController::Ptr newController(
      const std::string& appName, std::shared_ptr<sdk::installations::BackoffPolicy> backoff) const {
    using namespace sdk::installations;
    auto keychain = std::make_shared<sdk::utilities::KeychainStorage>(IDController::kKeychainService);
    return IDController::initWithAppID(kAppID, appName, std::make_shared<InstallationStore>(keychain, std::nullopt),
                                       std::make_shared<ServiceClient>(kAPIKey, kProjectID, serviceURL()),
                                       std::make_shared<LegacyInstanceIDStore>(),
                                       std::make_shared<LegacyInstanceIDTokenStore>(kSenderID), std::move(backoff));
  }
  std::size_t requestsTo(const std::string& method, const std::string& path) const {
    std::size_t count = 0;
    for (const auto& request : server.requests()) count += request.method == method && request.path == path ? 1 : 0;
    return count;
  }

  // Runs the main loop until the promise settles. Retries wait on the clock, which is moved on in
  // half seconds whenever nothing else is left to do.
  bool settle(const sdk::promises::Promise::Ptr& promise) {
    for (int round = 0; round < 200 && promise->isPending(); ++round) {
      platform::dispatch::MainLoop::runUntil([&] { return !promise->isPending(); }, 0.2);
      if (promise->isPending()) environment.advance(0.5);
    }
    const bool settled = !promise->isPending();
    // And everything it started in the background.
    return sdk::promises::waitForPromisesWithTimeout(10) && settled;
  }

  SdkWorld sdk;
  PromiseEnvironment environment;
  LoopbackServer server;
};

// Counts the change notifications of one app.
class ChangeNotifications {
 public:
  explicit ChangeNotifications(std::string appName)
      : observation_(platform::foundation::NotificationCenter::defaultCenter().addObserver(
            sdk::installations::kInstallationIDDidChangeNotification, [this, appName](const platform::foundation::Notification& n) {
              if (n.userInfo[sdk::installations::kInstallationIDDidChangeNotification] == platform::foundation::Value(appName)) ++count_;
            })) {}
  int count() const { return count_; }

 private:
  int count_ = 0;
  platform::foundation::NotificationCenter::Observation observation_;
};

}  // namespace ostrel::testing
