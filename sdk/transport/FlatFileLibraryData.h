#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Value.h"
#include "sdk/transport/DirectorySizeTracker.h"
#include "sdk/transport/FlatFileNames.h"

namespace sdk::transport {

// Small named values the flat-file event store keeps beside its events (the batch ID counter), each
// one file of the library folder, counted in the store's size as its events are. Used on the storage
// queue only.
class FlatFileLibraryData {
 public:
  using Data = platform::foundation::Data;
  using OptionalError = std::optional<platform::foundation::Error>;
  using Fetch = std::function<void(const std::optional<Data>&, const OptionalError&)>;

  explicit FlatFileLibraryData(const FlatFileNames& names) : names_(names) {}

  // Writes a value and moves `sizes` by the difference to the value it replaced.
  platform::foundation::ErrorOr<void> write(const std::string& key, const Data& data, DirectorySizeTracker& sizes) const;
  // Hands the value (or why there is none) to `onFetchComplete`, then stores what `setNewValue` gives.
  void read(const std::string& key, const Fetch& onFetchComplete, const std::function<std::optional<Data>()>& setNewValue,
            DirectorySizeTracker& sizes) const;
  // Nothing to remove is no failure.
  OptionalError remove(const std::string& key, DirectorySizeTracker& sizes) const;
  // The next batch ID, once its successor is stored; nothing when that could not be stored.
  std::optional<std::uint32_t> nextBatchID(DirectorySizeTracker& sizes) const;

 private:
  std::string pathOf(const std::string& key) const { return names_.libraryDataStoragePath() + "/" + key; }

  const FlatFileNames& names_;  // the store's, which holds both
};

}  // namespace sdk::transport
