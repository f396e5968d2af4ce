#include "sdk/analytics/foundation/AppMetadataTable.h"

#include "sdk/analytics/foundation/FoundationMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::ErrorOr;
using platform::foundation::Value;

ErrorOr<AppMetadata> AppMetadataTable::queryAppMetadata() {
  auto rows = query("SELECT * FROM app_metadata WHERE id = 1", {}, messages::kAppMetadataReadFailed,
                    "Failed to read app metadata");
  if (!rows) return rows.error();
  AppMetadata metadata;
  if (rows->empty()) return metadata;
  metadata.lastBundleIndex = rows->front().at("last_bundle_index").toInt64();
  metadata.lastBundleStartTimestamp = rows->front().at("last_bundle_start_timestamp").toDouble();
  metadata.lastBundleEndTimestamp = rows->front().at("last_bundle_end_timestamp").toDouble();
  return metadata;
}

ErrorOr<void> AppMetadataTable::updateAppMetadata(const AppMetadata& metadata) {
  return run(
      "INSERT OR REPLACE INTO app_metadata (id, last_bundle_index, last_bundle_start_timestamp, "
      "last_bundle_end_timestamp) VALUES (1, ?, ?, ?)",
      {Value(metadata.lastBundleIndex), Value(metadata.lastBundleStartTimestamp),
       Value(metadata.lastBundleEndTimestamp)},
      messages::kAppMetadataUpdateFailed, "Failed to update app metadata");
}

}  // namespace sdk::analytics
