#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/Protocol.h"
#include "sdk/core/App.h"
#include "sdk/core/Component.h"
#include "sdk/core/AppOptions.h"
#include "sdk/installations/IDController.h"

namespace sdk::installations {

// An auth token handed to other SDK parts: the token and when it stops being valid.
struct AuthTokenResult {
  std::string authToken;
  double expirationDate = 0;  // seconds since 1970
};

// The installations component of one app: a stable installation ID and short-lived auth tokens for
// the SDK's other requests, and deletion of the installation. Made (without any request) when the
// app is configured; completions run on the main queue, never inside the call.
class Installations final : public platform::runtime::Object {
 public:
  static constexpr platform::runtime::NativeClass<platform::runtime::Object> kRuntimeClass{
      "VURInstallations", platform::runtime::Image::Sdk};
  static constexpr const char* kLibraryName = "vure-install";
  static constexpr const char* kExceptionName = "com.vurevore.installations";

  using IDCompletion = std::function<void(std::optional<std::string>, std::optional<platform::foundation::Error>)>;
  using TokenCompletion =
      std::function<void(std::optional<AuthTokenResult>, std::optional<platform::foundation::Error>)>;
  using DeleteCompletion = std::function<void(std::optional<platform::foundation::Error>)>;

  // "VURInstallationsInstanceProvider", the protocol the component is looked up by.
  static const platform::runtime::Protocol* instanceProviderProtocol();
  // Registers the library with the core; run by the load hooks.
  static void registerLibrary();
  static std::vector<sdk::core::Component::Ptr> componentsToRegister();

  // The default app's instance; raises when no default app is configured.
  static std::shared_ptr<Installations> installations();
  static std::shared_ptr<Installations> installationsWithApp(const sdk::core::App::Ptr& app);

  // Raise kExceptionName for missing or malformed options, or a legacy SDK that cannot live beside
  // this one.
  explicit Installations(const sdk::core::App& app);
  Installations(const sdk::core::AppOptions::Ptr& appOptions, const std::string& appName);
  Installations(const sdk::core::AppOptions::Ptr& appOptions, const std::string& appName,
                   IDController::Ptr controller, bool prefetchAuthToken);

  void installationIDWithCompletion(IDCompletion completion);
  void authTokenWithCompletion(TokenCompletion completion) { authTokenForcingRefresh(false, std::move(completion)); }
  void authTokenForcingRefresh(bool forceRefresh, TokenCompletion completion);
  void deleteWithCompletion(DeleteCompletion completion);

  static void validateAppOptions(const sdk::core::AppOptions::Ptr& appOptions, const std::string& appName);
  // The rules the key breaks, empty when it is well formed.
  static std::vector<std::string> validateAPIKey(const std::string& APIKey);
  static bool isIIDVersionCompatible();
  static void assertCompatibleIIDVersion();

  const IDController::Ptr& installationsIDController() const { return installationsIDController_; }
  const std::string& appName() const { return appName_; }

 private:
  sdk::core::AppOptions::Ptr appOptions_;
  std::string appName_;
  IDController::Ptr installationsIDController_;
};

}  // namespace sdk::installations

