#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/foundation/SequenceChecker.h"
#include "sdk/analytics/engine/EventSampler.h"
#include "sdk/analytics/foundation/DailyCounts.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/RawEventData.h"

namespace sdk::analytics {

class Audiences;
class AudienceTimestampsCache;
class MeasurementDatabase;
class Identity;
class PersistedConfig;
class RemoteConfig;

// Turns stored raw events into measurement bundles in the upload queue, one bundle per call and one
// transaction each: the oldest fingerprint's consecutive rows of one clock hour within the count and
// size limits, filtered, counted against the conversion and real-time limits, run through the
// aggregates, audiences and sampling, completed with the bundle-level fields and stored compressed;
// the bundled raw events (and metadata nobody uses any more) are deleted in the same transaction.
// Worker queue only.
class RawEventBundler {
 public:
  struct Parts {
    std::shared_ptr<MeasurementDatabase> database;
    std::shared_ptr<RemoteConfig> settings;
    std::shared_ptr<Audiences> audience;
    std::shared_ptr<PersistedConfig> persistedConfig;
    std::shared_ptr<Identity> identity;
  };

  explicit RawEventBundler(Parts parts, EventSampler::RandomSource random = {});

  // True when a bundle was queued, or a group whose events were all sampled away was deleted.
  [[nodiscard]] bool bundleRawEvents();

  // The steps, each nothing or false when the transaction must roll back.
  std::optional<std::vector<RawEventData>> rawEventsWithMetadataFingerprint(std::int64_t fingerprint);
  std::optional<std::vector<AnalyticsEvent>> processRawEvents(const std::vector<RawEventData>& group,
                                                        std::int64_t fingerprint);
  static AnalyticsEvent internalEventFromPublicEvent(const AnalyticsEvent& event);
  bool checkConversion(AnalyticsEvent& event, DailyCounts& dailyCounts);
  bool checkRealtime(AnalyticsEvent& event, DailyCounts& dailyCounts);
  void evaluationTimeFromRawEvents(const std::vector<RawEventData>& group, ProtoMeasurementBundle& bundle);
  std::optional<std::vector<AnalyticsEvent>> eventsAfterUpdatingEventAggregates(const std::vector<AnalyticsEvent>& events,
                                                                          AudienceTimestampsCache* cache);
  [[nodiscard]] bool updateUserEngagement(std::int64_t milliseconds, ProtoMeasurementBundle& bundle,
                                          bool sessionScoped);
  [[nodiscard]] bool updateAppMetadataForBundle(ProtoMeasurementBundle& bundle, double start, double end);
  void addBundleMetadataIntoBundle(ProtoMeasurementBundle& bundle, double start, double end);

  EventSampler& sampler() { return sampler_; }

 private:
  enum class Outcome { kRollBack, kCommitNoBundle, kCommitBundled };
  Outcome bundleOneGroup();
  [[nodiscard]] bool deleteGroup(const std::vector<RawEventData>& group, std::int64_t fingerprint);
  std::int64_t currentDayNumber() const;

  Parts parts_;
  EventSampler sampler_;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics

