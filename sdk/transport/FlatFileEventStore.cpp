#include "sdk/transport/FlatFileEventStore.h"

#include <dirent.h>

#include <filesystem>
#include <system_error>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/TimeWitnesses.h"
#include "sdk/transport/ApplicationAdapter.h"
#include "sdk/transport/Archive.h"
#include "sdk/transport/TransportLog.h"
#include "sdk/transport/TransportEnvironment.h"
#include "sdk/transport/TargetRegistrar.h"
#include "sdk/transport/UploadBatch.h"
#include "sdk/transport/UploadCoordinator.h"

namespace sdk::transport {

namespace fs = std::filesystem;

namespace {

using platform::foundation::Array;
using platform::foundation::AtomicFile;
using platform::foundation::Error;
using platform::foundation::Value;

Error inconsistency(const std::string& description) {
  return Error::make(FlatFileEventStore::kInconsistencyDomain, -1, description);
}

Error storageError(std::int64_t code, const std::string& reason) {
  Error error{FlatFileEventStore::kErrorDomain, code, {}};
  error.userInfo.set(FlatFileEventStore::kFailureReasonKey, reason);
  return error;
}

bool isHidden(const std::string& name) { return !name.empty() && name.front() == '.'; }

}  // namespace

std::shared_ptr<FlatFileEventStore> FlatFileEventStore::sharedInstance() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<FlatFileEventStore>(std::make_shared<FlatFileEventStore>(
      transportRootDirectory(), UploadCoordinator::sharedInstance(), ApplicationAdapter::sharedApplication()));
  return *instance;
}

namespace {

// The events stored here witness how far the container's time has gone (see
// platform/foundation/TimeWitnesses), until they are uploaded.
[[maybe_unused]] const bool storedEventTimesWitnessed = (platform::foundation::TimeWitnesses::add([](double bound) {
  return FlatFileNames::latestEventTimeNotAfter(transportRootDirectory(), bound);
}), true);

}  // namespace

void FlatFileEventStore::registerSharedInstance() {
  auto registrar = TargetRegistrar::sharedInstance();
  for (std::int64_t target : {999, 1000, 1001, 1002, 1003}) registrar->registerStorage(sharedInstance(), target);
}

FlatFileEventStore::FlatFileEventStore(std::string rootPath,
                                             std::weak_ptr<UploadCoordinator> uploadCoordinator,
                                             std::shared_ptr<ApplicationInterface> application)
    : rootPath_(std::move(rootPath)),
      names_(rootPath_),
      libraryData_(names_),
      batches_(names_),
      storageQueue_(platform::dispatch::Queue::serial("com.vadeze.VDTCORFlatFileStorage")),
      uploadCoordinator_(std::move(uploadCoordinator)),
      application_(std::move(application)) {
  // Temporary files of writes that a crash cut short are never renamed into place; nothing else runs
  // on the new queue yet, so every hidden file found now is such a leftover.
  storageQueue_->async([root = rootPath_] { sweepTemporaryFiles(root); });
}

DirectorySizeTracker& FlatFileEventStore::sizeTracker() {
  if (!sizeTracker_) sizeTracker_.emplace(rootPath_);
  return *sizeTracker_;
}

BackgroundTaskID FlatFileEventStore::beginBackgroundTask() {
  if (!application_) return kInvalidBackgroundTaskID;
  auto cell = std::make_shared<BackgroundTaskID>(kInvalidBackgroundTaskID);
  std::weak_ptr<ApplicationInterface> application = application_;
  // The system may call the expiration handler before begin returns; then nothing is left to end.
  return application_->beginBackgroundTaskWithName("VDTStorage", [application, cell] {
    if (auto app = application.lock()) app->endBackgroundTask(*cell);
  });
}

void FlatFileEventStore::endBackgroundTask(BackgroundTaskID identifier) {
  if (application_) application_->endBackgroundTask(identifier);
}

