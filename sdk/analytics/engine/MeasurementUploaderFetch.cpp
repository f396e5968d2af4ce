// The conditional fetch of the measurement configuration and its installation.
#include <map>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/rules/Audiences.h"
#include "sdk/analytics/rules/ScriptRuntime.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

using platform::foundation::Data;
using platform::foundation::Error;
using platform::foundation::Value;
using platform::net::HTTPURLResponse;

namespace {

constexpr int kConfigAppID = 1;
constexpr int kConfigAudiences = 5;
// A configuration is a few kilobytes; a reply far beyond that is refused before it fills memory.
constexpr std::int64_t kMaximumConfigurationBytes = 1 << 20;

}  // namespace

void MeasurementUploader::fetchRemoteConfig() {
  if (stopped_) return;
  auto& settings = *parts_.bundling.settings;
  auto& persisted = *parts_.bundling.persistedConfig;
  std::optional<std::string> appInstanceID;
  if (parts_.bundling.identity) appInstanceID = parts_.bundling.identity->appInstanceID();
  auto url = settings.remoteConfigURLWithAppInstanceID(appInstanceID, kPlatform,
                                                       Identity::analyticsLibraryVersion(),
                                                       ScriptRuntime::runtimeVersion());
  if (!url || !parts_.network) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kConfigurationURLInvalid,
                           "Invalid server URL to get configuration");
    return;
  }
  monitor()->logWithLevel(LogLevel::kVerbose, messages::kConfigurationFetching,
                         "Fetching configuration from the server");
  std::map<std::string, std::string> headers;
  if (std::string lastModified = persisted.configServerLastModifiedString(); !lastModified.empty()) {
    headers["If-Modified-Since"] = lastModified;
  }
  parts_.network->setTimeoutInterval(settings.networkTimeout());
  parts_.network->setMaximumResponseSize(kMaximumConfigurationBytes);
  auto completion =
      completionFor([](MeasurementUploader& self, const auto& response, const auto& data, const auto& error) {
        self.networkRemoteConfigFetchCompletionHandler(response, data, error);
      });
  fetchInFlight_ = requestNumber_;
  auto session = parts_.network->getURL(*url, headers, parts_.scheduler->workerQueue(), shouldUseBackgroundSession(),
                                        std::move(completion));
  // A request that never started reports why through its completion; nothing is pending meanwhile.
  if (!session) fetchInFlight_ = 0;
}

void MeasurementUploader::networkRemoteConfigFetchCompletionHandler(const std::optional<HTTPURLResponse>& response,
                                                                    const std::optional<Data>& data,
                                                                    const std::optional<Error>& error) {
  auto& persisted = *parts_.bundling.persistedConfig;
  auto& database = *parts_.bundling.database;
  const std::int64_t status = response ? response->statusCode : 0;
  monitor()->logWithLevel(LogLevel::kVerbose, messages::kConfigurationFetched, "Fetched configuration. Status code",
                         Value(status));
  const double current = now();
  // A transfer that failed after its head arrived (a body cut off, too large, too slow) brought no
  // configuration: it is a failed fetch, whatever the status said.
  const bool accepted = status == 200 || status == 204 || status == 304 || status == 404;
  if (accepted && !error) {
    reportRequestSuccess();
    persisted.setConfigServerLastModifiedString(response->valueForHTTPHeaderField("Last-Modified").value_or(""));
    persisted.setLastFailedUploadTimestamp(0);
    persisted.setLastBackoffTimestamp(0);
    platform::foundation::ErrorOr<void> recorded;
    if (status == 304 || status == 404) {
      if (status == 304) {
        monitor()->logWithLevel(LogLevel::kVerbose, messages::kConfigurationNotModified,
                               "Configuration has not been modified. Using the same configuration. Code",
                               Value(status));
      } else {
        monitor()->logWithLevel(LogLevel::kWarning, messages::kConfigurationNotFound,
                               "Configuration not found. Using default configuration");
      }
      recorded = database.updateRemoteConfigSuccessfulTimestamp(current);
      if (!recorded) {
        monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kConfigLastSetTimestampUpdateFailed,
                               "Failed to update config last set timestamp. Error",
                               Value(recorded.error().localizedDescription()));
      }
    } else {
      monitor()->logWithLevel(LogLevel::kVerbose, messages::kConfigurationFetchSucceeded,
                             "Successfully fetched configuration from the server. Code, size", Value(status),
                             Value(response->valueForHTTPHeaderField("Content-Length").value_or("")));
      recorded = database.updateRemoteConfigSuccessfulTimestamp(current);
      if (!recorded) {
        monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kLastSetTimestampStoreFailed,
                               "Failed to set last set timestamp in database. Error",
                               Value(recorded.error().localizedDescription()));
      }
      if (data && !data->empty()) (void)installConfiguration(*data);
    }
    suspendedUploadTimestamp_ = recorded.ok() ? 0 : uptime();
    uploadDataOrRegisterAlarm();
    return;
  }
  // A fetch retried for hours against a service that is down: the failure that begins the series also
  // tells when the next attempt comes (and a notice when it works again).
  const bool beginsSeries = requestFailures_.failed();
  const std::vector<Value> contexts = {Value(status), errorText(error)};
  monitor()->logWithLevelContexts(LogLevel::kWarning, messages::kConfigurationRequestFailed,
                                  "Network request failed to fetch remote config. Code, Error", contexts);
  persisted.setLastFailedUploadTimestamp(current);
  if (status == 503 || status == 429) persisted.setLastBackoffTimestamp(current);
  monitor()->logWithLevelContexts(LogLevel::kWarning, messages::kConfigurationFetchFailed,
                                  "Network fetch failed. Will retry later. Code, error", contexts);
  updateSchedule();
  if (beginsSeries) reportRequestFailure("Fetching the analytics configuration", status, error);
}

// Only the service can mend a configuration it sent: why one is refused is for its monitoring data.
bool MeasurementUploader::installConfiguration(const Data& body) {
  auto& settings = *parts_.bundling.settings;
  return parts_.bundling.database->performTransaction([&] {
    // The body comes from the network: the message layer refuses what does not decode within its bounds.
    NanoDecodeFailure failure = NanoDecodeFailure::None;
    auto config = ProtoMeasurementConfig::initWithBuffer(body, &failure);
    if (!config) {
      monitor()->logWithLevel(LogLevel::kSilentError, messages::kConfigurationDataInvalid,
                             "Configuration data is invalid.", Value(nanoDecodeFailureText(failure)));
      return false;
    }
    std::string appID = parts_.bundling.identity ? parts_.bundling.identity->appIDFromVMP() : settings.appID();
    if (nanoGetString(*config, kConfigAppID).value_or("") != appID) {
      monitor()->logWithLevel(LogLevel::kSilentError, messages::kConfigurationAppIDInvalid,
                             "Configuration does not have valid Vadeze App ID.");
      return false;
    }
    auto audiences = nanoGetMessageArray<ProtoAudience>(*config, kConfigAudiences);
    if (!parts_.bundling.audience->updateAudiences(audiences)) {
      monitor()->logWithLevel(LogLevel::kSilentError, messages::kAudiencesUpdateFromConfigurationFailed,
                             "Failed to update audiences with new server configuration");
      return false;
    }
    nanoClearField(*config, kConfigAudiences);
    if (!settings.updateMeasurementConfig(config)) {
      monitor()->logWithLevel(LogLevel::kSilentError, messages::kConfigurationUpdateFailed,
                             "Failed to update configuration with new server configuration");
      return false;
    }
    return true;
  });
}

}  // namespace sdk::analytics

