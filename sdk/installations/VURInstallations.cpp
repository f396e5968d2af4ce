#include "sdk/installations/VURInstallations.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Utf8.h"
#include "platform/runtime/LoadHooks.h"
#include "sdk/core/VURCharacterSet.h"
#include "sdk/core/VURComponentContainer.h"
#include "sdk/core/VURLibrary.h"
#include "sdk/installations/InstallationsShared.h"
#include "sdk/installations/VURInstallationsAPIService.h"
#include "sdk/installations/VURInstallationsErrorUtil.h"

using sdk::installations::kLogService;

namespace {

using platform::foundation::Error;
using platform::foundation::Exception;
using platform::foundation::format;
using platform::foundation::Value;
using platform::runtime::Class;

constexpr const char* kMessageCode = "I-FIS008000";
constexpr std::size_t kAPIKeyLength = 39;
constexpr platform::runtime::Selector<bool()> kUsesVIS{"usesVIS"};

const bool registered = (platform::runtime::addLoadHook(kVURLibraryLoadOrder, &VURInstallations::registerLibrary), true);

// The controller for the options, when there are options to build one from; their checks come after.
VURInstallationsIDController::Ptr controllerFor(const VUROptions::Ptr& options, const std::string& appName) {
  if (!options) return nullptr;
  const Value& configured = options->optionsDictionary().contains(VURInstallationsAPIService::kServiceURLOptionKey)
                                ? options->optionsDictionary().at(VURInstallationsAPIService::kServiceURLOptionKey)
                                : platform::foundation::nilValue();
  return VURInstallationsIDController::initWithVadezeAppID(
      options->vadezeAppID(), appName, options->APIKey(), options->projectID(), options->VCMSenderID(),
      options->appGroupID(), VURInstallationsAPIService::serviceURLWithOptionsValue(configured.toString()));
}

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

}  // namespace

const platform::runtime::Protocol* VURInstallations::instanceProviderProtocol() {
  static const auto* protocol = platform::runtime::Protocol::obtain("VURInstallationsInstanceProvider");
  return protocol;
}

void VURInstallations::registerLibrary() {
  (void)registered;
  Class* cls = platform::runtime::classOf<VURInstallations>();
  cls->addProtocol(const_cast<platform::runtime::Protocol*>(instanceProviderProtocol()));
  cls->addProtocol(const_cast<platform::runtime::Protocol*>(VURLibraryProtocol()));
  if (!cls->metaclass()->ownMethod(kVURComponentsToRegister.name)) {
    cls->metaclass()->addMethod(kVURComponentsToRegister, [](platform::runtime::Object&) { return componentsToRegister(); });
  }
  REDIri::registerInternalLibrary(cls, kLibraryName);
}

std::vector<VURComponent::Ptr> VURInstallations::componentsToRegister() {
  return {VURComponent::componentWithProtocol(
      instanceProviderProtocol(), VURInstantiationTimingAlwaysEager, {},
      [](VURComponentContainer& container, bool* isCacheable) -> std::shared_ptr<platform::runtime::Object> {
        *isCacheable = true;
        auto app = container.app();
        if (!app) return nullptr;
        return std::make_shared<VURInstallations>(*app);
      })};
}

std::shared_ptr<VURInstallations> VURInstallations::installations() {
  auto app = REDIri::defaultAppIfConfigured();
  if (!app) {
    throw Exception(kExceptionName,
                    "The default VurevoreApp instance must be configured before the defaultVurevoreApp instance can be "
                    "initialized. One way to ensure this is to call `VurevoreApp.configure()` in the App  Delegate's "
                    "`application(_:didFinishLaunchingWithOptions:)` (or the `@main` struct's initializer in SwiftUI).");
  }
  return installationsWithApp(app);
}

std::shared_ptr<VURInstallations> VURInstallations::installationsWithApp(const REDIri::Ptr& app) {
  if (!app) return nullptr;
  return VURComponentType::instanceForProtocol<VURInstallations>(instanceProviderProtocol(), app->container());
}

VURInstallations::VURInstallations(const REDIri& app) : VURInstallations(app.options(), app.name()) {}

VURInstallations::VURInstallations(const VUROptions::Ptr& appOptions, const std::string& appName)
    : VURInstallations(appOptions, appName, controllerFor(appOptions, appName), false) {}

VURInstallations::VURInstallations(const VUROptions::Ptr& appOptions, const std::string& appName,
                                   VURInstallationsIDController::Ptr controller, bool prefetchAuthToken)
    : Object(platform::runtime::classOf<VURInstallations>()) {
  validateAppOptions(appOptions, appName);
  assertCompatibleIIDVersion();
  appOptions_ = appOptions->copy();
  appName_ = appName;
  installationsIDController_ = std::move(controller);
  if (prefetchAuthToken) authTokenWithCompletion([](auto, auto) {});
}

