#include "sdk/transport/FlatFileEventStore.h"

#include <dirent.h>

#include <filesystem>
#include <system_error>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/TimeWitnesses.h"
#include "sdk/transport/ApplicationAdapter.h"
#include "sdk/transport/Archive.h"
#include "sdk/transport/TransportLog.h"
#include "sdk/transport/TransportEnvironment.h"
#include "sdk/transport/TargetRegistrar.h"
#include "sdk/transport/UploadCoordinator.h"

namespace sdk::transport {

namespace fs = std::filesystem;

namespace {

using platform::foundation::Error;

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
  return FlatFileEventStore::latestEventTimeNotAfter(transportRootDirectory(), bound);
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
    std::string path = self->pathForTarget(event->target(), event->eventID(), event->qosTier(),
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
  std::string folder = platform::foundation::format("%@/%lld", eventDataStoragePath(), target);
  (void)platform::foundation::AtomicFile::createDirectories(folder);  // a missing folder lists as empty
  std::set<std::string> paths;
  std::error_code error;
  bool takeAll = eventIDs.empty() && qosTiers.empty() && mappingIDs.empty();
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (isHidden(name)) continue;
    if (!takeAll) {
      auto components = eventComponentsFromFilename(name);
      if (components.isNil()) continue;
      if (!eventIDs.empty() && !eventIDs.count(components[kEventIDComponentKey].toString())) continue;
      if (!qosTiers.empty() && !qosTiers.count(components[kQoSTierComponentKey].toInt64())) continue;
      if (!mappingIDs.empty() &&
          !mappingIDs.count(decodedMappingID(components[kMappingIDComponentKey].toString()))) {
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
    std::string folder = platform::foundation::format("%@/%lld", self->eventDataStoragePath(), target);
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
    if (it->path().filename().string().starts_with(kDeletedBatchPrefix)) {
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

}  // namespace sdk::transport

