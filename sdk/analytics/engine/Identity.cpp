#include "sdk/analytics/engine/Identity.h"

#include <cctype>
#include <charconv>

#include "platform/dispatch/Once.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/IdentityFacts.h"
#include "platform/runtime/Class.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/DefaultIdentitySupport.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/core/AppOptions.h"
#include "sdk/utilities/RandomUUID.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;

void log(LogLevel level, std::int64_t code, const std::string& message) {
  Monitor::shared()->logWithLevel(level, code, message);
}

bool storedNonEmpty(const std::optional<std::string>& text) { return text && !text->empty(); }

}  // namespace

std::shared_ptr<Identity> Identity::sharedInstance() {
  static platform::dispatch::Once once;
  static std::shared_ptr<Identity> instance;
  once.call([] {
    instance = initWithPersistedConfig(PersistedConfig::sharedInstance());
    if (instance && !DefaultIdentitySupport::sharedInstance()->hasLimitedAdTracking()) {
      log(LogLevel::kDebug, messages::kAdSupportNotLinked,
          "The AdSupport Framework is not currently linked. Some features will not function properly. Learn more at "
          "https://docs.ostrel.example/analytics/ad-support");
    }
  });
  if (!instance) log(LogLevel::kSilentError, messages::kIdentityMissing, "Identity's shared instance is nil");
  return instance;
}

std::shared_ptr<Identity> Identity::initWithPersistedConfig(std::shared_ptr<PersistedConfig> config,
                                                                  std::shared_ptr<IdentitySupport> support) {
  if (!config) {
    log(LogLevel::kSilentError, messages::kIdentityWithoutPersistedConfig,
        "Unable to create measurement identity, missing a valid persisted config instance");
    return nullptr;
  }
  if (!support) support = DefaultIdentitySupport::sharedInstance();
  auto identity = std::make_shared<Identity>(Key{}, std::move(config), std::move(support));
  identity->readOptionsFile();
  identity->readBundle();
  identity->queue_->sync([&] {
    identity->enforceConsentOnQueue();
    if (!storedNonEmpty(identity->persistedConfig_->appInstanceID()) &&
        !ConsentSettings::isAnalyticsStorageDenied()) {
      identity->persistedConfig_->setAppInstanceID(randomAppInstanceID());
    }
  });
  return identity;
}

Identity::Identity(Key, std::shared_ptr<PersistedConfig> config, std::shared_ptr<IdentitySupport> support)
    : persistedConfig_(std::move(config)),
      support_(std::move(support)),
      queue_(platform::dispatch::Queue::serial("APMIdentityWorkerQueue")) {}

void Identity::readOptionsFile() {
  Value options = InfoPlistFileUtil::dictionaryFromServiceInfoPlist();
  if (options.size() > 0) {
    appIDFromVMP_ = options[kVMPAppIDKey].toString();
    appIDFromDeDed_ = options[kDeDedAppIDKey].toString();
  }
  if (platform::runtime::Class::named("ZEDIvadazudo") && appIDFromVMP_.empty()) {
    log(LogLevel::kError, messages::kVadezeAppIDEmptyInOptionsFile,
        "Vadeze App ID from VadezeService-Info.plist is empty. Please, define VADEZE_APP_ID in "
        "VadezeService-Info.plist for Analytics to work reliably. See "
        "https://docs.ostrel.example/analytics/options-file");
  }
}

void Identity::readBundle() {
  auto bundle = platform::foundation::Bundle::main();
  if (!bundle) return;
  const Value& idfv = bundle->objectForInfoDictionaryKey(kIDFVCollectionEnabledKey);
  if (idfv.isNumber()) isIDFVCollectionEnabledNumber_ = idfv;
  appID_ = bundle->bundleIdentifier();
  appVersion_ = bundle->objectForInfoDictionaryKey("CFBundleShortVersionString").toString();
  auto fields = numericFieldsFromAppVersionNumeric(bundle->objectForInfoDictionaryKey("CFBundleVersion").toString());
  if (fields.size() > 0) appVersionMajor_ = fields[0];
  if (fields.size() > 1) appVersionMinor_ = fields[1];
  if (fields.size() > 2) appVersionRelease_ = fields[2];
}

std::int64_t Identity::analyticsLibraryVersion() {
  static const std::int64_t version = libraryVersionFromString(sdk::core::AppOptions::libraryVersionID());
  return version;
}

std::int64_t Identity::libraryVersionFromString(const std::string& version) {
  if (version.size() < 4) return 0;
  std::int64_t value = 0;
  const char* begin = version.data();
  std::from_chars(begin, begin + version.size() - 3, value);
  return value;
}

std::vector<std::int32_t> Identity::numericFieldsFromAppVersionNumeric(const std::string& version) {
  std::vector<std::int32_t> fields;
  std::size_t start = 0;
  while (start <= version.size()) {
    std::size_t dot = version.find('.', start);
    if (dot == std::string::npos) dot = version.size();
    std::string piece = version.substr(start, dot - start);
    start = dot + 1;
    if (piece.empty()) continue;
    std::string digits;
    for (char c : piece) {
      if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
    }
    if (digits.size() != piece.size())
      log(LogLevel::kSilentWarning, messages::kAppVersionNotNumeric, "app version numeric has non-numeric characters");
    // An out-of-range run of digits reads as 0, like an empty one, rather than as a wrapped number.
    std::int32_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    fields.push_back(value);
  }
  return fields;
}

