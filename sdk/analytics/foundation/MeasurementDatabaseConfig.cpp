// Purchases, subscriptions, app metadata and the remote configuration.
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"

#include "platform/foundation/Clock.h"

namespace sdk::analytics {

using platform::foundation::ErrorOr;

using platform::foundation::Data;
using platform::foundation::Value;

ErrorOr<bool> MeasurementDatabase::insertIfNotDuplicatePurchaseFingerprint(const std::string& fingerprint) {
  auto inserted = execute("INSERT OR IGNORE INTO purchases (fingerprint) VALUES (?)", {Value(fingerprint)},
                          messages::kPurchaseFingerprintStoreFailed, "Failed to store purchase fingerprint");
  if (!inserted) return inserted.error();
  return *inserted > 0;
}

ErrorOr<void> MeasurementDatabase::deletePurchaseFingerprint(const std::string& fingerprint) {
  return run("DELETE FROM purchases WHERE fingerprint = ?", {Value(fingerprint)},
             messages::kPurchaseFingerprintDeletionFailed, "Failed to delete purchase fingerprint");
}

ErrorOr<bool> MeasurementDatabase::insertIfNotDuplicateSubscriptionID(const std::string& subscriptionID) {
  auto inserted = execute("INSERT OR IGNORE INTO subscriptions (subscription_id) VALUES (?)", {Value(subscriptionID)},
                          messages::kSubscriptionIDStoreFailed, "Failed to store subscription ID");
  if (!inserted) return inserted.error();
  return *inserted > 0;
}

ErrorOr<std::int64_t> MeasurementDatabase::deleteSubscriptionsOverLimit() {
  return execute(
      "DELETE FROM subscriptions WHERE rowid NOT IN (SELECT rowid FROM subscriptions ORDER BY rowid DESC LIMIT ?)",
      {Value(kMaxSubscriptions)}, messages::kSubscriptionsOverLimitDeletionFailed,
      "Failed to delete subscriptions over the limit");
}

ErrorOr<AppMetadata> MeasurementDatabase::queryAppMetadata() {
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

ErrorOr<void> MeasurementDatabase::updateAppMetadata(const AppMetadata& metadata) {
  return run(
      "INSERT OR REPLACE INTO app_metadata (id, last_bundle_index, last_bundle_start_timestamp, "
      "last_bundle_end_timestamp) VALUES (1, ?, ?, ?)",
      {Value(metadata.lastBundleIndex), Value(metadata.lastBundleStartTimestamp),
       Value(metadata.lastBundleEndTimestamp)},
      messages::kAppMetadataUpdateFailed, "Failed to update app metadata");
}

ErrorOr<void> MeasurementDatabase::updateRemoteConfig(const ProtoMeasurementConfig& config) {
  return run("INSERT OR REPLACE INTO remote_config (id, config, last_update_timestamp) VALUES (1, ?, ?)",
             {Value::data(config.protoBuffer()), Value(platform::foundation::Clock::current()->now())},
             messages::kRemoteConfigurationStoreFailed, "Failed to store the remote configuration");
}

ErrorOr<std::shared_ptr<ProtoMeasurementConfig>> MeasurementDatabase::queryMeasurementConfigWithError() {
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

ErrorOr<double> MeasurementDatabase::lastRemoteConfigUpdateTimestamp() {
  auto rows = query("SELECT last_update_timestamp FROM remote_config WHERE id = 1", {},
                    messages::kRemoteConfigurationTimeReadFailed, "Failed to read the remote configuration time");
  if (!rows) return rows.error();
  return rows->empty() ? 0.0 : rows->front().at("last_update_timestamp").toDouble();
}

ErrorOr<void> MeasurementDatabase::updateRemoteConfigSuccessfulTimestamp(double timestamp) {
  // A fetch that found the configuration unchanged keeps it as fresh as a new one.
  return run(
      "INSERT INTO remote_config (id, last_update_timestamp) VALUES (1, ?) "
      "ON CONFLICT(id) DO UPDATE SET last_update_timestamp = excluded.last_update_timestamp",
      {Value(timestamp)}, messages::kConfigurationFetchTimeStoreFailed, "Failed to store the configuration fetch time");
}

}  // namespace sdk::analytics

