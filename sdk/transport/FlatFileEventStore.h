#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/ErrorOr.h"
#include "sdk/transport/DirectorySizeTracker.h"
#include "sdk/transport/EventStore.h"
#include "sdk/transport/FlatFileBatches.h"
#include "sdk/transport/FlatFileLibraryData.h"
#include "sdk/transport/FlatFileNames.h"
#include "sdk/transport/FolderSyncGroup.h"

namespace sdk::transport {

class UploadCoordinator;

// The transport's event store: one keyed-archive file per event, named so that selection, batching and
// expiry need only folder listings (FlatFileNames; the batches are FlatFileBatches, the library values
// FlatFileLibraryData):
//
//   <root>/FlatFileEventStore/vdt_event_data/<target>/<eventID>-<qosTier>-<expiration>-<mappingID>
//   <root>/FlatFileEventStore/vdt_batch_data/<target>-<batchID>-<expiration>/<event file names>
//   <root>/FlatFileEventStore/vdt_library_data/<key>
//   <root>/FlatFileEventStore/vdt_damaged_data/<event file name>.damaged-<date>
//
// Invariants, each kept across a crash at any point:
//  1. An event file is whole or absent: it is written under a hidden temporary name, flushed and
//     renamed (hidden names are skipped by every listing and swept as stale).
//  2. An event file lives in exactly one place: its target's event folder or one batch folder. Moves
//     are renames within one file system, so a crash never leaves two copies or none.
//  3. A batch folder is removed only once it is empty or its events are meant to be deleted, so
//     returning a batch never loses an event that failed to move.
//  4. The total size of the root stays at or below kStorageSizeLimit; an event that would pass it is
//     refused and nothing is deleted to make room.
//  5. A store reports success only once its file and its folder entry are on disk, so a reported event
//     survives a power cut too. Stores queued together share the folder sync (FolderSyncGroup); what a
//     power cut can take is only events whose store has not reported yet.
//  6. An event file that cannot be read is kept in the damaged folder (named in a warning) until its
//     own expiration passes, counted against the size limit like any other file.
//
// All file work runs on the storage's serial queue; operations return at once and complete there.
class FlatFileEventStore final : public PromiseBasedEventStore,
                                    public std::enable_shared_from_this<FlatFileEventStore> {
 public:
  static constexpr const char* kErrorDomain = "VDTCORFlatFileStorage";
  enum ErrorCode : std::int64_t { kStorageSizeLimitReached = 0, kNoEventsOrMoveFailed = -1 };
  static constexpr const char* kFailureReasonKey = "NSLocalizedFailureReason";
  static constexpr std::uint64_t kStorageSizeLimit = 20000000;
  static constexpr const char* kBatchIDCounterKey = "VDTCORFlatFileStorageBatchIDCounter";
  static constexpr const char* kInconsistencyDomain = "NSInternalInconsistencyException";

  static constexpr const char* kEventIDComponentKey = FlatFileNames::kEventIDComponentKey;
  static constexpr const char* kQoSTierComponentKey = FlatFileNames::kQoSTierComponentKey;
  static constexpr const char* kExpirationComponentKey = FlatFileNames::kExpirationComponentKey;
  static constexpr const char* kMappingIDComponentKey = FlatFileNames::kMappingIDComponentKey;
  static constexpr const char* kBatchTargetComponentKey = FlatFileNames::kBatchTargetComponentKey;
  static constexpr const char* kBatchIDComponentKey = FlatFileNames::kBatchIDComponentKey;
  static constexpr const char* kBatchExpirationComponentKey = FlatFileNames::kBatchExpirationComponentKey;

  // The process's storage, over transportRootDirectory(), forcing uploads through the shared coordinator.
  static std::shared_ptr<FlatFileEventStore> sharedInstance();
  // Registers the shared storage for targets 999 and 1000-1003.
  static void registerSharedInstance();

  // A storage over `rootPath`. The coordinator is held weakly: it owns the registrar that owns storages.
  FlatFileEventStore(std::string rootPath, std::weak_ptr<UploadCoordinator> uploadCoordinator,
                        std::shared_ptr<ApplicationInterface> application);

  // How the storage names its folders and files (their folders are created when asked for).
  const FlatFileNames& names() const { return names_; }

  // EventStore.
  void storeEvent(std::shared_ptr<TransportEvent> event, StoreCompletion onComplete) override;
  void hasEventsForTarget(std::int64_t target, std::function<void(bool)> onComplete) override;
  void batchWithEventSelector(const EventSelector& selector, double batchExpiration,
                              BatchCompletion onComplete) override;
  void removeBatchWithID(std::uint32_t batchID, bool deleteEvents, std::function<void()> onComplete) override;
  void batchIDsForTarget(std::int64_t target, std::function<void(std::optional<BatchIDs>)> onComplete) override;
  void checkForExpirations() override;
  void storeLibraryData(const Data& data, const std::string& key,
                        std::function<void(const OptionalError&)> onComplete) override;
  void libraryDataForKey(const std::string& key,
                         std::function<void(const std::optional<Data>&, const OptionalError&)> onFetchComplete,
                         std::function<std::optional<Data>()> setNewValue) override;
  void removeLibraryDataForKey(const std::string& key, std::function<void(const OptionalError&)> onComplete) override;
  void storageSizeWithCallback(std::function<void(std::uint64_t)> onComplete) override;

  // PromiseBasedEventStore.
  sdk::promises::Promise::Ptr batchIDsForTarget(std::int64_t target) override;
  sdk::promises::Promise::Ptr removeBatchWithID(std::uint32_t batchID, bool deleteEvents) override;
  sdk::promises::Promise::Ptr removeBatchesWithIDs(const BatchIDs& batchIDs, bool deleteEvents) override;
  sdk::promises::Promise::Ptr removeAllBatchesForTarget(std::int64_t target, bool deleteEvents) override;
  sdk::promises::Promise::Ptr hasEventsForTarget(std::int64_t target) override;
  sdk::promises::Promise::Ptr batchWithEventSelector(const EventSelector& selector, double batchExpiration) override;
  using EventStore::batchIDsForTarget;
  using EventStore::batchWithEventSelector;
  using EventStore::hasEventsForTarget;
  using EventStore::removeBatchWithID;

  void appWillBackground(ApplicationInterface& application) override;
  void appWillTerminate(ApplicationInterface& application) override;

  const std::shared_ptr<platform::dispatch::Queue>& storageQueue() const { return storageQueue_; }

  // Inner steps; they run on the storage queue.
  std::set<std::string> syncThreadUnsafePathsForTarget(std::int64_t target, const std::set<std::string>& eventIDs,
                                                       const std::set<std::int64_t>& qosTiers,
                                                       const std::set<std::string>& mappingIDs);
  std::optional<std::uint32_t> syncThreadUnsafeNextBatchID();
  // Makes the stores written so far durable and reports them; every step that moves or deletes event
  // files runs it first.
  void syncThreadUnsafeFlushStores();
  void syncThreadUnsafeCheckForExpirations();
  void syncThreadUnsafeKeepDamagedEvent(const std::string& path);
  void syncThreadUnsafeSweepExpiredDamagedEvents(double now);

 private:
  void syncThreadUnsafeSweepTemporaryFiles();
  static void sweepTemporaryFiles(const std::string& rootPath);
  BackgroundTaskID beginBackgroundTask();
  void endBackgroundTask(BackgroundTaskID identifier);
  DirectorySizeTracker& sizeTracker();

  std::string rootPath_;
  FlatFileNames names_;
  FlatFileLibraryData libraryData_;
  FlatFileBatches batches_;
  std::shared_ptr<platform::dispatch::Queue> storageQueue_;
  std::weak_ptr<UploadCoordinator> uploadCoordinator_;
  std::shared_ptr<ApplicationInterface> application_;
  std::optional<DirectorySizeTracker> sizeTracker_;  // on storageQueue_
  sdk::transport::FolderSyncGroup folderSyncs_;
};

}  // namespace sdk::transport

