// Batches: selected event files moved into a folder of their own while they are uploaded, then deleted
// or moved back; and the expiry sweep over batches and events.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/Format.h"
#include "sdk/transport/Archive.h"
#include "sdk/transport/FlatFileEventStore.h"
#include "sdk/transport/TransportLog.h"

namespace sdk::transport {

namespace fs = std::filesystem;

namespace {

using platform::foundation::AtomicFile;
using platform::foundation::Error;
using platform::foundation::ErrorOr;

std::string nameOf(const std::string& path) { return fs::path(path).filename().string(); }

// Names in a folder, hidden ones left out.
ErrorOr<std::vector<std::string>> listFolder(const std::string& folder) {
  std::error_code error;
  std::vector<std::string> names;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (!name.empty() && name.front() != '.') names.push_back(name);
  }
  if (error) return Error::make("NSCocoaErrorDomain", 256, error.message());
  return names;
}

// Removes a folder only when it is empty, so no file inside is ever lost with it.
[[nodiscard]] bool removeEmptyFolder(const std::string& folder) { return ::rmdir(folder.c_str()) == 0; }

// Moves an event (or batch entry) file by renaming it, false when it did not move. An event lives in one
// place only: a rename between two names of the same file succeeds and leaves both, so the old name is
// checked gone.
[[nodiscard]] bool moveEntry(const std::string& source, const std::string& destination) {
  if (std::rename(source.c_str(), destination.c_str()) != 0) return false;
  DCHECK(::access(source.c_str(), F_OK) != 0);
  return true;
}

}  // namespace

void FlatFileEventStore::batchWithEventSelector(const EventSelector& selector, double batchExpiration,
                                                   BatchCompletion onComplete) {
  storageQueue_->async([self = shared_from_this(), selector, batchExpiration, onComplete = std::move(onComplete)] {
    self->syncThreadUnsafeFlushStores();
    auto finish = [&](std::optional<std::uint32_t> batchID, std::optional<EventSet> events) {
      if (onComplete) onComplete(batchID, std::move(events));
    };
    auto batchID = self->syncThreadUnsafeNextBatchID();
    if (!batchID) return finish(std::nullopt, std::nullopt);
    auto paths = self->syncThreadUnsafePathsForTarget(selector.selectedTarget, selector.selectedEventIDs,
                                                      selector.selectedQosTiers, selector.selectedMappingIDs);
    std::string batchFolder = self->batchPathForTarget(selector.selectedTarget, *batchID, batchExpiration);
    EventSet events;
    for (const auto& path : paths) {
      auto event = unarchiveEvent(path, nullptr);
      if (!event) {
        transportLogDebug("Error deserializing event: %@", event.error());
        self->syncThreadUnsafeKeepDamagedEvent(path);
        continue;
      }
      (void)AtomicFile::createDirectories(batchFolder);  // a missing folder fails the move below
      std::string destination = batchFolder + "/" + nameOf(path);
      // An event that stayed behind must not join the batch: it would be uploaded with every later one.
      if (!moveEntry(path, destination)) {
        transportLogDebug("Couldn't move %@ into batch %u", path, *batchID);
        continue;
      }
      events.insert(std::move(event).value());
    }
    if (events.empty()) {
      // No event moved in, so the folder may never have been made: nothing to report either way.
      (void)removeEmptyFolder(batchFolder);
      return finish(std::nullopt, std::nullopt);
    }
    finish(batchID, std::move(events));
  });
}

void FlatFileEventStore::syncThreadUnsafeKeepDamagedEvent(const std::string& path) {
  // Out of the event folders, so it is never offered for upload again, but inside the root, so the size
  // limit still counts it until the expiry sweep removes it with the event's own expiration.
  const auto kept = platform::foundation::DamagedFile::keepAsideWithWarning(
      path, "transport event file", "it is not sent", damagedDataStoragePath());
  if (kept.ok()) return;
  // Left where it is, it would fail every later batch again.
  std::uint64_t size = DirectorySizeTracker::fileSizeAtPath(path);
  if (AtomicFile::removeFile(path).ok()) sizeTracker().fileWasRemovedAtPath(path, size);
}

void FlatFileEventStore::batchIDsForTarget(std::int64_t target,
                                              std::function<void(std::optional<BatchIDs>)> onComplete) {
  storageQueue_->async([self = shared_from_this(), target, onComplete = std::move(onComplete)] {
    auto names = listFolder(self->batchDataStoragePath());
    if (!names.ok() || names->empty()) {
      if (onComplete) onComplete(std::nullopt);
      return;
    }
    BatchIDs batchIDs;
    for (const auto& name : *names) {
      auto components = batchComponentsFromFilename(name);
      if (components.isNil() || components[kBatchTargetComponentKey].toInt64() != target) continue;
      batchIDs.insert(static_cast<std::uint32_t>(components[kBatchIDComponentKey].toInt64()));
    }
    if (onComplete) onComplete(batchIDs);
  });
}

ErrorOr<std::vector<std::string>> FlatFileEventStore::syncThreadUnsafeBatchDirPathsForBatchID(std::uint32_t batchID) {
  DCHECK(storageQueue_->isCurrent());
  std::string folder = batchDataStoragePath();
  auto names = listFolder(folder);
  if (!names) {
    transportLogDebug("Couldn't list the batches: %@", names.error().localizedDescription());
    return names.error();
  }
  std::vector<std::string> paths;
  for (const auto& name : *names) {
    auto components = batchComponentsFromFilename(name);
    if (!components.isNil() && components[kBatchIDComponentKey].toInt64() == batchID) paths.push_back(folder + "/" + name);
  }
  return paths;
}

