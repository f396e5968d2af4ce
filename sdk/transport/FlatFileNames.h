#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Value.h"

namespace sdk::transport {

// Where the flat-file event store keeps its files below its root, and the names it gives them, which
// carry all that selection, batching and expiry need (see FlatFileEventStore.h):
//
//   <event folder>/<target>/<eventID>-<qosTier>-<expiration>-<mappingID>
//   <batch folder>/<target>-<batchID>-<expiration>/<event file names>
class FlatFileNames {
 public:
  static constexpr const char* kEventIDComponentKey = "VDTCOREventComponentsEventIDKey";
  static constexpr const char* kQoSTierComponentKey = "VDTCOREventComponentsQoSTierKey";
  static constexpr const char* kExpirationComponentKey = "VDTCOREventComponentsExpirationKey";
  static constexpr const char* kMappingIDComponentKey = "VDTCOREventComponentsMappingIDKey";
  static constexpr const char* kBatchTargetComponentKey = "VDTCORBatchComponentsTargetKey";
  static constexpr const char* kBatchIDComponentKey = "VDTCORBatchComponentsBatchIDKey";
  static constexpr const char* kBatchExpirationComponentKey = "VDTCORBatchComponentsExpirationKey";

  explicit FlatFileNames(std::string rootPath) : rootPath_(std::move(rootPath)) {}

  // The folders, each made when asked for.
  std::string eventDataStoragePath() const;
  std::string batchDataStoragePath() const;
  std::string libraryDataStoragePath() const;
  std::string damagedDataStoragePath() const;
  std::string batchPathForTarget(std::int64_t target, std::uint32_t batchID, double expirationDate) const;
  std::string pathForTarget(std::int64_t target, const std::string& eventID, std::int64_t qosTier,
                            double expirationDate, const std::string& mappingID) const;

  // Name parsers; nil (logged) when the name does not parse.
  static platform::foundation::Value eventComponentsFromFilename(const std::string& fileName);
  static platform::foundation::Value batchComponentsFromFilename(const std::string& fileName);
  // Mapping IDs in file names keep letters, digits and "-"; everything else is percent-encoded.
  static std::string encodedMappingID(const std::string& mappingID);
  static std::string decodedMappingID(const std::string& encoded);
  // The latest time an event stored under `rootPath` (waiting or in a batch) was made that is not after
  // `bound`, read from the file names alone; nothing when there is none.
  static std::optional<double> latestEventTimeNotAfter(const std::string& rootPath, double bound);
  // The names in a folder, hidden ones (writes that never finished) left out.
  static platform::foundation::ErrorOr<std::vector<std::string>> namesIn(const std::string& folder);

 private:
  std::string rootPath_;
};

}  // namespace sdk::transport
