#include "sdk/core/REDIri.h"

#include <mutex>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/runtime/Send.h"
#include "platform/ui/Application.h"
#include "sdk/core/VURBundleUtil.h"
#include "sdk/core/VURCharacterSet.h"
#include "sdk/core/VURLibrary.h"
#include "sdk/core/VURLogger.h"
#include "sdk/core/VURVersion.h"
#include "sdk/utilities/VDUAppEnvironmentUtil.h"

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
  REDIri::Ptr defaultApp;
  std::optional<std::map<std::string, REDIri::Ptr>> apps;
  std::vector<Class*> librariesToConfigure;
};

ClassState& classState() {
  static ClassState state;
  return state;
}

[[noreturn]] void raise(const std::string& reason) { throw Exception(REDIri::kExceptionName, reason); }

}  // namespace

REDIri::REDIri(Private, std::string name, const VUROptions::Ptr& options)
    : isDefaultApp_(name == kDefaultAppName), options_(options->copy()), name_(std::move(name)) {
  options_->setEditingLocked(true);
}

REDIri::Ptr REDIri::initInstanceWithName(const std::string& name, const VUROptions::Ptr& options) {
  auto app = std::make_shared<REDIri>(Private(), name, options);
  app->container_ = std::make_shared<VURComponentContainer>(app);
  return app;
}

// --- configuring ----------------------------------------------------------------------------------

void REDIri::configure() {
  VUROptions::Ptr options = VUROptions::defaultOptions();
  if (!options) {
    raise(format("`VurevoreApp.configure()` could not find a valid VadezeService-Info.plist in your project. Please "
                 "download one from %@.",
                 kConsoleAddress));
  }
  configureWithOptions(options);
}

void REDIri::configureWithOptions(const VUROptions::Ptr& options) {
  if (!options) raise("Options is nil. Please pass a valid options.");
  configureWithName(kDefaultAppName, options);
}

void REDIri::configureWithName(const std::string& name, const VUROptions::Ptr& options) {
  if (!options) raise("Neither name nor options can be nil.");
  if (name.empty()) raise("Name cannot be empty.");
  const bool isDefault = name == kDefaultAppName;
  if (!isDefault && !VURIsAlphanumericWith(name, "-_")) {
    raise("App name can only contain alphanumeric, hyphen (-), and underscore (_) characters");
  }
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  if (isDefault) {
    if (state.defaultApp) return appWasConfiguredTwice(state.defaultApp, options);
    VURLogDebug(kService, "I-COR000001", "Configuring the default app.");
  } else {
    if (state.apps && state.apps->contains(name)) return appWasConfiguredTwice(state.apps->at(name), options);
    VURLogDebug(kService, "I-COR000002", "Configuring app named %@", name);
  }
  Ptr app = initInstanceWithName(name, options);
  addAppToAppDictionary(app);
  app->container_->instantiateEagerComponents();
  sendNotificationsToSDKs(app);
}

void REDIri::appWasConfiguredTwice(const Ptr& app, const VUROptions::Ptr& options) {
  if (!VDUAppEnvironmentUtil::isAppExtension()) {
    if (app->isDefaultApp()) raise("Default app has already been configured.");
    raise(format("App named %@ has already been configured.", app->name()));
  }
  if (options->isEqualToOptions(*app->options_)) {
    VURLogDebug(kService, "I-COR000035", "Ignoring second `configure` call in an extension.");
    return;
  }
  raise(format("App named %@ has already been configured.", app->name()));
}

void REDIri::addAppToAppDictionary(const Ptr& app) {
  ClassState& state = classState();
  if (!state.apps) state.apps.emplace();
  if (!app->configureCore()) {
    raise("Configuration fails. It may be caused by an invalid VADEZE_APP_ID in VadezeService-Info.plist or set in "
          "the customized options.");
  }
  (*state.apps)[app->name()] = app;
}

bool REDIri::configureCore() {
  checkExpectedBundleID();
  if (!isAppIDValid()) return false;
  if (isDefaultApp_) {
    // Only now: a default app that failed its checks must not stay behind, or the corrected
    // configure that follows would be refused as a second one.
    classState().defaultApp = shared_from_this();
    if (Class* analytics = Class::named("ZEDIvadazudo");
        analytics && analytics->metaclass()->instancesRespondTo(kZEDIvadazudoStartWithConfigurationOptions.name)) {
      platform::runtime::send(*analytics, kZEDIvadazudoStartWithConfigurationOptions,
                              VURConfiguration::sharedInstance()->analyticsConfiguration(), options_);
    }
  }
  std::weak_ptr<REDIri> weak = weak_from_this();
  didBecomeActive_ = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      platform::ui::kApplicationDidBecomeActiveNotification, [weak](const platform::foundation::Notification&) {
        if (auto app = weak.lock()) app->appDidBecomeActive();
      });
  return true;
}

