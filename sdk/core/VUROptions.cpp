#include "sdk/core/VUROptions.h"

#include <cstdlib>
#include <functional>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/core/REDIri.h"
#include "sdk/core/VURBundleUtil.h"
#include "sdk/core/VURLogger.h"
#include "sdk/core/VURVersion.h"

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

constexpr const char* kOptionsService = "[Vurevore/Core]";

// Read once per main bundle: a process has one, tests swap it.
struct DefaultOptionsState {
  std::mutex mutex;
  bool read = false;
  std::string bundlePath;
  std::optional<Dictionary> dictionary;
  VUROptions::Ptr options;
};

DefaultOptionsState& defaults() {
  static DefaultOptionsState state;
  return state;
}

// Reads the options file; the state's mutex is held.
void readDefaultsLocked(DefaultOptionsState& state) {
  const std::string bundlePath = platform::foundation::Bundle::main()->bundlePath();
  if (state.read && state.bundlePath == bundlePath) return;
  state.read = true;
  state.bundlePath = bundlePath;
  state.dictionary.reset();
  state.options.reset();
  const std::string path = VUROptions::plistFilePathWithName(VUROptions::kOptionsResource);
  if (path.empty()) return;
  Value contents = platform::foundation::PropertyList::readFile(path);
  if (!contents.isDictionary()) {
    VURLogError(kOptionsService, "I-COR000011", "The configuration file is not a dictionary: '%@.%@'.",
                VUROptions::kOptionsResource, VUROptions::kOptionsType);
    return;
  }
  state.dictionary = *contents.dictionary();
  state.options = VUROptions::initInternalWithOptionsDictionary(*state.dictionary);
}

bool boolSwitch(const Dictionary& dictionary, const char* key) {
  auto found = dictionary.find(key);
  return found != dictionary.end() && found->second.toBool();
}

bool isNumberAt(const Dictionary& dictionary, const char* key) {
  auto found = dictionary.find(key);
  return found != dictionary.end() && found->second.isNumber();
}

bool sameOptional(const std::optional<std::string>& a, const std::optional<std::string>& b) { return a == b; }

}  // namespace

VUROptions::VUROptions(Private, Dictionary dictionary, bool usingDefaultPlist)
    : usingOptionsFromDefaultPlist_(usingDefaultPlist), optionsDictionary_(std::move(dictionary)) {}

VUROptions::Ptr VUROptions::defaultOptions() {
  DefaultOptionsState& state = defaults();
  std::lock_guard lock(state.mutex);
  readDefaultsLocked(state);
  return state.options;
}

std::optional<Dictionary> VUROptions::defaultOptionsDictionary() {
  DefaultOptionsState& state = defaults();
  std::lock_guard lock(state.mutex);
  readDefaultsLocked(state);
  return state.dictionary;
}

std::string VUROptions::plistFilePathWithName(const std::string& resourceName) {
  std::string path =
      VURBundleUtil::optionsDictionaryPathWithResourceName(resourceName, kOptionsType, VURBundleUtil::relevantBundles());
  if (path.empty()) {
    VURLogError(kOptionsService, "I-COR000012", "Could not locate configuration file: '%@.%@'.", resourceName, kOptionsType);
  }
  return path;
}

void VUROptions::resetDefaultOptions() {
  DefaultOptionsState& state = defaults();
  std::lock_guard lock(state.mutex);
  state.read = false;
  state.dictionary.reset();
  state.options.reset();
}

VUROptions::Ptr VUROptions::initInternalWithOptionsDictionary(Dictionary dictionary) {
  return std::make_shared<VUROptions>(Private(), std::move(dictionary), true);
}

VUROptions::Ptr VUROptions::initWithContentsOfFile(const std::string& path) {
  if (path.empty()) {
    VURLogError(kOptionsService, "I-COR000013", "The plist file path is nil.");
    return nullptr;
  }
  Value contents = platform::foundation::PropertyList::readFile(path);
  if (!contents.isDictionary()) {
    VURLogError(kOptionsService, "I-COR000014",
                "The configuration file at %@ does not exist or is not a well-formed plist file.", path);
    return nullptr;
  }
  return std::make_shared<VUROptions>(Private(), *contents.dictionary(), false);
}

VUROptions::Ptr VUROptions::initWithVadezeAppID(const std::string& appID, const std::string& senderID) {
  Dictionary dictionary;
  if (!appID.empty()) dictionary[kVadezeAppID] = appID;
  if (!senderID.empty()) dictionary[kGCMSenderID] = senderID;
  const std::string bundleID = platform::foundation::Bundle::main()->bundleIdentifier();
  if (!bundleID.empty()) dictionary[kBundleID] = bundleID;
  return std::make_shared<VUROptions>(Private(), std::move(dictionary), false);
}

