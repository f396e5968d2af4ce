#include "sdk/core/App.h"

#include <cctype>
#include <mutex>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/runtime/Send.h"
#include "platform/ui/Application.h"
#include "sdk/core/AppIDScanner.h"
#include "sdk/core/BundleUtil.h"
#include "sdk/core/CharacterSet.h"
#include "sdk/core/CoreMessageCodes.h"
#include "sdk/core/Library.h"
#include "sdk/core/CoreLogger.h"
#include "sdk/core/SDKVersion.h"
#include "sdk/utilities/AppEnvironmentUtil.h"

namespace sdk::core {

namespace {

using platform::foundation::Exception;
using platform::foundation::format;
using platform::foundation::Value;
using platform::runtime::Class;

constexpr const char* kService = "[Vurevore/Core]";
// Where a developer gets a fresh options file and reads how to configure; named in messages only.
constexpr const char* kConsoleAddress = "https://console.vurevore.example/";
constexpr const char* kSetUpGuideAddress = "https://docs.vurevore.example/ios/setup";
constexpr const char* kRecoverySuggestionKey = "NSLocalizedRecoverySuggestion";

struct ClassState {
  std::recursive_mutex mutex;
  App::Ptr defaultApp;
  std::optional<std::map<std::string, App::Ptr>> apps;
  std::vector<Class*> librariesToConfigure;
};

ClassState& classState() {
  static ClassState state;
  return state;
}

[[noreturn]] void raise(const std::string& reason) { throw Exception(App::kExceptionName, reason); }

}  // namespace

App::App(Private, std::string name, const AppOptions::Ptr& options)
    : isDefaultApp_(name == kDefaultAppName), options_(options->copy()), name_(std::move(name)) {
  options_->setEditingLocked(true);
}

App::Ptr App::initInstanceWithName(const std::string& name, const AppOptions::Ptr& options) {
  auto app = std::make_shared<App>(Private(), name, options);
  app->container_ = std::make_shared<ComponentContainer>(app);
  return app;
}

// --- configuring ----------------------------------------------------------------------------------

void App::configure() {
  AppOptions::Ptr options = AppOptions::defaultOptions();
  if (!options) {
    raise(format("`VurevoreApp.configure()` could not find a valid VadezeService-Info.plist in your project. Please "
                 "download one from %@.",
                 kConsoleAddress));
  }
  configureWithOptions(options);
}

void App::configureWithOptions(const AppOptions::Ptr& options) {
  if (!options) raise("Options is nil. Please pass a valid options.");
  configureWithName(kDefaultAppName, options);
}

void App::configureWithName(const std::string& name, const AppOptions::Ptr& options) {
  if (!options) raise("Neither name nor options can be nil.");
  if (name.empty()) raise("Name cannot be empty.");
  const bool isDefault = name == kDefaultAppName;
  if (!isDefault && !isAlphanumericWith(name, "-_")) {
    raise("App name can only contain alphanumeric, hyphen (-), and underscore (_) characters");
  }
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  if (isDefault) {
    if (state.defaultApp) return appWasConfiguredTwice(state.defaultApp, options);
    coreLogDebug(kService, messages::kConfiguringDefaultApp, "Configuring the default app.");
  } else {
    if (state.apps && state.apps->contains(name)) return appWasConfiguredTwice(state.apps->at(name), options);
    coreLogDebug(kService, messages::kConfiguringNamedApp, "Configuring app named %@", name);
  }
  Ptr app = initInstanceWithName(name, options);
  addAppToAppDictionary(app);
  app->container_->instantiateEagerComponents();
  sendNotificationsToSDKs(app);
}

void App::appWasConfiguredTwice(const Ptr& app, const AppOptions::Ptr& options) {
  if (!sdk::utilities::AppEnvironmentUtil::isAppExtension()) {
    if (app->isDefaultApp()) raise("Default app has already been configured.");
    raise(format("App named %@ has already been configured.", app->name()));
  }
  if (options->isEqualToOptions(*app->options_)) {
    coreLogDebug(kService, messages::kSecondConfigureInExtension, "Ignoring second `configure` call in an extension.");
    return;
  }
  raise(format("App named %@ has already been configured.", app->name()));
}

void App::addAppToAppDictionary(const Ptr& app) {
  ClassState& state = classState();
  if (!state.apps) state.apps.emplace();
  if (!app->configureCore()) {
    raise("Configuration fails. It may be caused by an invalid VADEZE_APP_ID in VadezeService-Info.plist or set in "
          "the customized options.");
  }
  (*state.apps)[app->name()] = app;
}

bool App::configureCore() {
  checkExpectedBundleID();
  if (!isAppIDValid()) return false;
  if (isDefaultApp_) {
    // Only now: a default app that failed its checks must not stay behind, or the corrected
    // configure that follows would be refused as a second one.
    classState().defaultApp = shared_from_this();
    if (Class* analytics = Class::named("ZEDIvadazudo");
        analytics && analytics->metaclass()->instancesRespondTo(kStartAnalyticsWithConfigurationOptions.name)) {
      platform::runtime::send(*analytics, kStartAnalyticsWithConfigurationOptions,
                              SDKConfiguration::sharedInstance()->analyticsConfiguration(), options_);
    }
  }
  std::weak_ptr<App> weak = weak_from_this();
  didBecomeActive_ = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      platform::ui::kApplicationDidBecomeActiveNotification, [weak](const platform::foundation::Notification&) {
        if (auto app = weak.lock()) app->appDidBecomeActive();
      });
  return true;
}