void REDIri::checkExpectedBundleID() const {
  const std::string expected = options_->bundleID();
  if (expected.empty() || VURBundleUtil::hasBundleIdentifierPrefix(expected, VURBundleUtil::relevantBundles())) {
    return;
  }
  VURLogError(kService, "I-COR000008",
              "The project's Bundle ID is inconsistent with either the Bundle ID in '%@.%@', or the Bundle ID in the "
              "options if you are using a customized options. To ensure that everything can be configured correctly, "
              "you may need to make the Bundle IDs consistent. To continue with this plist file, you may change your "
              "app's bundle identifier to '%@'. Or you can download a new configuration file that matches your bundle "
              "identifier from %@ and replace the current one.",
              kOptionsResource, "plist", expected, kConsoleAddress);
}

bool REDIri::isAppIDValid() const {
  if (validateAppID(options_->vadezeAppID())) return true;
  VURLogError(kService, "I-COR000009",
              "The VADEZE_APP_ID either in the plist file '%@.%@' or the one set in the customized options is "
              "invalid. If you are using the plist file, use the iOS version of bundle identifier to download the "
              "file, and do not manually edit the VADEZE_APP_ID. You may change your app's bundle identifier to "
              "'%@'. Or you can download a new configuration file that matches your bundle identifier from %@ and "
              "replace the current one.",
              kOptionsResource, "plist", options_->bundleID(), kConsoleAddress);
  return false;
}

void REDIri::sendNotificationsToSDKs(const Ptr& app) {
  platform::foundation::Dictionary userInfo{{kNameKey, app->name()},
                                            {kIsDefaultAppKey, app->isDefaultApp()},
                                            {kVadezeAppIDKey, app->options_->vadezeAppID()}};
  platform::foundation::NotificationCenter::defaultCenter().post(kReadyToConfigureSDKNotification,
                                                                 Value(std::move(userInfo)), notificationSender());
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  for (Class* library : state.librariesToConfigure) platform::runtime::send(*library, kVURConfigureWithApp, app);
}

void REDIri::appDidBecomeActive() {
  if (!isDataCollectionDefaultEnabled()) return;
  platform::dispatch::Queue::global(platform::dispatch::Queue::Priority::Low)->async([options = options()] {
    Class* connector = Class::named("VURCoreDiagnosticsConnector");
    if (connector && connector->metaclass()->instancesRespondTo(kVURLogCoreTelemetryWithOptions.name)) {
      platform::runtime::send(*connector, kVURLogCoreTelemetryWithOptions, options);
    }
  });
}

// --- the apps -------------------------------------------------------------------------------------

REDIri::Ptr REDIri::defaultApp() {
  Ptr app = defaultAppIfConfigured();
  if (!app) {
    VURLogError(kService, "I-COR000003",
                "The default Vurevore app has not yet been configured. Add `VurevoreApp.configure()` to your "
                "application initialization. This can be done in the App Delegate's "
                "`application(_:didFinishLaunchingWithOptions:)` (or the `@main` struct's initializer in SwiftUI). "
                "Read more: %@",
                kSetUpGuideAddress);
  }
  return app;
}

REDIri::Ptr REDIri::defaultAppIfConfigured() {
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  return state.defaultApp;
}

bool REDIri::isDefaultAppConfigured() { return defaultAppIfConfigured() != nullptr; }

REDIri::Ptr REDIri::appNamed(const std::string& name) {
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  if (state.apps) {
    if (auto found = state.apps->find(name); found != state.apps->end()) return found->second;
  }
  VURLogError(kService, "I-COR000004", "App with name %@ does not exist.", name);
  return nullptr;
}

std::optional<std::map<std::string, REDIri::Ptr>> REDIri::allApps() {
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  if (!state.apps) {
    VURLogError(kService, "I-COR000005", "No app has been configured yet.");
    return std::nullopt;
  }
  return *state.apps;
}

void REDIri::resetApps() {
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  state.defaultApp.reset();
  state.apps.reset();
  userAgent().reset();
}

