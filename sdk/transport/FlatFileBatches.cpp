#include "sdk/transport/FlatFileBatches.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Check.h"
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

std::optional<EventSet> FlatFileBatches::gather(const std::set<std::string>& paths, std::int64_t target,
                                                std::uint32_t batchID, double expiration,
                                                const std::function<void(const std::string&)>& keepDamaged) const {
  std::string batchFolder = names_.batchPathForTarget(target, batchID, expiration);
  EventSet events;
  for (const auto& path : paths) {
    auto event = unarchiveEvent(path, nullptr);
    if (!event) {
      transportLogDebug("Error deserializing event: %@", event.error());
      keepDamaged(path);
      continue;
    }
    (void)AtomicFile::createDirectories(batchFolder);  // a missing folder fails the move below
    std::string destination = batchFolder + "/" + nameOf(path);
    // An event that stayed behind must not join the batch: it would be uploaded with every later one.
    if (!moveEntry(path, destination)) {
      transportLogDebug("Couldn't move %@ into batch %u", path, batchID);
      continue;
    }
    events.insert(std::move(event).value());
  }
  if (!events.empty()) return events;
  // No event moved in, so the folder may never have been made: nothing to report either way.
  (void)removeEmptyFolder(batchFolder);
  return std::nullopt;
}

std::optional<EventStore::BatchIDs> FlatFileBatches::idsForTarget(std::int64_t target) const {
  auto names = FlatFileNames::namesIn(names_.batchDataStoragePath());
  if (!names.ok() || names->empty()) return std::nullopt;
  EventStore::BatchIDs batchIDs;
  for (const auto& name : *names) {
    auto components = FlatFileNames::batchComponentsFromFilename(name);
    if (components.isNil() || components[FlatFileNames::kBatchTargetComponentKey].toInt64() != target) continue;
    batchIDs.insert(static_cast<std::uint32_t>(components[FlatFileNames::kBatchIDComponentKey].toInt64()));
  }
  return batchIDs;
}

ErrorOr<std::vector<std::string>> FlatFileBatches::foldersOfBatch(std::uint32_t batchID) const {
  std::string folder = names_.batchDataStoragePath();
  auto names = FlatFileNames::namesIn(folder);
  if (!names) {
    transportLogDebug("Couldn't list the batches: %@", names.error().localizedDescription());
    return names.error();
  }
  std::vector<std::string> paths;
  for (const auto& name : *names) {
    auto components = FlatFileNames::batchComponentsFromFilename(name);
    if (!components.isNil() && components[FlatFileNames::kBatchIDComponentKey].toInt64() == batchID) {
      paths.push_back(folder + "/" + name);
    }
  }
  return paths;
}

ErrorOr<void> FlatFileBatches::moveContentsOfDirectoryAtPath(const std::string& from, const std::string& to) {
  const std::vector<std::string> names = TRY(FlatFileNames::namesIn(from));
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
  Error moveError{FlatFileEventStore::kErrorDomain, FlatFileEventStore::kNoEventsOrMoveFailed, {}};
  moveError.userInfo.set(Error::kUnderlyingErrorKey, failures);
  return moveError;
}

void FlatFileBatches::remove(std::uint32_t batchID, bool deleteEvents) const {
  auto folders = foldersOfBatch(batchID);
  if (!folders) return;
  for (const auto& folder : *folders) {
    if (deleteEvents) {
      deleteFolder(folder);
      continue;
    }
    auto components = FlatFileNames::batchComponentsFromFilename(nameOf(folder));
    if (components.isNil()) continue;
    std::string events = platform::foundation::format("%@/%lld", names_.eventDataStoragePath(),
                                                      components[FlatFileNames::kBatchTargetComponentKey].toInt64());
    auto moved = moveContentsOfDirectoryAtPath(folder, events);
    // Only an emptied folder goes; events that failed to move wait there for the next return or sweep.
    if (!removeEmptyFolder(folder)) {
      transportLogDebug("Batch %@ kept: %@", folder, moved ? std::string("not empty") : moved.error().description());
    }
  }
}

void FlatFileBatches::deleteFolder(const std::string& folder) {
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

void FlatFileBatches::returnExpired(double now) const {
  auto names = FlatFileNames::namesIn(names_.batchDataStoragePath());
  if (!names) return;
  for (const auto& name : *names) {
    auto components = FlatFileNames::batchComponentsFromFilename(name);
    if (components.isNil() || !(components[FlatFileNames::kBatchExpirationComponentKey].date().value_or(now) < now)) {
      continue;
    }
    remove(static_cast<std::uint32_t>(components[FlatFileNames::kBatchIDComponentKey].toInt64()), false);
  }
}

}  // namespace sdk::transport
