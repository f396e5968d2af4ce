#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/foundation/Error.h"
#include "sdk/promises/VBLPromise.h"
#include "sdk/transport/VDTCOREvent.h"
#include "sdk/transport/VDTCORLifecycleProtocol.h"
#include "sdk/transport/VDTCORStorageEventSelector.h"

// Where events wait for their upload. Every operation returns at once and completes on the storage's
// own queue; a completion must not wait there for other storage work.
class VDTCORStorageProtocol : public VDTCORLifecycleProtocol {
 public:
  using Error = platform::foundation::Error;
  using Data = platform::foundation::Data;
  using OptionalError = std::optional<Error>;
  using StoreCompletion = std::function<void(bool wasWritten, const OptionalError& error)>;
  using BatchIDs = std::set<std::uint32_t>;
  // (batch ID, events), or (nullopt, nullopt) when no batch was made.
  using BatchCompletion = std::function<void(std::optional<std::uint32_t> batchID, std::optional<VDTCOREventSet> events)>;

  virtual void storeEvent(std::shared_ptr<VDTCOREvent> event, StoreCompletion onComplete) = 0;
  virtual void hasEventsForTarget(std::int64_t target, std::function<void(bool hasEvents)> onComplete) = 0;
  // Moves the selected events into a new batch that expires at `batchExpiration` (seconds since 1970).
  virtual void batchWithEventSelector(const VDTCORStorageEventSelector& selector, double batchExpiration,
                                      BatchCompletion onComplete) = 0;
  // Deletes the batch's events, or puts them back among the stored events.
  virtual void removeBatchWithID(std::uint32_t batchID, bool deleteEvents, std::function<void()> onComplete) = 0;
  // nullopt when there are no batches at all.
  virtual void batchIDsForTarget(std::int64_t target,
                                 std::function<void(std::optional<BatchIDs> batchIDs)> onComplete) = 0;
  virtual void checkForExpirations() = 0;
  virtual void storeLibraryData(const Data& data, const std::string& key,
                                std::function<void(const OptionalError& error)> onComplete) = 0;
  // Fetches the value, then stores what `setNewValue` returns (nothing for nullopt or empty data).
  virtual void libraryDataForKey(const std::string& key,
                                 std::function<void(const std::optional<Data>& data, const OptionalError& error)> onFetchComplete,
                                 std::function<std::optional<Data>()> setNewValue) = 0;
  virtual void removeLibraryDataForKey(const std::string& key,
                                       std::function<void(const OptionalError& error)> onComplete) = 0;
  virtual void storageSizeWithCallback(std::function<void(std::uint64_t bytes)> onComplete) = 0;
};

// The same operations as promises, settled on the storage's queue, for the uploader.
class VDTCORStoragePromiseProtocol : public VDTCORStorageProtocol {
 public:
  // Fulfils with an array of batch IDs (ascending), or nil.
  virtual VBLPromise::Ptr batchIDsForTarget(std::int64_t target) = 0;
  using VDTCORStorageProtocol::batchIDsForTarget;
  virtual VBLPromise::Ptr removeBatchWithID(std::uint32_t batchID, bool deleteEvents) = 0;
  using VDTCORStorageProtocol::removeBatchWithID;
  // Fulfil with null once every removal has ended.
  virtual VBLPromise::Ptr removeBatchesWithIDs(const BatchIDs& batchIDs, bool deleteEvents) = 0;
  virtual VBLPromise::Ptr removeAllBatchesForTarget(std::int64_t target, bool deleteEvents) = 0;
  // Fulfils with a boolean.
  virtual VBLPromise::Ptr hasEventsForTarget(std::int64_t target) = 0;
  using VDTCORStorageProtocol::hasEventsForTarget;
  // Fulfils with a VDTCORUploadBatch, or rejects when there was nothing to batch.
  virtual VBLPromise::Ptr batchWithEventSelector(const VDTCORStorageEventSelector& selector, double batchExpiration) = 0;
  using VDTCORStorageProtocol::batchWithEventSelector;
};
