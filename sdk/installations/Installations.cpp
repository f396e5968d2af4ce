#include "sdk/installations/Installations.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Utf8.h"
#include "platform/runtime/LoadHooks.h"
#include "sdk/core/CharacterSet.h"
#include "sdk/core/ComponentContainer.h"
#include "sdk/core/Library.h"
#include "sdk/installations/InstallationsErrors.h"
#include "sdk/installations/InstallationsMessageCodes.h"
#include "sdk/installations/InstallationsShared.h"
#include "sdk/installations/ServiceClient.h"

namespace sdk::installations {

using sdk::installations::kLogService;

namespace {

using platform::foundation::Error;
using platform::foundation::Exception;
using platform::foundation::format;
using platform::foundation::Value;
using platform::runtime::Class;

constexpr std::size_t kAPIKeyLength = 39;
constexpr platform::runtime::Selector<bool()> kUsesVIS{"usesVIS"};

const bool registered = (platform::runtime::addLoadHook(sdk::core::kLibraryLoadOrder, &Installations::registerLibrary), true);

// The controller for the options, when there are options to build one from; their checks come after.
IDController::Ptr controllerFor(const sdk::core::AppOptions::Ptr& options, const std::string& appName) {
  if (!options) return nullptr;
  const Value& configured = options->optionsDictionary().contains(ServiceClient::kServiceURLOptionKey)
                                ? options->optionsDictionary().at(ServiceClient::kServiceURLOptionKey)
                                : platform::foundation::nilValue();
  return IDController::initWithAppID(
      options->appID(), appName, options->APIKey(), options->projectID(), options->senderID(),
      options->appGroupID(), ServiceClient::serviceURLWithOptionsValue(configured.toString()));
}

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

}  // namespace

const platform::runtime::Protocol* Installations::instanceProviderProtocol() {
  static const auto* protocol = platform::runtime::Protocol::obtain("VURInstallationsInstanceProvider");
  return protocol;
}

void Installations::registerLibrary() {
  (void)registered;
  sdk::core::registerLibraryClass(platform::runtime::classOf<Installations>(), instanceProviderProtocol(),
                                  &componentsToRegister, kLibraryName);
}

std::vector<sdk::core::Component::Ptr> Installations::componentsToRegister() {
  return {sdk::core::Component::componentWithProtocol(
      instanceProviderProtocol(), sdk::core::kInstantiationTimingAlwaysEager, {},
      [](sdk::core::ComponentContainer& container, bool* isCacheable) -> std::shared_ptr<platform::runtime::Object> {
        *isCacheable = true;
        auto app = container.app();
        if (!app) return nullptr;
        return std::make_shared<Installations>(*app);
      })};
}

std::shared_ptr<Installations> Installations::installations() {
  auto app = sdk::core::App::defaultAppIfConfigured();
  if (!app) {
    throw Exception(kExceptionName,
                    "The default VurevoreApp instance must be configured before the defaultVurevoreApp instance can be "
                    "initialized. One way to ensure this is to call `VurevoreApp.configure()` in the App  Delegate's "
                    "`application(_:didFinishLaunchingWithOptions:)` (or the `@main` struct's initializer in SwiftUI).");
  }
  return installationsWithApp(app);
}

std::shared_ptr<Installations> Installations::installationsWithApp(const sdk::core::App::Ptr& app) {
  if (!app) return nullptr;
  return sdk::core::ComponentType::instanceForProtocol<Installations>(instanceProviderProtocol(), app->container());
}

Installations::Installations(const sdk::core::App& app) : Installations(app.options(), app.name()) {}

Installations::Installations(const sdk::core::AppOptions::Ptr& appOptions, const std::string& appName)
    : Installations(appOptions, appName, controllerFor(appOptions, appName), false) {}

Installations::Installations(const sdk::core::AppOptions::Ptr& appOptions, const std::string& appName,
                                   IDController::Ptr controller, bool prefetchAuthToken)
    : Object(platform::runtime::classOf<Installations>()) {
  validateAppOptions(appOptions, appName);
  assertCompatibleIIDVersion();
  appOptions_ = appOptions->copy();
  appName_ = appName;
  installationsIDController_ = std::move(controller);
  if (prefetchAuthToken) authTokenWithCompletion([](auto, auto) {});
}

// --- checks ---------------------------------------------------------------------------------------

void Installations::validateAppOptions(const sdk::core::AppOptions::Ptr& appOptions, const std::string& appName) {
  std::vector<std::string> missing;
  if (appName.empty()) missing.emplace_back("`VurevoreApp.name`");
  if (!appOptions || appOptions->APIKey().empty()) missing.emplace_back("`VurevoreOptions.APIKey`");
  if (!appOptions || appOptions->appID().empty()) missing.emplace_back("`VurevoreOptions.vadezeAppID`");
  if (!appOptions || appOptions->projectID().empty()) missing.emplace_back("`VurevoreOptions.projectID`");
  if (!missing.empty()) {
    throw Exception(kExceptionName,
                    format("%@[%@] Could not configure Vurevore Installations due to invalid VurevoreApp options. The "
                           "following parameters are nil or empty: %@. If you use VadezeServices-Info.plist please "
                           "download the most recent version from the Vurevore Console. If you configure Vurevore in "
                           "code, please make sure you specify all required parameters.",
                           kLogService, messages::kInvalidAppOptions, joined(missing)));
  }
  const auto broken = validateAPIKey(appOptions->APIKey());
  if (!broken.empty()) {
    throw Exception(kExceptionName,
                    format("%@[%@] Could not configure Vurevore Installations due to invalid VurevoreApp options. "
                           "`VurevoreOptions.APIKey` doesn't match the expected format: %@. If you use "
                           "VadezeServices-Info.plist please download the most recent version from the Vurevore "
                           "Console. If you configure Vurevore in code, please make sure you specify all required "
                           "parameters.",
                           kLogService, messages::kInvalidAppOptions, joined(broken)));
  }
}

std::vector<std::string> Installations::validateAPIKey(const std::string& APIKey) {
  std::vector<std::string> broken;
  if (platform::foundation::Utf8::length(APIKey) != kAPIKeyLength) broken.push_back(format("API Key length must be %lu characters", kAPIKeyLength));
  if (APIKey.empty() || APIKey.front() != 'A') broken.emplace_back("API Key must start with `A`");
  if (!sdk::core::isAlphanumericWith(APIKey, "-_")) {
    broken.emplace_back("API Key must contain only base64 url-safe characters characters");
  }
  return broken;
}

bool Installations::isIIDVersionCompatible() {
  Class* legacy = Class::named("VURInstanceID");
  return !legacy || legacy->metaclass()->instancesRespondTo(kUsesVIS.name);
}

void Installations::assertCompatibleIIDVersion() {
  if (isIIDVersionCompatible()) return;
  throw Exception(kExceptionName,
                  "Vurevore Instance ID is not compatible with Vurevore 8.x+. Please remove the dependency from the "
                  "app. See the documentation at https://docs.vurevore.example/ios/installations-migration.");
}

// --- operations -----------------------------------------------------------------------------------

void Installations::installationIDWithCompletion(IDCompletion completion) {
  installationsIDController_->getInstallationItem()
      ->then([completion](const Value& value) {
        auto item = value.objectAs<InstallationItem>();
        if (completion) completion(item ? std::optional<std::string>(item->coreInstallationID) : std::nullopt, std::nullopt);
        return value;
      })
      ->catchError([completion](const Error& error) {
        if (completion) completion(std::nullopt, InstallationsErrors::publicDomainErrorWithError(error));
      });
}

void Installations::authTokenForcingRefresh(bool forceRefresh, TokenCompletion completion) {
  installationsIDController_->getAuthTokenForcingRefresh(forceRefresh)
      ->then([completion](const Value& value) {
        auto item = value.objectAs<InstallationItem>();
        std::optional<AuthTokenResult> result;
        if (item && item->authToken) {
          result = AuthTokenResult{item->authToken->token, item->authToken->expirationDate.value_or(0)};
        }
        if (completion) completion(result, std::nullopt);
        return value;
      })
      ->catchError([completion](const Error& error) {
        if (completion) completion(std::nullopt, InstallationsErrors::publicDomainErrorWithError(error));
      });
}

void Installations::deleteWithCompletion(DeleteCompletion completion) {
  installationsIDController_->deleteInstallation()
      ->then([completion](const Value& value) {
        if (completion) completion(std::nullopt);
        return value;
      })
      ->catchError([completion](const Error& error) {
        if (completion) completion(InstallationsErrors::publicDomainErrorWithError(error));
      });
}

}  // namespace sdk::installations

