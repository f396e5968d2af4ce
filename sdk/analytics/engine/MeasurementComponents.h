#pragma once

#include <memory>
#include <mutex>

#include "platform/foundation/SequenceChecker.h"

namespace sdk::analytics {

class Audiences;
class Identity;
class MeasurementDatabase;
class MeasurementEngine;
class MeasurementEventPipeline;
class MeasurementUploader;
class RemoteConfig;
class SearchAdReporting;

// The parts of the engine made once, on the worker queue, when collection is first enabled: the
// identity, the database, the measurement settings, the audiences, the event path, the way out and
// the search-ad reporter. A failed build leaves collection off and the next enable builds again.
// Read from any queue.
class MeasurementComponents {
 public:
  explicit MeasurementComponents(MeasurementEngine& engine) : engine_(engine) {}

  // The one-time build, in an order that matters: consent and the wipe decision come before the
  // database is opened, so a wipe at start deletes the file instead of emptying an open database;
  // identity is refreshed after the wipe so it sees the new state.
  [[nodiscard]] bool initializeOnWorkerQueue();

  std::shared_ptr<Audiences> audience() const;
  std::shared_ptr<MeasurementDatabase> database() const;
  std::shared_ptr<Identity> identity() const;
  std::shared_ptr<RemoteConfig> remoteConfig() const;
  std::shared_ptr<MeasurementEventPipeline> pipeline() const;
  std::shared_ptr<MeasurementUploader> uploader() const;
  std::shared_ptr<SearchAdReporting> searchAdReporter() const;
  void setSearchAdReporter(std::shared_ptr<SearchAdReporting> reporter);

 private:
  // Takes the persisted app instance ID a reset left, and keeps the app IDs of this start.
  void adoptIdentifiersOnWorkerQueue(Identity& identity);
  // The settings, the audiences and the event path over `database`; false when the settings cannot
  // be made.
  [[nodiscard]] bool buildOverDatabaseOnWorkerQueue(const std::shared_ptr<MeasurementDatabase>& database,
                                                    const std::shared_ptr<Identity>& identity);
  std::shared_ptr<MeasurementEventPipeline> makePipeline(const std::shared_ptr<MeasurementDatabase>& database,
                                                         const std::shared_ptr<RemoteConfig>& remoteConfig,
                                                         const std::shared_ptr<Identity>& identity,
                                                         const std::shared_ptr<MeasurementUploader>& uploader);
  std::shared_ptr<MeasurementUploader> makeUploader(const std::shared_ptr<MeasurementDatabase>& database,
                                                    const std::shared_ptr<RemoteConfig>& remoteConfig,
                                                    const std::shared_ptr<Audiences>& audience,
                                                    const std::shared_ptr<Identity>& identity);
  // What follows the build: the folder kept out of backups, stale data gone, the reports.
  void finishOnWorkerQueue(MeasurementDatabase& database, Identity& identity);

  MeasurementEngine& engine_;
  mutable std::mutex mutex_;
  std::shared_ptr<Audiences> audience_;
  std::shared_ptr<MeasurementUploader> uploader_;
  std::shared_ptr<MeasurementDatabase> database_;
  std::shared_ptr<Identity> identity_;
  std::shared_ptr<RemoteConfig> remoteConfig_;
  std::shared_ptr<MeasurementEventPipeline> pipeline_;
  std::shared_ptr<SearchAdReporting> searchAdReporter_;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics
