#include "sdk/analytics/foundation/RemoteConfigTable.h"

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::Data;
using platform::foundation::ErrorOr;
using platform::foundation::Value;

ErrorOr<void> RemoteConfigTable::updateRemoteConfig(const ProtoMeasurementConfig& config) {
  return run("INSERT OR REPLACE INTO remote_config (id, config, last_update_timestamp) VALUES (1, ?, ?)",
             {Value::data(config.protoBuffer()), Value(platform::foundation::Clock::current()->now())},
             messages::kRemoteConfigurationStoreFailed, "Failed to store the remote configuration");
}

ErrorOr<std::shared_ptr<ProtoMeasurementConfig>> RemoteConfigTable::queryMeasurementConfigWithError() {
  auto rows = query("SELECT config FROM remote_config WHERE id = 1", {}, messages::kRemoteConfigurationReadFailed,
                    "Failed to read the remote configuration");
  if (!rows) return rows.error();
  if (rows->empty()) return nullptr;
  const Data* data = rows->front().at("config").data();
  if (!data) return nullptr;  // only a fetch time is stored
  NanoDecodeFailure failure = NanoDecodeFailure::None;
  auto config = ProtoMeasurementConfig::initWithBuffer(*data, &failure);
  if (!config) {
    return refuse(messages::kRemoteConfigurationReadFailed,
                  std::string("Stored remote configuration does not decode: ") + nanoDecodeFailureText(failure));
  }
  return config;
}

ErrorOr<double> RemoteConfigTable::lastRemoteConfigUpdateTimestamp() {
  auto rows = query("SELECT last_update_timestamp FROM remote_config WHERE id = 1", {},
                    messages::kRemoteConfigurationTimeReadFailed, "Failed to read the remote configuration time");
  if (!rows) return rows.error();
  return rows->empty() ? 0.0 : rows->front().at("last_update_timestamp").toDouble();
}

ErrorOr<void> RemoteConfigTable::updateRemoteConfigSuccessfulTimestamp(double timestamp) {
  // A fetch that found the configuration unchanged keeps it as fresh as a new one.
  return run(
      "INSERT INTO remote_config (id, last_update_timestamp) VALUES (1, ?) "
      "ON CONFLICT(id) DO UPDATE SET last_update_timestamp = excluded.last_update_timestamp",
      {Value(timestamp)}, messages::kConfigurationFetchTimeStoreFailed, "Failed to store the configuration fetch time");
}

}  // namespace sdk::analytics