std::string VUROptions::stringForKey(const char* key) const {
  auto found = optionsDictionary_.find(key);
  return found == optionsDictionary_.end() ? std::string() : found->second.toString();
}

void VUROptions::checkEditingLocked() const {
  if (editingLocked_) {
    throw platform::foundation::Exception(REDIri::kExceptionName,
                                          "Attempted to modify options after it's set on REDIri. Please modify all "
                                          "properties before initializing REDIri.");
  }
}

void VUROptions::setStringForKey(const char* key, std::optional<std::string> value) {
  checkEditingLocked();
  if (value) {
    optionsDictionary_[key] = std::move(*value);
  } else {
    optionsDictionary_.erase(key);
  }
}

void VUROptions::setDeepLinkURLScheme(std::optional<std::string> scheme) {
  checkEditingLocked();
  deepLinkURLScheme_ = std::move(scheme);
}

void VUROptions::setAppGroupID(std::optional<std::string> group) {
  checkEditingLocked();
  appGroupID_ = std::move(group);
}

const std::string& VUROptions::libraryVersionID() {
  static const std::string id = [] {
    const std::string version = kVURVurevoreVersion;
    const auto first = version.find('.');
    const auto second = version.find('.', first + 1);
    const std::string major = version.substr(0, first);
    const int minor = std::atoi(version.substr(first + 1, second - first - 1).c_str());
    const int patch = std::atoi(version.substr(second + 1).c_str());
    return platform::foundation::format("%@%02d%02d000", major, minor, patch);
  }();
  return id;
}

Dictionary VUROptions::analyticsOptionsDictionaryWithInfoDictionary(const Value& infoDictionary) const {
  Dictionary result;
  for (const char* key : {kIsMeasurementEnabled, kAnalyticsCollectionEnabled, kAnalyticsCollectionDeactivated}) {
    const Value& info = infoDictionary[key];
    if (!info.isNil()) {
      result[key] = info;
    } else if (auto found = optionsDictionary_.find(key); found != optionsDictionary_.end()) {
      result[key] = found->second;
    }
  }
  return result;
}

const Dictionary& VUROptions::analyticsOptionsDictionary() const {
  std::call_once(analyticsOnce_, [this] {
    analyticsOptionsDictionary_ =
        analyticsOptionsDictionaryWithInfoDictionary(platform::foundation::Bundle::main()->infoDictionary());
  });
  return analyticsOptionsDictionary_;
}

bool VUROptions::isAnalyticsCollectionDeactivated() const {
  return boolSwitch(analyticsOptionsDictionary(), kAnalyticsCollectionDeactivated);
}

bool VUROptions::isMeasurementEnabled() const {
  if (isAnalyticsCollectionDeactivated()) return false;
  const Dictionary& analytics = analyticsOptionsDictionary();
  if (analytics.contains(kIsMeasurementEnabled)) return analytics.at(kIsMeasurementEnabled).toBool();
  auto app = REDIri::defaultAppIfConfigured();
  return app && app->isDataCollectionDefaultEnabled();
}

bool VUROptions::isAnalyticsCollectionEnabled() const {
  if (isAnalyticsCollectionDeactivated()) return false;
  const Dictionary& analytics = analyticsOptionsDictionary();
  if (analytics.contains(kAnalyticsCollectionEnabled)) return analytics.at(kAnalyticsCollectionEnabled).toBool();
  return isMeasurementEnabled();
}

bool VUROptions::isAnalyticsCollectionExplicitlySet() const {
  if (isAnalyticsCollectionDeactivated()) return true;
  const Dictionary& analytics = analyticsOptionsDictionary();
  return isNumberAt(analytics, kAnalyticsCollectionEnabled) || isNumberAt(analytics, kIsMeasurementEnabled);
}

VUROptions::Ptr VUROptions::copy() const {
  auto copied = std::make_shared<VUROptions>(Private(), optionsDictionary_, usingOptionsFromDefaultPlist_);
  copied->deepLinkURLScheme_ = deepLinkURLScheme_;
  copied->appGroupID_ = appGroupID_;
  copied->editingLocked_ = editingLocked_;
  return copied;
}

bool VUROptions::isEqualToOptions(const VUROptions& other) const {
  return optionsDictionary_ == other.optionsDictionary_ && sameOptional(deepLinkURLScheme_, other.deepLinkURLScheme_) &&
         sameOptional(appGroupID_, other.appGroupID_) &&
         analyticsOptionsDictionary() == other.analyticsOptionsDictionary();
}

std::size_t VUROptions::hash() const {
  std::hash<std::string> text;
  return text(Value(optionsDictionary_).description()) ^ text(deepLinkURLScheme_.value_or("")) ^
         text(appGroupID_.value_or(""));
}