void FlatFileEventStore::storeEvent(std::shared_ptr<TransportEvent> event, StoreCompletion onComplete) {
  if (!onComplete) {
    onComplete = [](bool wasWritten, const OptionalError& error) {
      transportLogDebug("An event was stored: %d, error: %@", wasWritten, error ? error->description() : "(null)");
    };
  }
  if (!event || !event->serializedDataObjectBytes()) {
    transportLogDebug("The event was nil, so it was not saved.");
    onComplete(false, inconsistency(""));
    return;
  }
  // A negative tier would put a second "-" into the file name, and the name would no longer parse.
  if (event->qosTier() < 0) {
    onComplete(false, inconsistency("The event's QoS tier is negative."));
    return;
  }
  BackgroundTaskID task = beginBackgroundTask();
  folderSyncs_.storeQueued();
  storageQueue_->async([self = shared_from_this(), event = std::move(event), onComplete = std::move(onComplete), task] {
    self->folderSyncs_.storeStarted();
    auto fail = [&](const Error& error) {
      self->folderSyncs_.flush();  // reports keep the order of the stores
      onComplete(false, error);
      self->endBackgroundTask(task);
    };
    std::string path = self->names_.pathForTarget(event->target(), event->eventID(), event->qosTier(),
                                           event->expirationDate(), event->mappingID());
    auto archive = archiveObject(platform::foundation::Value(event));
    if (!archive) return fail(archive.error());
    if (self->sizeTracker().directoryContentSize() + archive->size() > kStorageSizeLimit) {
      return fail(storageError(kStorageSizeLimitReached, "Storage size limit has been reached."));
    }
    if (auto written = writeDataToFile(*archive, path, false); !written) return fail(written.error());
    self->sizeTracker().fileWasAddedAtPath(path, archive->size());
    std::weak_ptr<FlatFileEventStore> weak = self;
    self->folderSyncs_.add(path.substr(0, path.find_last_of('/')), [weak, event, onComplete, task] {
      auto storage = weak.lock();
      onComplete(true, std::nullopt);
      if (!storage) return;
      if (event->qosTier() == TransportEvent::kForcedUploadQoSTier) {
        if (auto coordinator = storage->uploadCoordinator_.lock()) coordinator->forceUploadForTarget(event->target());
      }
      storage->endBackgroundTask(task);
    });
    self->folderSyncs_.flushIfBurstEnded();
  });
}

std::set<std::string> FlatFileEventStore::syncThreadUnsafePathsForTarget(std::int64_t target,
                                                                            const std::set<std::string>& eventIDs,
                                                                            const std::set<std::int64_t>& qosTiers,
                                                                            const std::set<std::string>& mappingIDs) {
  DCHECK(storageQueue_->isCurrent());
  std::string folder = platform::foundation::format("%@/%lld", names_.eventDataStoragePath(), target);
  (void)platform::foundation::AtomicFile::createDirectories(folder);  // a missing folder lists as empty
  std::set<std::string> paths;
  std::error_code error;
  bool takeAll = eventIDs.empty() && qosTiers.empty() && mappingIDs.empty();
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (isHidden(name)) continue;
    if (!takeAll) {
      auto components = FlatFileNames::eventComponentsFromFilename(name);
      if (components.isNil()) continue;
      if (!eventIDs.empty() && !eventIDs.count(components[kEventIDComponentKey].toString())) continue;
      if (!qosTiers.empty() && !qosTiers.count(components[kQoSTierComponentKey].toInt64())) continue;
      if (!mappingIDs.empty() &&
          !mappingIDs.count(FlatFileNames::decodedMappingID(components[kMappingIDComponentKey].toString()))) {
        continue;
      }
    }
    paths.insert(it->path().string());
  }
  if (error) transportLogDebug("Couldn't list the events of target %lld: %@", target, error.message());
  return paths;
}

void FlatFileEventStore::hasEventsForTarget(std::int64_t target, std::function<void(bool)> onComplete) {
  storageQueue_->async([self = shared_from_this(), target, onComplete = std::move(onComplete)] {
    std::string folder = platform::foundation::format("%@/%lld", self->names_.eventDataStoragePath(), target);
    (void)platform::foundation::AtomicFile::createDirectories(folder);  // a missing folder lists as empty
    bool found = false;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end && !found; it.increment(error)) {
      found = !isHidden(it->path().filename().string());
    }
    if (onComplete) onComplete(found);
  });
}

