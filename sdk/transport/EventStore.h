#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/foundation/Error.h"
#include "sdk/promises/Promise.h"
#include "sdk/transport/TransportEvent.h"
#include "sdk/transport/LifecycleObserver.h"
#include "sdk/transport/EventSelector.h"

namespace sdk::transport {

// Where events wait for their upload. Every operation returns at once and completes on the storage's
// own queue; a completion must not wait there for other storage work.
class EventStore : public LifecycleObserver {
 public:
  using Error = platform::foundation::Error;
  using Data = platform::foundation::Data;
  using OptionalError = std::optional<Error>;
  using StoreCompletion = std::function<void(bool wasWritten, const OptionalError& error)>;
  using BatchIDs = std::set<std::uint32_t>;
  // (batch ID, events), or (nullopt, nullopt) when no batch was made.
  using BatchCompletion = std::function<void(std::optional<std::uint32_t> batchID, std::optional<EventSet> events)>;

  virtual void storeEvent(std::shared_ptr<TransportEvent> event, StoreCompletion onComplete) = 0;
  virtual void hasEventsForTarget(std::int64_t target, std::function<void(bool hasEvents)> onComplete) = 0;
  // Moves the selected events into a new batch that expires at `batchExpiration` (seconds since 1970).
  virtual void batchWithEventSelector(const EventSelector& selector, double batchExpiration,
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
class PromiseBasedEventStore : public EventStore {
 public:
  // Fulfils with an array of batch IDs (ascending), or nil.
  virtual sdk::promises::Promise::Ptr batchIDsForTarget(std::int64_t target) = 0;
  using EventStore::batchIDsForTarget;
  virtual sdk::promises::Promise::Ptr removeBatchWithID(std::uint32_t batchID, bool deleteEvents) = 0;
  using EventStore::removeBatchWithID;
  // Fulfil with null once every removal has ended.
  virtual sdk::promises::Promise::Ptr removeBatchesWithIDs(const BatchIDs& batchIDs, bool deleteEvents) = 0;
  virtual sdk::promises::Promise::Ptr removeAllBatchesForTarget(std::int64_t target, bool deleteEvents) = 0;
  // Fulfils with a boolean.
  virtual sdk::promises::Promise::Ptr hasEventsForTarget(std::int64_t target) = 0;
  using EventStore::hasEventsForTarget;
  // Fulfils with a UploadBatch, or rejects when there was nothing to batch.
  virtual sdk::promises::Promise::Ptr batchWithEventSelector(const EventSelector& selector, double batchExpiration) = 0;
  using EventStore::batchWithEventSelector;
};

}  // namespace sdk::transport

