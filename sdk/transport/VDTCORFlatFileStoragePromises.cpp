// The storage's operations as promises for the uploader, settled on the storage queue.
#include "sdk/transport/VDTCORFlatFileStorage.h"
#include "sdk/transport/VDTCORUploadBatch.h"

namespace {

using platform::foundation::Array;
using platform::foundation::Value;

}  // namespace

VBLPromise::Ptr VDTCORFlatFileStorage::batchIDsForTarget(std::int64_t target) {
  return VBLPromise::onQueueWrapObjectCompletion(storageQueue_, [self = shared_from_this(), target](auto handler) {
    self->batchIDsForTarget(target, [handler](std::optional<BatchIDs> batchIDs) {
      if (!batchIDs) return handler(Value());
      Array ids;
      for (std::uint32_t id : *batchIDs) ids.emplace_back(id);
      handler(Value(std::move(ids)));
    });
  });
}

VBLPromise::Ptr VDTCORFlatFileStorage::removeBatchWithID(std::uint32_t batchID, bool deleteEvents) {
  return VBLPromise::onQueueWrapCompletion(storageQueue_, [self = shared_from_this(), batchID, deleteEvents](auto handler) {
    self->removeBatchWithID(batchID, deleteEvents, handler);
  });
}

VBLPromise::Ptr VDTCORFlatFileStorage::removeBatchesWithIDs(const BatchIDs& batchIDs, bool deleteEvents) {
  Array removals;
  for (std::uint32_t id : batchIDs) removals.emplace_back(removeBatchWithID(id, deleteEvents));
  return VBLPromise::onQueueAll(storageQueue_, std::move(removals))->onQueueThen(storageQueue_, [](const Value&) {
    return Value::null();
  });
}

VBLPromise::Ptr VDTCORFlatFileStorage::removeAllBatchesForTarget(std::int64_t target, bool deleteEvents) {
  return batchIDsForTarget(target)->onQueueThen(
      storageQueue_, [self = shared_from_this(), deleteEvents](const Value& ids) -> Value {
        if (!ids.isArray() || ids.size() == 0) return Value::null();
        BatchIDs batchIDs;
        for (const auto& id : *ids.array()) batchIDs.insert(static_cast<std::uint32_t>(id.toInt64()));
        return Value(self->removeBatchesWithIDs(batchIDs, deleteEvents));
      });
}

VBLPromise::Ptr VDTCORFlatFileStorage::hasEventsForTarget(std::int64_t target) {
  return VBLPromise::onQueueWrapBoolCompletion(storageQueue_, [self = shared_from_this(), target](auto handler) {
    self->hasEventsForTarget(target, handler);
  });
}

VBLPromise::Ptr VDTCORFlatFileStorage::batchWithEventSelector(const VDTCORStorageEventSelector& selector,
                                                              double batchExpiration) {
  return VBLPromise::onQueueWrapObjectOrErrorCompletion(
      storageQueue_, [self = shared_from_this(), selector, batchExpiration](auto handler) {
        self->batchWithEventSelector(selector, batchExpiration,
                                     [handler](std::optional<std::uint32_t> batchID, std::optional<VDTCOREventSet> events) {
                                       if (!batchID || !events) {
                                         Error error{kErrorDomain, kNoEventsOrMoveFailed, {}};
                                         error.userInfo.set(kFailureReasonKey, "There are no events for the selector.");
                                         return handler(Value(), error);
                                       }
                                       handler(Value(std::make_shared<VDTCORUploadBatch>(*batchID, std::move(*events))),
                                               std::nullopt);
                                     });
      });
}