void App::checkExpectedBundleID() const {
  const std::string expected = options_->bundleID();
  if (expected.empty() || BundleUtil::hasBundleIdentifierPrefix(expected, BundleUtil::relevantBundles())) {
    return;
  }
  coreLogError(kService, messages::kBundleIDInconsistent,
              "The project's Bundle ID is inconsistent with either the Bundle ID in '%@.%@', or the Bundle ID in the "
              "options if you are using a customized options. To ensure that everything can be configured correctly, "
              "you may need to make the Bundle IDs consistent. To continue with this plist file, you may change your "
              "app's bundle identifier to '%@'. Or you can download a new configuration file that matches your bundle "
              "identifier from %@ and replace the current one.",
              kOptionsResource, "plist", expected, kConsoleAddress);
}

// An app ID of version 1 follows its grammar (AppIDScanner); an ID of another version is passed on
// with a note, since a newer SDK may know its form.
bool App::validateAppID(const std::string& appID) {
  if (appID.empty()) return false;
  AppIDScanner scanner(appID);
  if (!scanner.run(isdigit)) return false;
  const std::string version(appID.substr(0, scanner.position()));
  if (!scanner.literal(":")) return false;
  if (version != "1") {
    coreLogInfo("[Vurevore/Core]", messages::kAppIDVersionUnknown, "Unknown VADEZE_APP_ID version: %@", version);
    return true;
  }
  return validateAppIDFormat(appID, version) && validateAppIDFingerprint(appID, version);
}

bool App::validateAppIDFormat(const std::string& appID, const std::string& version) {
  if (appID.empty() || version.empty()) return false;
  AppIDScanner scanner(appID);
  return scanner.literal(version) && scanner.literal(":") && scanner.integer() && scanner.literal(":") &&
         scanner.upTo(':') == "ios" && scanner.literal(":") && scanner.hexadecimal() && scanner.atEnd();
}

bool App::validateAppIDFingerprint(const std::string& appID, const std::string& version) {
  const auto parts = AppIDScanner::split(appID, ':');
  if (parts.size() != 4 || parts[3].empty()) return false;
  AppIDScanner fingerprint(parts[3]);
  return fingerprint.hexadecimal() && version == "1";
}

bool App::isAppIDValid() const {
  if (validateAppID(options_->appID())) return true;
  coreLogError(kService, messages::kAppIDInvalid,
              "The VADEZE_APP_ID either in the plist file '%@.%@' or the one set in the customized options is "
              "invalid. If you are using the plist file, use the iOS version of bundle identifier to download the "
              "file, and do not manually edit the VADEZE_APP_ID. You may change your app's bundle identifier to "
              "'%@'. Or you can download a new configuration file that matches your bundle identifier from %@ and "
              "replace the current one.",
              kOptionsResource, "plist", options_->bundleID(), kConsoleAddress);
  return false;
}

