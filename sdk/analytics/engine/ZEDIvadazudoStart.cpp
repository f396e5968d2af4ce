#include "sdk/analytics/engine/ZEDIvadazudoStart.h"

#include <mutex>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/LoadHooks.h"
#include "sdk/analytics/engine/APMIdentifiers.h"
#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/analytics/foundation/APMDataTypeValidator.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/core/REDIri.h"
#include "sdk/core/VURLibrary.h"
#include "sdk/core/VURVersion.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;

constexpr const char* kSafelistedEventsKey = "ANALYTICS_SAFELISTED_EVENTS";

// The options' safelist, taken only when every entry is a valid internal event name.
std::vector<std::string> safelistedEvents() {
  auto options = VUROptions::defaultOptionsDictionary();
  if (!options) return {};
  auto found = options->find(kSafelistedEventsKey);
  if (found == options->end() || !found->second.array()) return {};
  std::vector<std::string> names;
  for (const Value& entry : *found->second.array()) {
    if (!entry.string() || !APMDataTypeValidator::isValidInternalEventName(*entry.string(), nullptr)) return {};
    names.push_back(*entry.string());
  }
  return names;
}

// The core's collection switch. The core stores a persisted choice in the standard defaults while
// the engine reads its own suite: a persisted choice is copied over here, so an opt-out still holds
// at the next launch.
void handleSetEnabled(const platform::foundation::Notification& notification) {
  const Value& value = notification.userInfo[ZEDIvadazudoConfiguration::kSetEnabledNotification];
  if (!value.isNumber()) {
    APMMonitor::shared()->logWithLevel(4, 25000, "Received setEnabled notification without NSNumber", value);
    return;
  }
  const bool enabled = value.toBool();
  const std::int64_t state = enabled ? 1 : 2;
  auto persisted = APMPersistedConfig::sharedInstance();
  if (platform::foundation::UserDefaults::standard()->integerForKey(
          ZEDIvadazudoConfiguration::kMeasurementEnabledStateKey) == state) {
    persisted->setMeasurementEnabledState(state);
    persisted->synchronizeToDisk();
  }
  auto engine = APMMeasurement::sharedInstance();
  if (!engine || (enabled && engine->isAnalyticsCollectionDeactivated())) return;
  engine->setEnabled(enabled);
}

struct StartState {
  std::once_flag once;
  platform::foundation::NotificationCenter::Observation setEnabled;
  std::shared_ptr<platform::dispatch::Queue> queue = platform::dispatch::Queue::serial("APMAnalyticsQueue");
};

StartState& startState() {
  // Never destroyed: the queue may still be creating the engine while the process exits.
  static auto* state = new StartState();
  return *state;
}

void startWithConfiguration(const std::shared_ptr<ZEDIvadazudoConfiguration>& configuration,
                            const VUROptions::Ptr& options) {
  if (!options) return;
  StartState& state = startState();
  std::call_once(state.once, [&] {
    if (configuration) {
      state.setEnabled = platform::foundation::NotificationCenter::defaultCenter().addObserver(
          ZEDIvadazudoConfiguration::kSetEnabledNotification, handleSetEnabled, configuration.get());
    }
    APMIdentifiers::sharedInstance()->setOrigin("fa");
    const std::string appID = options->vadezeAppID();
    const bool enabled = options->isAnalyticsCollectionEnabled();
    const bool deactivated = options->isAnalyticsCollectionDeactivated();
    // Creating the engine reads settings files and starts its queues: off the launching thread.
    state.queue->async([appID, enabled, deactivated, safelist = safelistedEvents()] {
      APMMeasurement::initializeSharedInstanceWithAppID(appID, enabled, deactivated, safelist);
    });
  });
}

}  // namespace

std::shared_ptr<platform::dispatch::Queue> ZEDIvadazudoStartQueue() { return startState().queue; }

void ZEDIvadazudoRegisterClass() {
  using platform::runtime::Class;
  if (Class::named("ZEDIvadazudo")) return;
  Class* cls = Class::allocateClassPair(Class::root(), "ZEDIvadazudo", platform::runtime::Image::Sdk);
  if (!cls) return;
  cls->metaclass()->addMethod(kZEDIvadazudoStartWithConfigurationOptions,
                              [](platform::runtime::Object&, const std::shared_ptr<ZEDIvadazudoConfiguration>& config,
                                 const VUROptions::Ptr& options) { startWithConfiguration(config, options); });
  cls->metaclass()->addMethod(kZEDIvadazudoTopLevelVersion,
                              [](platform::runtime::Object&) { return std::string(kVURVurevoreVersion); });
  Class::registerClassPair(cls);
}

namespace {
const bool registered = (platform::runtime::addLoadHook(kVURLibraryLoadOrder, ZEDIvadazudoRegisterClass), true);
}  // namespace

}  // namespace sdk::analytics