std::string Identity::randomAppInstanceID() {
  std::string uuid = sdk::utilities::randomUUIDString();
  std::erase(uuid, '-');
  return uuid;
}

std::optional<std::string> Identity::appInstanceID() {
  if (sdk::analytics::IdentitySettings::current()->nonBlockingAppInstanceIDEnabled() &&
      platform::dispatch::Queue::main()->isCurrent()) {
    updateIdentifiers();
    return persistedConfig_->appInstanceID();
  }
  return refreshedRead([&] { return persistedConfig_->appInstanceID(); });
}

void Identity::setAppInstanceID(const std::string& appInstanceID) {
  queue_->async([config = persistedConfig_, appInstanceID] { config->setAppInstanceID(appInstanceID); });
}

std::optional<std::string> Identity::resettableDeviceID() {
  return refreshedRead([&] { return resettableDeviceID_; });
}

std::optional<std::string> Identity::hashedResettableDeviceID() {
  return refreshedRead([&] { return persistedConfig_->hashedResettableDeviceID(); });
}

bool Identity::limitedAdTracking() {
  return refreshedRead([&] { return limitedAdTracking_; });
}

bool Identity::hasLimitedAdTracking() {
  return refreshedRead([&] { return support_->hasLimitedAdTracking(); });
}

std::uint64_t Identity::appleConsentStatus() {
  return refreshedRead([&] { return appleConsentStatus_; });
}

bool Identity::iOS14OrAbove() const { return DefaultIdentitySupport::iOS14OrAbove(); }

std::optional<std::string> Identity::identifierForVendor() {
  if (storedNonEmpty(resettableDeviceID())) return std::nullopt;
  if (!mayUseVendorID()) return std::nullopt;
  std::optional<std::string> cached;
  queue_->sync([&] { cached = identifierForVendorString_; });
  return cached ? cached : readVendorID();
}

bool Identity::mayUseVendorID() const {
  return !(isIDFVCollectionEnabledNumber_.isNumber() && !isIDFVCollectionEnabledNumber_.toBool()) &&
         !ConsentSettings::isAnalyticsStorageDenied();
}

std::optional<std::string> Identity::readVendorID() {
  // The platform's identity facts may be read from any thread, so no hop to the main thread.
  auto vendorID = platform::foundation::IdentityFacts::current().identifierForVendor;
  if (vendorID) {
    queue_->async([self = shared_from_this(), vendorID] { self->identifierForVendorString_ = vendorID; });
  }
  return vendorID;
}

Identity::Identifiers Identity::identifiers() {
  Identifiers read;
  read.iOS14OrAbove = iOS14OrAbove();
  const bool mayUseVendor = mayUseVendorID();
  bool vendorIDWanted = false;
  queue_->sync([&] {
    refreshOnQueue();
    read.appIDFromVMP = appIDFromVMP_;
    read.appIDFromDeDed = appIDFromDeDed_;
    read.appleConsentStatus = appleConsentStatus_;
    read.hasLimitedAdTracking = support_->hasLimitedAdTracking();
    read.limitedAdTracking = limitedAdTracking_;
    read.resettableDeviceID = resettableDeviceID_;
    read.appInstanceID = persistedConfig_->appInstanceID();
    vendorIDWanted = !storedNonEmpty(resettableDeviceID_) && mayUseVendor;
    if (vendorIDWanted) read.identifierForVendor = identifierForVendorString_;
  });
  if (vendorIDWanted && !read.identifierForVendor) read.identifierForVendor = readVendorID();
  return read;
}

std::string Identity::appIDFromVMP() {
  std::string value;
  queue_->sync([&] { value = appIDFromVMP_; });
  return value;
}

std::string Identity::appIDFromDeDed() {
  std::string value;
  queue_->sync([&] { value = appIDFromDeDed_; });
  return value;
}

void Identity::setAppIDFromVMP(const std::string& appID) {
  if (appID.empty()) {
    log(LogLevel::kSilentError, messages::kEmptyVadezeAppIDRefused, "Cannot set empty Vadeze App ID");
    return;
  }
  if (vmpAppIDTaken_.exchange(true)) return;
  queue_->async([self = shared_from_this(), appID] { self->appIDFromVMP_ = appID; });
}

void Identity::setAppIDFromDeDed(const std::string& appID) {
  if (appID.empty()) {
    log(LogLevel::kSilentError, messages::kEmptyDeDedAppIDRefused, "Cannot set empty DeDed App ID");
    return;
  }
  if (deDedAppIDTaken_.exchange(true)) return;
  queue_->async([self = shared_from_this(), appID] { self->appIDFromDeDed_ = appID; });
}

bool Identity::shouldSetLastAdvertisingIDResetUserProperty() {
  bool value = false;
  queue_->sync([&] { value = persistedConfig_->shouldSetLastAdvertisingIDResetUserProperty(); });
  return value;
}