void FlatFileEventStore::storageSizeWithCallback(std::function<void(std::uint64_t)> onComplete) {
  if (!onComplete) return;
  storageQueue_->async([self = shared_from_this(), onComplete = std::move(onComplete)] {
    onComplete(self->sizeTracker().directoryContentSize());
  });
}

void FlatFileEventStore::syncThreadUnsafeSweepTemporaryFiles() {
  DCHECK(storageQueue_->isCurrent());
  sweepTemporaryFiles(rootPath_);
}

void FlatFileEventStore::sweepTemporaryFiles(const std::string& rootPath) {
  // Every write of this storage runs on its queue, so on the queue no temporary file is in use: any age
  // counts as stale.
  platform::foundation::AtomicFile::removeStaleTemporaries(rootPath, 0);
  std::vector<fs::path> deletedBatches;
  std::error_code error;
  for (fs::recursive_directory_iterator it(rootPath, error), end; !error && it != end; it.increment(error)) {
    std::error_code kindError;
    if (!it->is_directory(kindError)) continue;
    if (it->path().filename().string().starts_with(FlatFileBatches::kDeletedBatchPrefix)) {
      deletedBatches.push_back(it->path());
      it.disable_recursion_pending();
      continue;
    }
    platform::foundation::AtomicFile::removeStaleTemporaries(it->path().string(), 0);
  }
  for (const fs::path& batch : deletedBatches) fs::remove_all(batch, error);
}

void FlatFileEventStore::appWillBackground(ApplicationInterface&) {
  // A task begun and ended on the queue: the app gets the time to finish the writes queued before it.
  storageQueue_->async([self = shared_from_this()] { self->endBackgroundTask(self->beginBackgroundTask()); });
}

void FlatFileEventStore::appWillTerminate(ApplicationInterface&) {
  storageQueue_->sync([self = shared_from_this()] { self->syncThreadUnsafeFlushStores(); });
}

void FlatFileEventStore::syncThreadUnsafeFlushStores() {
  DCHECK(storageQueue_->isCurrent());
  folderSyncs_.flush();
}

// --- batches ---

void FlatFileEventStore::batchWithEventSelector(const EventSelector& selector, double batchExpiration,
                                                BatchCompletion onComplete) {
  storageQueue_->async([self = shared_from_this(), selector, batchExpiration, onComplete = std::move(onComplete)] {
    self->syncThreadUnsafeFlushStores();
    std::optional<std::uint32_t> batchID = self->syncThreadUnsafeNextBatchID();
    std::optional<EventSet> events;
    if (batchID) {
      auto paths = self->syncThreadUnsafePathsForTarget(selector.selectedTarget, selector.selectedEventIDs,
                                                        selector.selectedQosTiers, selector.selectedMappingIDs);
      events = self->batches_.gather(paths, selector.selectedTarget, *batchID, batchExpiration,
                                     [&](const std::string& path) { self->syncThreadUnsafeKeepDamagedEvent(path); });
    }
    if (!events) batchID.reset();
    if (onComplete) onComplete(batchID, std::move(events));
  });
}

void FlatFileEventStore::batchIDsForTarget(std::int64_t target,
                                           std::function<void(std::optional<BatchIDs>)> onComplete) {
  storageQueue_->async([self = shared_from_this(), target, onComplete = std::move(onComplete)] {
    auto batchIDs = self->batches_.idsForTarget(target);
    if (onComplete) onComplete(std::move(batchIDs));
  });
}

void FlatFileEventStore::removeBatchWithID(std::uint32_t batchID, bool deleteEvents,
                                           std::function<void()> onComplete) {
  storageQueue_->async([self = shared_from_this(), batchID, deleteEvents, onComplete = std::move(onComplete)] {
    self->syncThreadUnsafeFlushStores();
    self->batches_.remove(batchID, deleteEvents);
    self->sizeTracker().resetCachedSize();
    if (onComplete) onComplete();
  });
}

// --- expiry and damaged events ---

