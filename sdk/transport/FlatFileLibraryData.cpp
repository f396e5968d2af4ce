#include "sdk/transport/FlatFileLibraryData.h"

#include <cstring>

#include "platform/foundation/AtomicFile.h"
#include "sdk/transport/Archive.h"
#include "sdk/transport/FlatFileEventStore.h"
#include "sdk/transport/TransportLog.h"

namespace sdk::transport {

using platform::foundation::AtomicFile;
using platform::foundation::Error;

platform::foundation::ErrorOr<void> FlatFileLibraryData::write(const std::string& key, const Data& data,
                                                              DirectorySizeTracker& sizes) const {
  std::string path = pathOf(key);
  std::uint64_t oldSize = DirectorySizeTracker::fileSizeAtPath(path);
  TRY(writeDataToFile(data, path));
  // The new file replaced the old one: count only the difference.
  sizes.fileWasRemovedAtPath(path, oldSize);
  sizes.fileWasAddedAtPath(path, data.size());
  return {};
}

void FlatFileLibraryData::read(const std::string& key, const Fetch& onFetchComplete,
                               const std::function<std::optional<Data>()>& setNewValue,
                               DirectorySizeTracker& sizes) const {
  auto bytes = AtomicFile::readFile(pathOf(key), FlatFileEventStore::kStorageSizeLimit);
  if (onFetchComplete) {
    OptionalError error;
    if (!bytes.ok()) error = Error::make("NSCocoaErrorDomain", 260, bytes.error().localizedDescription());
    onFetchComplete(bytes.ok() ? std::optional<Data>(std::move(bytes).value()) : std::nullopt, error);
  }
  if (!setNewValue) return;
  auto newValue = setNewValue();
  if (!newValue || newValue->empty()) return;
  if (auto written = write(key, *newValue, sizes); !written) {
    transportLogDebug("Couldn't write library data for %@: %@", key, written.error());
  }
}

FlatFileLibraryData::OptionalError FlatFileLibraryData::remove(const std::string& key, DirectorySizeTracker& sizes) const {
  std::string path = pathOf(key);
  if (!AtomicFile::fileExists(path)) return std::nullopt;
  std::uint64_t size = DirectorySizeTracker::fileSizeAtPath(path);
  auto removed = AtomicFile::removeFile(path);
  if (!removed.ok()) return Error::make("NSCocoaErrorDomain", 512, removed.error().localizedDescription());
  sizes.fileWasRemovedAtPath(path, size);
  return std::nullopt;
}

std::optional<std::uint32_t> FlatFileLibraryData::nextBatchID(DirectorySizeTracker& sizes) const {
  std::uint32_t counter = 0;
  // Any other length than 4 bytes is not a counter this storage wrote: start again from 0.
  auto bytes = AtomicFile::readFile(pathOf(FlatFileEventStore::kBatchIDCounterKey), sizeof counter);
  if (bytes.ok() && bytes->size() == sizeof counter) std::memcpy(&counter, bytes->data(), sizeof counter);
  std::uint32_t next = counter + 1;  // wraps to 0 after the last ID
  Data stored(sizeof next);
  std::memcpy(stored.data(), &next, sizeof next);
  // An ID whose successor could not be stored would be handed out again: hand out none.
  if (auto written = write(FlatFileEventStore::kBatchIDCounterKey, stored, sizes); !written) {
    transportLogDebug("Couldn't advance the batch ID counter: %@", written.error());
    return std::nullopt;
  }
  return counter;
}

}  // namespace sdk::transport