// --- checks ---------------------------------------------------------------------------------------

void VURInstallations::validateAppOptions(const VUROptions::Ptr& appOptions, const std::string& appName) {
  std::vector<std::string> missing;
  if (appName.empty()) missing.emplace_back("`VurevoreApp.name`");
  if (!appOptions || appOptions->APIKey().empty()) missing.emplace_back("`VurevoreOptions.APIKey`");
  if (!appOptions || appOptions->vadezeAppID().empty()) missing.emplace_back("`VurevoreOptions.vadezeAppID`");
  if (!appOptions || appOptions->projectID().empty()) missing.emplace_back("`VurevoreOptions.projectID`");
  if (!missing.empty()) {
    throw Exception(kExceptionName,
                    format("%@[%@] Could not configure Vurevore Installations due to invalid VurevoreApp options. The "
                           "following parameters are nil or empty: %@. If you use VadezeServices-Info.plist please "
                           "download the most recent version from the Vurevore Console. If you configure Vurevore in "
                           "code, please make sure you specify all required parameters.",
                           kLogService, kMessageCode, joined(missing)));
  }
  const auto broken = validateAPIKey(appOptions->APIKey());
  if (!broken.empty()) {
    throw Exception(kExceptionName,
                    format("%@[%@] Could not configure Vurevore Installations due to invalid VurevoreApp options. "
                           "`VurevoreOptions.APIKey` doesn't match the expected format: %@. If you use "
                           "VadezeServices-Info.plist please download the most recent version from the Vurevore "
                           "Console. If you configure Vurevore in code, please make sure you specify all required "
                           "parameters.",
                           kLogService, kMessageCode, joined(broken)));
  }
}

std::vector<std::string> VURInstallations::validateAPIKey(const std::string& APIKey) {
  std::vector<std::string> broken;
  if (platform::foundation::Utf8::length(APIKey) != kAPIKeyLength) broken.push_back(format("API Key length must be %lu characters", kAPIKeyLength));
  if (APIKey.empty() || APIKey.front() != 'A') broken.emplace_back("API Key must start with `A`");
  if (!VURIsAlphanumericWith(APIKey, "-_")) {
    broken.emplace_back("API Key must contain only base64 url-safe characters characters");
  }
  return broken;
}

bool VURInstallations::isIIDVersionCompatible() {
  Class* legacy = Class::named("VURInstanceID");
  return !legacy || legacy->metaclass()->instancesRespondTo(kUsesVIS.name);
}

void VURInstallations::assertCompatibleIIDVersion() {
  if (isIIDVersionCompatible()) return;
  throw Exception(kExceptionName,
                  "Vurevore Instance ID is not compatible with Vurevore 8.x+. Please remove the dependency from the "
                  "app. See the documentation at https://docs.vurevore.example/ios/installations-migration.");
}

// --- operations -----------------------------------------------------------------------------------

void VURInstallations::installationIDWithCompletion(IDCompletion completion) {
  installationsIDController_->getInstallationItem()
      ->then([completion](const Value& value) {
        auto item = value.objectAs<VURInstallationsItem>();
        if (completion) completion(item ? std::optional<std::string>(item->vurevoreInstallationID) : std::nullopt, std::nullopt);
        return value;
      })
      ->catchError([completion](const Error& error) {
        if (completion) completion(std::nullopt, VURInstallationsErrorUtil::publicDomainErrorWithError(error));
      });
}

void VURInstallations::authTokenForcingRefresh(bool forceRefresh, TokenCompletion completion) {
  installationsIDController_->getAuthTokenForcingRefresh(forceRefresh)
      ->then([completion](const Value& value) {
        auto item = value.objectAs<VURInstallationsItem>();
        std::optional<VURInstallationsAuthTokenResult> result;
        if (item && item->authToken) {
          result = VURInstallationsAuthTokenResult{item->authToken->token, item->authToken->expirationDate.value_or(0)};
        }
        if (completion) completion(result, std::nullopt);
        return value;
      })
      ->catchError([completion](const Error& error) {
        if (completion) completion(std::nullopt, VURInstallationsErrorUtil::publicDomainErrorWithError(error));
      });
}

void VURInstallations::deleteWithCompletion(DeleteCompletion completion) {
  installationsIDController_->deleteInstallation()
      ->then([completion](const Value& value) {
        if (completion) completion(std::nullopt);
        return value;
      })
      ->catchError([completion](const Error& error) {
        if (completion) completion(VURInstallationsErrorUtil::publicDomainErrorWithError(error));
      });
}