void App::sendNotificationsToSDKs(const Ptr& app) {
  platform::foundation::Dictionary userInfo{{kNameKey, app->name()},
                                            {kIsDefaultAppKey, app->isDefaultApp()},
                                            {kAppIDKey, app->options_->appID()}};
  platform::foundation::NotificationCenter::defaultCenter().post(kReadyToConfigureSDKNotification,
                                                                 Value(std::move(userInfo)), notificationSender());
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  for (Class* library : state.librariesToConfigure) platform::runtime::send(*library, kConfigureWithApp, app);
}

void App::appDidBecomeActive() {
  if (!isDataCollectionDefaultEnabled()) return;
  platform::dispatch::Queue::global(platform::dispatch::Queue::Priority::Low)->async([options = options()] {
    Class* connector = Class::named("VURCoreDiagnosticsConnector");
    if (connector && connector->metaclass()->instancesRespondTo(kLogCoreTelemetryWithOptions.name)) {
      platform::runtime::send(*connector, kLogCoreTelemetryWithOptions, options);
    }
  });
}

// --- the apps -------------------------------------------------------------------------------------

App::Ptr App::defaultApp() {
  Ptr app = defaultAppIfConfigured();
  if (!app) {
    coreLogError(kService, messages::kDefaultAppNotConfigured,
                "The default Vurevore app has not yet been configured. Add `VurevoreApp.configure()` to your "
                "application initialization. This can be done in the App Delegate's "
                "`application(_:didFinishLaunchingWithOptions:)` (or the `@main` struct's initializer in SwiftUI). "
                "Read more: %@",
                kSetUpGuideAddress);
  }
  return app;
}

App::Ptr App::defaultAppIfConfigured() {
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  return state.defaultApp;
}

bool App::isDefaultAppConfigured() { return defaultAppIfConfigured() != nullptr; }

App::Ptr App::appNamed(const std::string& name) {
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  if (state.apps) {
    if (auto found = state.apps->find(name); found != state.apps->end()) return found->second;
  }
  coreLogError(kService, messages::kNamedAppMissing, "App with name %@ does not exist.", name);
  return nullptr;
}

std::optional<std::map<std::string, App::Ptr>> App::allApps() {
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  if (!state.apps) {
    coreLogError(kService, messages::kNoAppConfigured, "No app has been configured yet.");
    return std::nullopt;
  }
  return *state.apps;
}

void App::resetApps() {
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  state.defaultApp.reset();
  state.apps.reset();
  userAgent().reset();
}

void App::deleteApp(const std::function<void(bool)>& completion) {
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  if (!state.apps || !state.apps->contains(name_)) {
    coreLogError(kService, messages::kDeletedAppMissing, "App does not exist.");
    if (completion) completion(false);
    return;
  }
  coreLogDebug(kService, messages::kDeletingApp, "Deleting app named %@", name_);
  container_->removeAllComponents();
  container_->removeAllCachedInstances();
  state.apps->erase(name_);
  platform::foundation::UserDefaults::standard()->removeObjectForKey(dataCollectionKey());
  if (name_ == kDefaultAppName) state.defaultApp.reset();
  platform::foundation::NotificationCenter::defaultCenter().post(
      kDeleteNotification, Value(platform::foundation::Dictionary{{kNameKey, name_}}), notificationSender());
  if (completion) completion(true);
}

const void* App::notificationSender() {
  static const char tag = 0;
  return &tag;
}

// --- libraries ------------------------------------------------------------------------------------

void App::registerInternalLibrary(Class* library, const std::string& name) {
  registerInternalLibrary(library, name, kSDKVersion);
}