void FlatFileEventStore::syncThreadUnsafeKeepDamagedEvent(const std::string& path) {
  // Out of the event folders, so it is never offered for upload again, but inside the root, so the size
  // limit still counts it until the expiry sweep removes it with the event's own expiration.
  const auto kept = platform::foundation::DamagedFile::keepAsideWithWarning(
      path, "transport event file", "it is not sent", names_.damagedDataStoragePath());
  if (kept.ok()) return;
  // Left where it is, it would fail every later batch again.
  std::uint64_t size = DirectorySizeTracker::fileSizeAtPath(path);
  if (AtomicFile::removeFile(path).ok()) sizeTracker().fileWasRemovedAtPath(path, size);
}

void FlatFileEventStore::syncThreadUnsafeCheckForExpirations() {
  DCHECK(storageQueue_->isCurrent());
  double now = platform::foundation::Clock::current()->now();
  batches_.returnExpired(now);
  // Batches first: their events are back among the others now and expire with them.
  std::error_code error;
  for (fs::recursive_directory_iterator it(names_.eventDataStoragePath(), error), end; !error && it != end;
       it.increment(error)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name.front() == '.') continue;
    auto components = FlatFileNames::eventComponentsFromFilename(name);
    if (components.isNil() || !(components[kExpirationComponentKey].date().value_or(now) < now)) continue;
    std::error_code removeError;
    if (!fs::remove(it->path(), removeError)) transportLogDebug("Couldn't delete %@", it->path().string());
  }
  syncThreadUnsafeSweepExpiredDamagedEvents(now);
  syncThreadUnsafeSweepTemporaryFiles();
  sizeTracker().resetCachedSize();
}

void FlatFileEventStore::syncThreadUnsafeSweepExpiredDamagedEvents(double now) {
  auto names = FlatFileNames::namesIn(names_.damagedDataStoragePath());
  if (!names) return;
  for (const auto& name : *names) {
    // The event's own name says when it expires.
    const std::string_view keptFrom = platform::foundation::DamagedFile::nameKeptFrom(name);
    auto components = FlatFileNames::eventComponentsFromFilename(std::string(keptFrom));
    if (components.isNil() || !(components[kExpirationComponentKey].date().value_or(now) < now)) continue;
    const std::string path = names_.damagedDataStoragePath() + "/" + name;
    if (!AtomicFile::removeFile(path).ok()) transportLogDebug("Couldn't delete %@", path);
  }
}

void FlatFileEventStore::checkForExpirations() {
  storageQueue_->async([self = shared_from_this()] {
    self->syncThreadUnsafeFlushStores();
    self->syncThreadUnsafeCheckForExpirations();
  });
}

// --- library data ---

std::optional<std::uint32_t> FlatFileEventStore::syncThreadUnsafeNextBatchID() {
  DCHECK(storageQueue_->isCurrent());
  return libraryData_.nextBatchID(sizeTracker());
}

void FlatFileEventStore::libraryDataForKey(const std::string& key, FlatFileLibraryData::Fetch onFetchComplete,
                                           std::function<std::optional<Data>()> setNewValue) {
  storageQueue_->async([self = shared_from_this(), key, onFetchComplete = std::move(onFetchComplete),
                        setNewValue = std::move(setNewValue)] {
    self->libraryData_.read(key, onFetchComplete, setNewValue, self->sizeTracker());
  });
}

void FlatFileEventStore::storeLibraryData(const Data& data, const std::string& key,
                                          std::function<void(const OptionalError&)> onComplete) {
  if (data.empty()) {
    if (onComplete) onComplete(inconsistency(""));
    return;
  }
  storageQueue_->async([self = shared_from_this(), data, key, onComplete = std::move(onComplete)] {
    auto written = self->libraryData_.write(key, data, self->sizeTracker());
    if (onComplete) onComplete(written.errorIfAny());
  });
}

void FlatFileEventStore::removeLibraryDataForKey(const std::string& key,
                                                 std::function<void(const OptionalError&)> onComplete) {
  storageQueue_->async([self = shared_from_this(), key, onComplete = std::move(onComplete)] {
    auto removed = self->libraryData_.remove(key, self->sizeTracker());
    // Nothing to remove is not a failure, and the caller still hears that the removal has ended.
    if (onComplete) onComplete(removed);
  });
}

// --- the operations as promises for the uploader, settled on the storage queue ---

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

