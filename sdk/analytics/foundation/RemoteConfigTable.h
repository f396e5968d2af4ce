#pragma once

#include <memory>

#include "sdk/analytics/foundation/MeasurementStatements.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"

namespace sdk::analytics {

// The measurement database's one row of the remote configuration and when it was last fetched.
class RemoteConfigTable : protected MeasurementStatements {
 public:
  explicit RemoteConfigTable(std::shared_ptr<SqliteStore> store) : MeasurementStatements(std::move(store)) {}

  ErrorOr<void> updateRemoteConfig(const ProtoMeasurementConfig& config);
  // Nothing when none is stored (error untouched) or on failure (error set).
  ErrorOr<std::shared_ptr<ProtoMeasurementConfig>> queryMeasurementConfigWithError();
  ErrorOr<double> lastRemoteConfigUpdateTimestamp();
  ErrorOr<void> updateRemoteConfigSuccessfulTimestamp(double timestamp);
};

}  // namespace sdk::analytics