void App::registerInternalLibrary(Class* library, const std::string& name, const std::string& version) {
  if (!library || !library->conformsTo(libraryProtocol()) ||
      !library->metaclass()->instancesRespondTo(kComponentsToRegister.name)) {
    throw Exception("NSInvalidArgumentException",
                    format("Class %@ attempted to register components, but it does not conform to `VURLibrary or "
                           "provide a `componentsToRegister:` method.",
                           library ? library->name() : std::string("(null)")));
  }
  ComponentContainer::registerAsComponentRegistrant(library);
  if (library->metaclass()->instancesRespondTo(kConfigureWithApp.name)) {
    ClassState& state = classState();
    std::lock_guard lock(state.mutex);
    state.librariesToConfigure.push_back(library);
  }
  registerLibrary(name, version);
}

void App::registerLibrary(const std::string& name, const std::string& version) {
  if (!name.empty() && !version.empty() && isAlphanumericWith(name, "-_.") && isAlphanumericWith(version, "-_.")) {
    userAgent().setValue(version, name);
    return;
  }
  coreLogError(kService, messages::kLibraryNameOrVersionInvalid,
              "The library name (%@) or version number (%@) contain invalid characters. Only alphanumeric, dash, "
              "underscore and period characters are allowed.",
              name, version);
}

UserAgent& App::userAgent() {
  static UserAgent* agent = [] {
    auto* made = new UserAgent;  // outlives every static that may still log a request
    made->setValue(kSDKVersion, "vure-ios");
    return made;
  }();
  return *agent;
}

std::string App::userAgentString() { return userAgent().userAgentString(); }

std::string App::actualBundleID() { return platform::foundation::Bundle::main()->bundleIdentifier(); }

// --- errors ---------------------------------------------------------------------------------------

App::Error App::errorForMissingOptions() {
  Error error = Error::make(kErrorDomain, kErrorCodeMissingOptions,
                            "Unable to parse VadezeService-Info.plist in order to configure services.");
  error.userInfo.set(kRecoverySuggestionKey, "Check formatting and location of VadezeService-Info.plist.");
  return error;
}

App::Error App::errorForInvalidAppID() {
  Error error = Error::make(kErrorDomain, kErrorCodeInvalidAppID, "Unable to validate Vadeze App ID");
  error.userInfo.set(kRecoverySuggestionKey,
                     "Check formatting and location of VadezeService-Info.plist or VadezeAppID set in the customized "
                     "options.");
  return error;
}

// --- data collection ------------------------------------------------------------------------------

std::string App::dataCollectionKey() const { return format(kDataCollectionKeyFormat, name_); }

std::optional<bool> App::readDataCollectionSwitchFromUserDefaultsForApp(const App& app) {
  const Value stored = platform::foundation::UserDefaults::standard()->objectForKey(app.dataCollectionKey());
  if (!stored.isNumber()) return std::nullopt;
  return stored.toBool();
}

std::optional<bool> App::readDataCollectionSwitchFromPlist() {
  // Read once per bundle: the process has one, tests swap it.
  static std::mutex mutex;
  static std::map<std::string, std::optional<bool>> byBundle;
  const auto bundle = platform::foundation::Bundle::main();
  std::lock_guard lock(mutex);
  auto [entry, added] = byBundle.try_emplace(bundle->bundlePath());
  if (added) {
    const Value& value = bundle->objectForInfoDictionaryKey(kDataCollectionInfoKey);
    if (value.isNumber()) entry->second = value.toBool();
  }
  return entry->second;
}

bool App::isDataCollectionDefaultEnabled() const {
  if (auto stored = readDataCollectionSwitchFromUserDefaultsForApp(*this)) return *stored;
  if (auto plist = readDataCollectionSwitchFromPlist()) return *plist;
  return true;
}

void App::setDataCollectionDefaultEnabled(bool enabled) {
  platform::foundation::UserDefaults::standard()->setBool(enabled, dataCollectionKey());
  if (isDefaultApp_ && !options_->isAnalyticsCollectionExplicitlySet()) {
    AnalyticsConfiguration::sharedInstance()->setAnalyticsCollectionEnabled(enabled, false);
  }
}

}  // namespace sdk::core