ErrorOr<void> FlatFileEventStore::moveContentsOfDirectoryAtPath(const std::string& from, const std::string& to) {
  const std::vector<std::string> names = TRY(listFolder(from));
  (void)AtomicFile::createDirectories(to);  // a missing folder fails each move below
  platform::foundation::Array failures;
  for (const auto& name : names) {
    std::string source = from + "/" + name, destination = to + "/" + name;
    if (!moveEntry(source, destination)) {
      failures.push_back(platform::foundation::Value(std::make_shared<platform::foundation::ErrorObject>(
          Error::make("NSCocoaErrorDomain", 512, platform::foundation::format("cannot move %@", source)))));
    }
  }
  if (failures.empty()) return {};
  Error moveError{kErrorDomain, kNoEventsOrMoveFailed, {}};
  moveError.userInfo.set(Error::kUnderlyingErrorKey, failures);
  return moveError;
}

void FlatFileEventStore::syncThreadUnsafeRemoveBatchWithID(std::uint32_t batchID, bool deleteEvents) {
  DCHECK(storageQueue_->isCurrent());
  auto folders = syncThreadUnsafeBatchDirPathsForBatchID(batchID);
  if (!folders) return;
  for (const auto& folder : *folders) {
    if (deleteEvents) {
      syncThreadUnsafeDeleteBatchFolder(folder);
      continue;
    }
    auto components = batchComponentsFromFilename(nameOf(folder));
    if (components.isNil()) continue;
    std::string events =
        platform::foundation::format("%@/%lld", eventDataStoragePath(), components[kBatchTargetComponentKey].toInt64());
    auto moved = moveContentsOfDirectoryAtPath(folder, events);
    // Only an emptied folder goes; events that failed to move wait there for the next return or sweep.
    if (!removeEmptyFolder(folder)) {
      transportLogDebug("Batch %@ kept: %@", folder, moved ? std::string("not empty") : moved.error().description());
    }
  }
  sizeTracker().resetCachedSize();
}

void FlatFileEventStore::syncThreadUnsafeDeleteBatchFolder(const std::string& folder) {
  // All or nothing: the batch gives up its name in one rename before a file of it goes, so that an end
  // that cuts the deletion short leaves either the whole batch, to be sent again, or none of it (what
  // is left under the hidden name goes at the next start's sweep), never a part sent again.
  const std::string deleted = (fs::path(folder).parent_path() / (std::string(kDeletedBatchPrefix) + nameOf(folder))).string();
  std::error_code error;
  fs::remove_all(deleted, error);
  if (std::rename(folder.c_str(), deleted.c_str()) != 0) {
    transportLogDebug("Couldn't delete batch %@: %@", folder, std::string(std::strerror(errno)));
    return;
  }
  fs::remove_all(deleted, error);
  transportLogDebug("Deleted batch %@: %@", folder, error ? error.message() : "ok");
}

void FlatFileEventStore::removeBatchWithID(std::uint32_t batchID, bool deleteEvents,
                                              std::function<void()> onComplete) {
  storageQueue_->async([self = shared_from_this(), batchID, deleteEvents, onComplete = std::move(onComplete)] {
    self->syncThreadUnsafeFlushStores();
    self->syncThreadUnsafeRemoveBatchWithID(batchID, deleteEvents);
    if (onComplete) onComplete();
  });
}

void FlatFileEventStore::syncThreadUnsafeCheckForExpirations() {
  DCHECK(storageQueue_->isCurrent());
  double now = platform::foundation::Clock::current()->now();
  if (auto names = listFolder(batchDataStoragePath())) {
    for (const auto& name : *names) {
      auto components = batchComponentsFromFilename(name);
      if (components.isNil() || !(components[kBatchExpirationComponentKey].date().value_or(now) < now)) continue;
      syncThreadUnsafeRemoveBatchWithID(static_cast<std::uint32_t>(components[kBatchIDComponentKey].toInt64()), false);
    }
  }
  // Batches first: their events are back among the others now and expire with them.
  std::error_code error;
  for (fs::recursive_directory_iterator it(eventDataStoragePath(), error), end; !error && it != end;
       it.increment(error)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name.front() == '.') continue;
    auto components = eventComponentsFromFilename(name);
    if (components.isNil() || !(components[kExpirationComponentKey].date().value_or(now) < now)) continue;
    std::error_code removeError;
    if (!fs::remove(it->path(), removeError)) transportLogDebug("Couldn't delete %@", it->path().string());
  }
  syncThreadUnsafeSweepExpiredDamagedEvents(now);
  syncThreadUnsafeSweepTemporaryFiles();
  sizeTracker().resetCachedSize();
}

void FlatFileEventStore::syncThreadUnsafeSweepExpiredDamagedEvents(double now) {
  auto names = listFolder(damagedDataStoragePath());
  if (!names) return;
  for (const auto& name : *names) {
    // "<event file name>.damaged-<date>": the event's own name says when it expires.
    auto components = eventComponentsFromFilename(name.substr(0, name.rfind(".damaged-")));
    if (components.isNil() || !(components[kExpirationComponentKey].date().value_or(now) < now)) continue;
    const std::string path = damagedDataStoragePath() + "/" + name;
    if (!AtomicFile::removeFile(path).ok()) transportLogDebug("Couldn't delete %@", path);
  }
}

void FlatFileEventStore::checkForExpirations() {
  storageQueue_->async([self = shared_from_this()] {
    self->syncThreadUnsafeFlushStores();
    self->syncThreadUnsafeCheckForExpirations();
  });
}

}  // namespace sdk::transport