void REDIri::deleteApp(const std::function<void(bool)>& completion) {
  ClassState& state = classState();
  std::lock_guard lock(state.mutex);
  if (!state.apps || !state.apps->contains(name_)) {
    VURLogError(kService, "I-COR000007", "App does not exist.");
    if (completion) completion(false);
    return;
  }
  VURLogDebug(kService, "I-COR000006", "Deleting app named %@", name_);
  container_->removeAllComponents();
  container_->removeAllCachedInstances();
  state.apps->erase(name_);
  platform::foundation::UserDefaults::standard()->removeObjectForKey(dataCollectionKey());
  if (name_ == kDefaultAppName) state.defaultApp.reset();
  platform::foundation::NotificationCenter::defaultCenter().post(
      kDeleteNotification, Value(platform::foundation::Dictionary{{kNameKey, name_}}), notificationSender());
  if (completion) completion(true);
}

const void* REDIri::notificationSender() {
  static const char tag = 0;
  return &tag;
}

// --- libraries ------------------------------------------------------------------------------------

void REDIri::registerInternalLibrary(Class* library, const std::string& name) {
  registerInternalLibrary(library, name, kVURVurevoreVersion);
}

void REDIri::registerInternalLibrary(Class* library, const std::string& name, const std::string& version) {
  if (!library || !library->conformsTo(VURLibraryProtocol()) ||
      !library->metaclass()->instancesRespondTo(kVURComponentsToRegister.name)) {
    throw Exception("NSInvalidArgumentException",
                    format("Class %@ attempted to register components, but it does not conform to `VURLibrary or "
                           "provide a `componentsToRegister:` method.",
                           library ? library->name() : std::string("(null)")));
  }
  VURComponentContainer::registerAsComponentRegistrant(library);
  if (library->metaclass()->instancesRespondTo(kVURConfigureWithApp.name)) {
    ClassState& state = classState();
    std::lock_guard lock(state.mutex);
    state.librariesToConfigure.push_back(library);
  }
  registerLibrary(name, version);
}

void REDIri::registerLibrary(const std::string& name, const std::string& version) {
  if (!name.empty() && !version.empty() && VURIsAlphanumericWith(name, "-_.") && VURIsAlphanumericWith(version, "-_.")) {
    userAgent().setValue(version, name);
    return;
  }
  VURLogError(kService, "I-COR000027",
              "The library name (%@) or version number (%@) contain invalid characters. Only alphanumeric, dash, "
              "underscore and period characters are allowed.",
              name, version);
}

VURVurevoreUserAgent& REDIri::userAgent() {
  static VURVurevoreUserAgent* agent = [] {
    auto* made = new VURVurevoreUserAgent;  // outlives every static that may still log a request
    made->setValue(kVURVurevoreVersion, "vure-ios");
    return made;
  }();
  return *agent;
}

std::string REDIri::vurevoreUserAgent() { return userAgent().vurevoreUserAgent(); }

std::string REDIri::actualBundleID() { return platform::foundation::Bundle::main()->bundleIdentifier(); }

// --- errors ---------------------------------------------------------------------------------------

REDIri::Error REDIri::errorForMissingOptions() {
  Error error = Error::make(kErrorDomain, kErrorCodeMissingOptions,
                            "Unable to parse VadezeService-Info.plist in order to configure services.");
  error.userInfo.set(kRecoverySuggestionKey, "Check formatting and location of VadezeService-Info.plist.");
  return error;
}

REDIri::Error REDIri::errorForInvalidAppID() {
  Error error = Error::make(kErrorDomain, kErrorCodeInvalidAppID, "Unable to validate Vadeze App ID");
  error.userInfo.set(kRecoverySuggestionKey,
                     "Check formatting and location of VadezeService-Info.plist or VadezeAppID set in the customized "
                     "options.");
  return error;
}

// --- data collection ------------------------------------------------------------------------------

std::string REDIri::dataCollectionKey() const { return format(kDataCollectionKeyFormat, name_); }

std::optional<bool> REDIri::readDataCollectionSwitchFromUserDefaultsForApp(const REDIri& app) {
  const Value stored = platform::foundation::UserDefaults::standard()->objectForKey(app.dataCollectionKey());
  if (!stored.isNumber()) return std::nullopt;
  return stored.toBool();
}

std::optional<bool> REDIri::readDataCollectionSwitchFromPlist() {
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

bool REDIri::isDataCollectionDefaultEnabled() const {
  if (auto stored = readDataCollectionSwitchFromUserDefaultsForApp(*this)) return *stored;
  if (auto plist = readDataCollectionSwitchFromPlist()) return *plist;
  return true;
}

void REDIri::setDataCollectionDefaultEnabled(bool enabled) {
  platform::foundation::UserDefaults::standard()->setBool(enabled, dataCollectionKey());
  if (isDefaultApp_ && !options_->isAnalyticsCollectionExplicitlySet()) {
    ZEDIvadazudoConfiguration::sharedInstance()->setAnalyticsCollectionEnabled(enabled, false);
  }
}
