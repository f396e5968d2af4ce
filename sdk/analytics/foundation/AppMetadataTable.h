#pragma once

#include <memory>

#include "sdk/analytics/foundation/AppMetadata.h"
#include "sdk/analytics/foundation/MeasurementStatements.h"

namespace sdk::analytics {

// The measurement database's one row of what bundling numbers and dates its bundles from.
class AppMetadataTable : protected MeasurementStatements {
 public:
  explicit AppMetadataTable(std::shared_ptr<SqliteStore> store) : MeasurementStatements(std::move(store)) {}

  ErrorOr<AppMetadata> queryAppMetadata();
  ErrorOr<void> updateAppMetadata(const AppMetadata& metadata);
};

}  // namespace sdk::analytics
