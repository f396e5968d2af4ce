#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/ProcessEnd.h"
#include "platform/foundation/SequenceChecker.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/engine/AdvertisingProperties.h"
#include "sdk/analytics/engine/AnalyticsDataWipe.h"
#include "sdk/analytics/engine/AppStateHandler.h"
#include "sdk/analytics/engine/BackgroundUploadTask.h"
#include "sdk/analytics/engine/CollectionSwitch.h"
#include "sdk/analytics/engine/FacadeEngine.h"
#include "sdk/analytics/engine/LifecycleEvents.h"
#include "sdk/analytics/engine/MeasurementComponents.h"
#include "sdk/analytics/engine/RemoteConfigExperiments.h"
#include "sdk/analytics/engine/SessionStarts.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/rules/MeasurementHost.h"
#include "sdk/utilities/HTTPClient.h"

namespace sdk::analytics {

class Alarm;
class Audiences;
class MeasurementDatabase;
class Identity;
class PersistedConfig;
class RemoteConfig;
class Scheduler;

class CampaignReporting;
class MeasurementEventEntries;
class MeasurementEventPipeline;
class MeasurementUploader;
class SearchAdReporting;
class SessionReporting;

// The measurement engine: one shared instance per process owning the measurement database, the
// persisted settings, the network client, the worker queue with its upload alarm, the measurement
// settings and the audience evaluator. It answers the facade (FacadeEngine) and the rules
// (MeasurementHost); all else is done by the objects it is made of, each in a file of its own, and a
// caller asks the one that does the work (`engine.lifecycle().reportFirstOpenOnWorkerQueue()`):
//
//   MeasurementComponents  the parts built once, on the worker queue, when collection is first enabled
//   CollectionSwitch       enabling and disabling collection, and starting measurement
//   AnalyticsDataWipe      the consent and app-ID checks at start, the wipe and the explicit reset
//   SessionStarts          the session reporter and the sessions it starts
//   LifecycleEvents        first open, the stored campaign and the other automatic reports of start-up
//   AdvertisingProperties  the personalised-ads and advertising-ID-reset user properties
//   AppStateHandler        the app's foreground and background changes and the last upload's task
//
// States: not created -> created (components not built) -> enabled <-> disabled; "deactivated" (a
// flag) refuses every enable. Enabling wins only when not deactivated; the choice at creation is the
// persisted state (1 on, 2 off) when there is one, else the app's default.
//
// Analytics data is wiped on an app-ID change, a consent withdrawal or an explicit reset. A wipe that
// could not delete the old data reports failure, so the raised reset retry count makes the next start
// try again instead of uploading what should be gone.
class MeasurementEngine final : public sdk::analytics::MeasurementHost,
                             public sdk::analytics::FacadeEngine,
                             public sdk::utilities::HTTPClientLoggerDelegate,
                             public sdk::utilities::HTTPClientReachabilityDelegate,
                             public std::enable_shared_from_this<MeasurementEngine> {
 public:
  using Value = platform::foundation::Value;

  static constexpr const char* kWorkerQueueLabel = "com.vadeze.vura.worker";
  static constexpr const char* kAlarmName = "Measurement timer";
  static constexpr const char* kAnalyticsVersion = "80700000";

  // What the engine is built from; the public creation fills it from the process's shared parts.
  struct Parts {
    std::string databaseName = MeasurementDatabase::kDatabaseName;
    std::shared_ptr<PersistedConfig> persistedConfig;
    std::shared_ptr<sdk::utilities::HTTPClient> network;  // none: events are stored, nothing is sent
    std::shared_ptr<Scheduler> scheduler;
    std::shared_ptr<Alarm> alarm;
    std::shared_ptr<sdk::analytics::RemoteConfigExperiments> experimentManager;
    // The identity the components take; none: the process's shared identity.
    std::shared_ptr<Identity> identity;
  };

  // --- the shared instance
  // Creates the shared instance once; an empty app ID blocks it for good.
  static void initializeSharedInstanceWithAppID(const std::string& appID, bool isAnalyticsCollectionEnabled,
                                                bool isAnalyticsCollectionDeactivated,
                                                const std::vector<std::string>& safelistedEvents);
  static bool hasSharedInstance();
  // nullptr before creation (with a warning when the SDK's analytics class is present).
  static std::shared_ptr<MeasurementEngine> sharedInstance();
  // The log of the whole analytics library.
  static std::shared_ptr<Monitor> sharedMonitor();
  // The shared instance's settings, else the defaults.
  static std::shared_ptr<RemoteConfig> remoteConfig();
  // Tests only: forgets the shared instance and the attempt, so a test can create it again.
  static void resetSharedInstanceForTesting();

  // nullptr (logged) for an empty app ID. Makes the network client, worker queue and alarm.
  static std::shared_ptr<MeasurementEngine> initWithAppID(
      const std::string& appID, bool isAnalyticsCollectionEnabled, bool isAnalyticsCollectionDeactivated,
      const std::vector<std::string>& safelistedEvents,
      std::shared_ptr<sdk::analytics::RemoteConfigExperiments> experimentManager);
  // The designated form: sends setEnabled() with shouldEnableMeasurement() before it returns.
  static std::shared_ptr<MeasurementEngine> initWithParts(Parts parts, const std::string& appID,
                                                       bool isAnalyticsCollectionEnabled,
                                                       bool isAnalyticsCollectionDeactivated,
                                                       const std::vector<std::string>& safelistedEvents);

  // --- accessors
  std::shared_ptr<Alarm> alarm() const { return alarm_; }
  std::shared_ptr<sdk::utilities::HTTPClient> network() const { return network_; }
  std::shared_ptr<PersistedConfig> persistedConfig() const { return persistedConfig_; }
  const std::vector<std::string>& safelistedEvents() const { return safelistedEvents_; }
  bool wasEnabledDuringInitialization() const override { return wasEnabledDuringInitialization_; }
  bool didInitializeComponents() const override { return collection_.didInitializeComponents(); }
  const std::string& appID() const { return appID_; }
  const std::string& databaseName() const { return databaseName_; }
  double initTimestamp() const { return initTimestamp_.load(); }
  void setInitTimestamp(double timestamp) { initTimestamp_ = timestamp; }
  // Set at the process end once the worker queue has drained: later work is dropped.
  bool isTerminating() const { return terminating_.load(); }
  // Given to the identity and experiments the engine was built with; none: the shared ones.
  std::shared_ptr<Identity> givenIdentity() const { return givenIdentity_; }
  std::shared_ptr<sdk::analytics::RemoteConfigExperiments> experimentManager() const { return experimentManager_; }

  // --- the objects the engine is made of: callers ask the one that does the work
  // The identity, database, settings, audiences, event path and way out (uploader), once built.
  MeasurementComponents& components() { return components_; }
  const MeasurementComponents& components() const { return components_; }
  // The facade's entries for events and user properties, queued on the worker queue.
  MeasurementEventEntries& entries() { return *entries_; }
  CollectionSwitch& collection() { return collection_; }
  AnalyticsDataWipe& dataWipe() { return wipe_; }
  SessionStarts& sessions() { return sessions_; }
  LifecycleEvents& lifecycle() { return lifecycle_; }
  AdvertisingProperties& advertising() { return advertising_; }
  AppStateHandler& appState() { return appState_; }

  // --- MeasurementHost
  std::shared_ptr<Monitor> monitor() const override { return sharedMonitor(); }
  std::optional<std::string> remoteConfigValue(const std::string& key) const override;
  bool boolSetting(const std::string& key, bool defaultValue) const override;
  std::int64_t integerSetting(const std::string& key, std::int64_t defaultValue, std::int64_t minimum,
                              std::int64_t maximum) const override;
  std::shared_ptr<MeasurementDatabase> database() const override { return components_.database(); }
  std::shared_ptr<Scheduler> scheduler() const override { return scheduler_; }
  bool isEnabled() const override { return collection_.isEnabled(); }
  void writeEventOnWorkerQueue(const AnalyticsEvent& event) const override;
  // Nothing before the components exist or while analytics storage is denied.
  std::optional<std::string> appInstanceID() const override;

  // --- FacadeEngine: the interface the facade is written against. Each call goes to the part that
  // does the work: the switch, the sessions, the data wipe, the advertising properties, or the
  // entries, which queue it in order on the worker queue.
  void logEvent(const sdk::analytics::LoggedEvent& event) override;
  void setEnabled(bool enabled) override { collection_.setEnabled(enabled); }
  void setSessionTimeoutInterval(double seconds) override { sessions_.setSessionTimeoutInterval(seconds); }
  void setDefaultEventParameters(const std::optional<Dictionary>& parameters) override;
  void setUserAttribute(const UserAttribute& attribute) override;
  void removeUserAttribute(const UserAttribute& attribute) override;
  void userPropertiesIncludingInternal(bool includingInternal,
                                       std::function<void(const Dictionary&)> callback) override;
  void maxUserPropertiesForOrigin(const std::string& origin, std::function<void(std::int64_t)> callback) override;
  std::optional<std::int64_t> shouldDisableAdPersonalization() override {
    return advertising_.shouldDisableAdPersonalization();
  }
  // Waits for the worker queue. No ID is refused unless analytics storage is denied.
  [[nodiscard]] bool resetAnalyticsDataWithAppInstanceID(const std::optional<std::string>& appInstanceID) override {
    return wipe_.resetAnalyticsDataWithAppInstanceID(appInstanceID);
  }
  void handleNonFirstOpenEventURL(const std::string& url, double timestamp) override;
  // The campaign and deep-link reporter working for this engine; nullptr when it is not linked in.
  std::shared_ptr<sdk::analytics::CampaignReporting> campaigns();
  // Makes the facade create and find this engine.
  static void installFacadeEngineAccess();

  // --- the process end
  // How long the leave-foreground upload may still take when the app ends (a configuration fetch
  // before it and further batches after it included), on the steady clock.
  static constexpr double kUploadWaitAtEndSeconds = 3;
  // How long the end lets the worker's work run, however long one event's work would take, before it
  // cuts that work short (every script's and audience walk's deadline passes); and how long it then
  // waits for the worker before it goes on without it. Both on the steady clock; each of these waits
  // ends by the end's one deadline (EndDeadline) too, the cut by half the time left to it.
  static constexpr double kWorkerWaitAtEndSeconds = 2;
  static constexpr double kWorkerWaitAfterCutSeconds = 3;
  // Runs at the process end, on the main thread: gives the upload under way its bounded wait, lets
  // the work already queued on the worker queue run (events reach the database) within the end's own
  // bound, drops what comes later, writes the pending settings and lets go of the shared instance, so
  // that nothing of the engine is left for the static destructors.
  void stopAtProcessEnd();
  // Runs `block` on the worker queue, behind what is queued there, and (when `wait`) waits for it
  // within the end's bound: past kWorkerWaitAtEndSeconds the worker's work is cut, and past
  // kWorkerWaitAfterCutSeconds more the end goes on without it. Whether the block ran.
  bool runOnWorkerWithinTheEndsWait(std::function<void()> block, bool wait = true);

  // --- the network client's reports
  void reachabilityDidChange() override;
  void logWithLevel(sdk::utilities::HTTPClientLogLevel level, std::int64_t messageCode, const std::string& message,
                               const platform::foundation::Array& contexts) override;
  void logWithLevel(sdk::utilities::HTTPClientLogLevel level, std::int64_t messageCode, const std::string& message,
                               const Value& context) override;
  void logWithLevel(sdk::utilities::HTTPClientLogLevel level, std::int64_t messageCode, const std::string& message) override;
  // The network's levels as the monitor's.
  static int monitorLevelForNetworkLevel(int level);

  struct Private {
    explicit Private() = default;
  };
  MeasurementEngine(Private, Parts parts, const std::string& appID, bool isAnalyticsCollectionEnabled,
                 bool isAnalyticsCollectionDeactivated, const std::vector<std::string>& safelistedEvents);
  ~MeasurementEngine() override;

 private:
  void logLaunchArgumentHints() const;
  void installEventEntries();

  const std::string databaseName_;
  const std::shared_ptr<Alarm> alarm_;
  const std::shared_ptr<PersistedConfig> persistedConfig_;
  const std::shared_ptr<sdk::utilities::HTTPClient> network_;
  const std::shared_ptr<Scheduler> scheduler_;
  const std::shared_ptr<sdk::analytics::RemoteConfigExperiments> experimentManager_;
  const std::shared_ptr<Identity> givenIdentity_;
  const std::string appID_;
  const std::vector<std::string> safelistedEvents_;
  std::atomic<double> initTimestamp_{0};
  bool wasEnabledDuringInitialization_ = false;
  std::atomic<bool> terminating_{false};
  // Only the worker queue writes an event: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;

  MeasurementComponents components_;
  // The entries for events and user properties; made with the engine, so always there.
  std::unique_ptr<sdk::analytics::MeasurementEventEntries> entries_;
  CollectionSwitch collection_;
  AnalyticsDataWipe wipe_;
  SessionStarts sessions_;
  LifecycleEvents lifecycle_;
  AdvertisingProperties advertising_;
  AppStateHandler appState_;
  platform::dispatch::ProcessEnd::Registration processEnd_;
};

}  // namespace sdk::analytics