void Identity::setShouldSetLastAdvertisingIDResetUserProperty(bool value) {
  queue_->async([config = persistedConfig_, value] { config->setShouldSetLastAdvertisingIDResetUserProperty(value); });
}

void Identity::enforceConsentSettings() {
  queue_->async([self = shared_from_this()] { self->enforceConsentOnQueue(); });
}

void Identity::enforceConsentOnQueue() {
  if (ConsentSettings::isAdStorageDenied()) persistedConfig_->setHashedResettableDeviceID(std::nullopt);
  if (ConsentSettings::isAnalyticsStorageDenied()) persistedConfig_->setAppInstanceID(std::nullopt);
}

bool Identity::isFromAppStore() const { return RunningApplication::isFAS(); }

std::string Identity::coreInstallationID() const {
  std::lock_guard lock(installationIDMutex_);
  return coreInstallationID_;
}

void Identity::setCoreInstallationID(const std::optional<std::string>& installationID) {
  if (!installationID || installationID->empty()) return;
  std::lock_guard lock(installationIDMutex_);
  coreInstallationID_ = *installationID;
}

void Identity::updateIdentifiers() {
  queue_->async([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->refreshOnQueue();
  });
}

void Identity::updateIdentifiersAndWait() {
  queue_->sync([&] { refreshOnQueue(); });
}

std::uint64_t Identity::consentStatusOnQueue(bool* gateOpen) const {
  *gateOpen = true;
  if (!iOS14OrAbove()) return kConsentUnsupported;
  if (!support_->hasLimitedAdTracking()) return kConsentUnsupported;
  std::uint64_t status = kConsentUnavailable;
  if (support_->hasAppDataConsentStatus()) {
    switch (support_->appDataConsentStatus()) {
      case 0: status = kConsentNotDetermined; break;
      case 1: status = kConsentRestricted; break;
      case 2: status = kConsentDenied; break;
      case 3: status = kConsentAuthorized; break;
      default: status = kConsentUnavailable; break;
    }
  }
  if (status != kConsentAuthorized && sdk::analytics::IdentitySettings::current()->gateIDFAOnATTMASEnabled()) {
    *gateOpen = false;
  }
  return status;
}

// The advertising ID is read again only once the cache time has passed since the last refresh. A new
// advertising ID (its hash differs from the stored one) means a different person or a reset: the app
// instance ID is replaced, so the two can't be joined. Consent decides what may be stored.
void Identity::refreshOnQueue() {
  enforceConsentOnQueue();
  auto settings = sdk::analytics::IdentitySettings::current();
  double now = platform::foundation::Clock::current()->now();
  std::optional<std::string> instanceID = persistedConfig_->appInstanceID();
  if (storedNonEmpty(instanceID) && lastAppInstanceIDUpdateTimestamp_ && *lastAppInstanceIDUpdateTimestamp_ <= now &&
      now - *lastAppInstanceIDUpdateTimestamp_ < settings->adIDCacheTime()) {
    return;
  }

  std::optional<std::string> storedHash = persistedConfig_->hashedResettableDeviceID();
  std::optional<std::string> cachedDeviceID = resettableDeviceID_;
  bool limited = support_->limitedAdTracking();

  bool gateOpen = true;
  std::uint64_t status = consentStatusOnQueue(&gateOpen);
  bool adDenied = ConsentSettings::isAdStorageDenied();
  bool analyticsDenied = ConsentSettings::isAnalyticsStorageDenied();
  std::optional<std::string> deviceID;
  if (gateOpen && !adDenied) deviceID = support_->resettableDeviceID();

  bool storeNeeded = !storedNonEmpty(instanceID);
  std::optional<std::string> newHash = storedHash;
  if (storedNonEmpty(deviceID) && *deviceID != DefaultIdentitySupport::kZeroDeviceID) {
    std::optional<std::string> digest = md5HexString(*deviceID);
    if (digest != storedHash) {
      if (storedNonEmpty(storedHash)) {
        instanceID = randomAppInstanceID();
        if (settings->lastAdvertisingIDResetFeatureEnabled()) {
          persistedConfig_->setShouldSetLastAdvertisingIDResetUserProperty(true);
        }
      }
      newHash = digest;
      storeNeeded = true;
    }
    cachedDeviceID = deviceID;
  } else if ((deviceID && *deviceID == DefaultIdentitySupport::kZeroDeviceID) || !gateOpen || adDenied) {
    // An identifier that consent or the tracking gate now forbids is not handed out from the cache
    // either; only a platform that simply gave none this time leaves the cached one standing.
    cachedDeviceID.reset();
  }

  if (storeNeeded) {
    if (!analyticsDenied) {
      persistedConfig_->setAppInstanceID(storedNonEmpty(instanceID) ? *instanceID : randomAppInstanceID());
    }
    if (!adDenied) persistedConfig_->setHashedResettableDeviceID(newHash);
  }

  lastAppInstanceIDUpdateTimestamp_ = now;
  limitedAdTracking_ = limited;
  resettableDeviceID_ = cachedDeviceID;
  appleConsentStatus_ = status;
}

}  // namespace sdk::analytics

