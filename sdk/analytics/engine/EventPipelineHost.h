#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/UserAttribute.h"
#include "sdk/analytics/rules/MeasurementHost.h"

namespace sdk::analytics {

class ProtoMeasurementBundle;
class EventEditing;
class PersistedConfig;

// What the road from a logged event to a stored raw event needs of the engine beyond its database:
// the measurement settings it obeys, the persisted settings, sessions, identity and the raw-event
// metadata, and the listeners that hear of a handled event. MeasurementEventPipeline implements it
// over the engine's components (the event path's tests and benchmarks fake it); every call comes on
// the worker queue. The upload schedule is not asked through it: the handler is given the uploader.
class EventPipelineHost : public MeasurementHost {
 public:
  // --- measurement settings, as the engine's settings read them
  virtual std::int64_t maxEventsPerDay() const = 0;
  virtual std::int64_t maxPublicEventsPerDay() const = 0;
  virtual std::int64_t maxErrorEventsPerDay() const = 0;
  virtual std::int64_t maxRealtimeEventCountPerDay() const = 0;
  virtual std::int64_t maxEventNameCardinality() const = 0;
  virtual std::int64_t maxTrackedCurrencies() const = 0;
  virtual bool blocklistInternal() const = 0;
  virtual bool blocklistPublic() const = 0;
  virtual bool isEventBlocklisted(const std::string& eventName) const = 0;
  virtual bool isEventCustomConversion(const std::string& eventName) const = 0;
  // The current configuration's editing program, if any.
  virtual std::shared_ptr<EventEditing> eventEditing() const = 0;

  // --- the engine's own state
  virtual std::shared_ptr<PersistedConfig> persistedConfig() const = 0;
  // Empty: every event passes.
  virtual std::vector<std::string> safelistedEvents() const = 0;

  // --- sessions
  virtual bool isAppActive() const = 0;
  virtual bool isSessionExpired() const = 0;
  virtual void extendSession() const = 0;
  virtual void reportSessionStartOnWorkerQueue(double timestamp, bool appInBackground) const = 0;

  // --- identity and the raw-event metadata
  virtual void updateIdentifiers() const = 0;
  virtual bool shouldSetLastAdvertisingIDResetUserProperty() const = 0;
  virtual void setLastAdvertisingIDResetUserPropertyOnWorkerQueue() const = 0;
  // The bundle-level fields every raw event is stored under; nothing when they can't be built.
  virtual std::shared_ptr<ProtoMeasurementBundle> createRawEventMetadataWithUserAttributes(
      const std::vector<UserAttribute>& userAttributes) const = 0;

  // --- after an event
  virtual void notifyEventListeners(const AnalyticsEvent& event) const = 0;
};

}  // namespace sdk::analytics

