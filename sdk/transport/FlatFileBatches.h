#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/foundation/ErrorOr.h"
#include "sdk/transport/EventStore.h"
#include "sdk/transport/FlatFileNames.h"

namespace sdk::transport {

// The batch folders of the flat-file event store: selected event files moved into a folder of their
// own while they are uploaded, then deleted with it or moved back, as when the batch expires. Used on
// the storage queue only.
class FlatFileBatches {
 public:
  // A batch being deleted leaves its name for this one first (see remove); an end that cut its
  // deletion short leaves it hidden here, for the next sweep.
  static constexpr const char* kDeletedBatchPrefix = ".deleted-";

  explicit FlatFileBatches(const FlatFileNames& names) : names_(names) {}

  // Moves the events at `paths` into the folder of a new batch; an event that cannot be read goes to
  // `keepDamaged` instead. Nothing when no event moved in.
  std::optional<EventSet> gather(const std::set<std::string>& paths, std::int64_t target,
                                             std::uint32_t batchID, double expiration,
                                             const std::function<void(const std::string&)>& keepDamaged) const;
  std::optional<EventStore::BatchIDs> idsForTarget(std::int64_t target) const;
  // Deletes a batch's events with its folder, or returns them to their target's folder.
  void remove(std::uint32_t batchID, bool deleteEvents) const;
  // Returns the events of every batch past its expiration.
  void returnExpired(double now) const;

 private:
  platform::foundation::ErrorOr<std::vector<std::string>> foldersOfBatch(std::uint32_t batchID) const;
  // Moves every entry of `from` into `to`; the error lists the failed moves.
  static platform::foundation::ErrorOr<void> moveContentsOfDirectoryAtPath(const std::string& from,
                                                                           const std::string& to);
  static void deleteFolder(const std::string& folder);

  const FlatFileNames& names_;  // the store's, which holds both
};

}  // namespace sdk::transport
