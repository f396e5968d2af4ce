// Small named values kept beside the events (the batch ID counter), each one file in the library folder.
#include <cstring>
#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Check.h"
#include "sdk/transport/Archive.h"
#include "sdk/transport/FlatFileEventStore.h"
#include "sdk/transport/TransportLog.h"

namespace sdk::transport {

namespace {

using platform::foundation::AtomicFile;
using platform::foundation::Error;

Error missingData() { return Error::make(FlatFileEventStore::kInconsistencyDomain, -1); }

}  // namespace

platform::foundation::ErrorOr<void> FlatFileEventStore::syncThreadUnsafeWriteLibraryData(const std::string& key,
                                                                                        const Data& data) {
  DCHECK(storageQueue_->isCurrent());
  std::string path = libraryDataStoragePath() + "/" + key;
  std::uint64_t oldSize = DirectorySizeTracker::fileSizeAtPath(path);
  TRY(writeDataToFile(data, path));
  // The new file replaced the old one: count only the difference.
  sizeTracker().fileWasRemovedAtPath(path, oldSize);
  sizeTracker().fileWasAddedAtPath(path, data.size());
  return {};
}

void FlatFileEventStore::syncThreadUnsafeLibraryData(const std::string& key, const LibraryFetch& onFetchComplete,
                                                        const std::function<std::optional<Data>()>& setNewValue) {
  DCHECK(storageQueue_->isCurrent());
  std::string path = libraryDataStoragePath() + "/" + key;
  auto bytes = AtomicFile::readFile(path, kStorageSizeLimit);
  if (onFetchComplete) {
    OptionalError error;
    if (!bytes.ok()) error = Error::make("NSCocoaErrorDomain", 260, bytes.error().localizedDescription());
    onFetchComplete(bytes.ok() ? std::optional<Data>(std::move(bytes).value()) : std::nullopt, error);
  }
  if (!setNewValue) return;
  auto newValue = setNewValue();
  if (!newValue || newValue->empty()) return;
  if (auto written = syncThreadUnsafeWriteLibraryData(key, *newValue); !written) {
    transportLogDebug("Couldn't write library data for %@: %@", key, written.error());
  }
}

void FlatFileEventStore::libraryDataForKey(const std::string& key, LibraryFetch onFetchComplete,
                                              std::function<std::optional<Data>()> setNewValue) {
  storageQueue_->async([self = shared_from_this(), key, onFetchComplete = std::move(onFetchComplete),
                        setNewValue = std::move(setNewValue)] {
    self->syncThreadUnsafeLibraryData(key, onFetchComplete, setNewValue);
  });
}

void FlatFileEventStore::storeLibraryData(const Data& data, const std::string& key,
                                             std::function<void(const OptionalError&)> onComplete) {
  if (data.empty()) {
    if (onComplete) onComplete(missingData());
    return;
  }
  storageQueue_->async([self = shared_from_this(), data, key, onComplete = std::move(onComplete)] {
    auto written = self->syncThreadUnsafeWriteLibraryData(key, data);
    if (onComplete) onComplete(written.errorIfAny());
  });
}

void FlatFileEventStore::removeLibraryDataForKey(const std::string& key,
                                                    std::function<void(const OptionalError&)> onComplete) {
  storageQueue_->async([self = shared_from_this(), key, onComplete = std::move(onComplete)] {
    std::string path = self->libraryDataStoragePath() + "/" + key;
    OptionalError result;
    if (AtomicFile::fileExists(path)) {
      std::uint64_t size = DirectorySizeTracker::fileSizeAtPath(path);
      if (auto removed = AtomicFile::removeFile(path); removed.ok()) {
        self->sizeTracker().fileWasRemovedAtPath(path, size);
      } else {
        result = Error::make("NSCocoaErrorDomain", 512, removed.error().localizedDescription());
      }
    }
    // Nothing to remove is not a failure, and the caller still hears that the removal has ended.
    if (onComplete) onComplete(result);
  });
}

std::optional<std::uint32_t> FlatFileEventStore::syncThreadUnsafeNextBatchID() {
  DCHECK(storageQueue_->isCurrent());
  std::string path = libraryDataStoragePath() + "/" + kBatchIDCounterKey;
  std::uint32_t counter = 0;
  // Any other length than 4 bytes is not a counter this storage wrote: start again from 0.
  if (auto bytes = AtomicFile::readFile(path, sizeof counter); bytes.ok() && bytes->size() == sizeof counter) {
    std::memcpy(&counter, bytes->data(), sizeof counter);
  }
  std::uint32_t next = counter + 1;  // wraps to 0 after the last ID
  Data stored(sizeof next);
  std::memcpy(stored.data(), &next, sizeof next);
  // An ID whose successor could not be stored would be handed out again: hand out none.
  if (auto written = syncThreadUnsafeWriteLibraryData(kBatchIDCounterKey, stored); !written) {
    transportLogDebug("Couldn't advance the batch ID counter: %@", written.error());
    return std::nullopt;
  }
  return counter;
}

}  // namespace sdk::transport

