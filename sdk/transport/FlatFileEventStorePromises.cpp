// The storage's operations as promises for the uploader, settled on the storage queue.
#include "sdk/transport/FlatFileEventStore.h"
#include "sdk/transport/UploadBatch.h"

namespace sdk::transport {

namespace {

using platform::foundation::Array;
using platform::foundation::Value;

}  // namespace

sdk::promises::Promise::Ptr FlatFileEventStore::batchIDsForTarget(std::int64_t target) {
  return sdk::promises::Promise::onQueueWrapObjectCompletion(storageQueue_, [self = shared_from_this(), target](auto handler) {
    self->batchIDsForTarget(target, [handler](std::optional<BatchIDs> batchIDs) {
      if (!batchIDs) return handler(Value());
      Array ids;
      for (std::uint32_t id : *batchIDs) ids.emplace_back(id);
      handler(Value(std::move(ids)));
    });
  });
}

sdk::promises::Promise::Ptr FlatFileEventStore::removeBatchWithID(std::uint32_t batchID, bool deleteEvents) {
  return sdk::promises::Promise::onQueueWrapCompletion(storageQueue_, [self = shared_from_this(), batchID, deleteEvents](auto handler) {
    self->removeBatchWithID(batchID, deleteEvents, handler);
  });
}

sdk::promises::Promise::Ptr FlatFileEventStore::removeBatchesWithIDs(const BatchIDs& batchIDs, bool deleteEvents) {
  Array removals;
  for (std::uint32_t id : batchIDs) removals.emplace_back(removeBatchWithID(id, deleteEvents));
  return sdk::promises::Promise::onQueueAll(storageQueue_, std::move(removals))->onQueueThen(storageQueue_, [](const Value&) {
    return Value::null();
  });
}

sdk::promises::Promise::Ptr FlatFileEventStore::removeAllBatchesForTarget(std::int64_t target, bool deleteEvents) {
  return batchIDsForTarget(target)->onQueueThen(
      storageQueue_, [self = shared_from_this(), deleteEvents](const Value& ids) -> Value {
        if (!ids.isArray() || ids.size() == 0) return Value::null();
        BatchIDs batchIDs;
        for (const auto& id : *ids.array()) batchIDs.insert(static_cast<std::uint32_t>(id.toInt64()));
        return Value(self->removeBatchesWithIDs(batchIDs, deleteEvents));
      });
}

sdk::promises::Promise::Ptr FlatFileEventStore::hasEventsForTarget(std::int64_t target) {
  return sdk::promises::Promise::onQueueWrapBoolCompletion(storageQueue_, [self = shared_from_this(), target](auto handler) {
    self->hasEventsForTarget(target, handler);
  });
}

sdk::promises::Promise::Ptr FlatFileEventStore::batchWithEventSelector(const EventSelector& selector,
                                                              double batchExpiration) {
  return sdk::promises::Promise::onQueueWrapObjectOrErrorCompletion(
      storageQueue_, [self = shared_from_this(), selector, batchExpiration](auto handler) {
        self->batchWithEventSelector(selector, batchExpiration,
                                     [handler](std::optional<std::uint32_t> batchID, std::optional<EventSet> events) {
                                       if (!batchID || !events) {
                                         Error error{kErrorDomain, kNoEventsOrMoveFailed, {}};
                                         error.userInfo.set(kFailureReasonKey, "There are no events for the selector.");
                                         return handler(Value(), error);
                                       }
                                       handler(Value(std::make_shared<UploadBatch>(*batchID, std::move(*events))),
                                               std::nullopt);
                                     });
      });
}

}  // namespace sdk::transport

