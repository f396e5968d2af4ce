#include "sdk/analytics/engine/MeasurementUploader.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "platform/dispatch/ProcessEnd.h"
#include "platform/foundation/Clock.h"
#include "platform/net/URLError.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/RawEventMetadata.h"
#include "sdk/analytics/engine/RequestUnderWay.h"
#include "sdk/analytics/engine/UploadTime.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/NumericUtil.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/ServiceURL.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/rules/Audiences.h"
#include "sdk/analytics/rules/ScriptRuntime.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using platform::foundation::Data;
using platform::foundation::Error;
using platform::foundation::Value;
using platform::net::HTTPURLResponse;
using namespace sdk::analytics::measurement_fields;

namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
// A configuration is a few kilobytes; a reply far beyond that is refused before it fills memory.
constexpr std::int64_t kMaximumConfigurationBytes = 1 << 20;

std::string fieldText(const ProtoMeasurementBundle& bundle, int index) {
  return nanoGetString(bundle, index).value_or("");
}

// The statuses that say the service took a batch.
bool isDelivered(std::int64_t status) { return status == 200 || status == 204; }

std::vector<std::int64_t> rowIDsOf(const std::vector<MeasurementDatabase::QueuedBundle>& bundles) {
  std::vector<std::int64_t> rowIDs;
  rowIDs.reserve(bundles.size());
  for (const auto& [bundle, rowID] : bundles) rowIDs.push_back(rowID);
  return rowIDs;
}

}  // namespace

std::shared_ptr<MeasurementUploader> MeasurementUploader::make(Parts parts, Hooks hooks,
                                                               EventSampler::RandomSource random) {
  return std::make_shared<MeasurementUploader>(Private(), std::move(parts), std::move(hooks), std::move(random));
}

MeasurementUploader::MeasurementUploader(Private, Parts parts, Hooks hooks, EventSampler::RandomSource random)
    : parts_(std::move(parts)),
      hooks_(std::move(hooks)),
      bundler_(parts_.bundling, std::move(random)),
      schedule_(parts_.bundling, parts_.alarm) {}

// --- hooks --------------------------------------------------------------------------------------------

bool MeasurementUploader::isNetworkConnected() const {
  if (hooks_.isNetworkConnected) return hooks_.isNetworkConnected();
  return parts_.network && parts_.network->isNetworkConnected();
}

double MeasurementUploader::uptime() const {
  if (hooks_.uptime) return hooks_.uptime();
  return platform::foundation::Clock::current()->monotonic();
}

void MeasurementUploader::terminateBackgroundTask() const {
  if (hooks_.terminateBackgroundTask) hooks_.terminateBackgroundTask();
}

void MeasurementUploader::activateNewSnapshot() const { (void)parts_.bundling.settings->activateNewSnapshot(); }

bool MeasurementUploader::shouldUseBackgroundSession() {
  return parts_.bundling.settings->isNetworkBackgroundSessionEnabled() && hooks_.isBackgroundTaskRunning &&
         hooks_.isBackgroundTaskRunning();
}

void MeasurementUploader::reachabilityDidChange() {
  std::weak_ptr<MeasurementUploader> weak = weak_from_this();
  parts_.scheduler->scheduleOnWorkerQueueBlockID("APMMeasurement:reachabilityDidChange", [weak] {
    if (auto self = weak.lock()) self->updateSchedule();
  });
}

// --- schedule -----------------------------------------------------------------------------------------

void MeasurementUploader::endSchedule() {
  parts_.alarm->cancel();
  if (parts_.network) parts_.network->setReachabilityDelegate({});
  terminateBackgroundTask();
}

bool MeasurementUploader::hasDataToUpload() { return hasDataToUploadIn(*parts_.bundling.database); }

bool MeasurementUploader::hasDataToUploadIn(MeasurementDatabase& database) {
  auto queueEmpty = database.isQueuedBundleTableEmpty();
  if (!queueEmpty.ok()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kQueueEmptinessCheckFailed,
                           "Failed to check if queue table is empty. Error", errorText(queueEmpty.error()));
    return false;
  }
  if (!*queueEmpty) return true;
  auto rawEmpty = database.isRawEventsTableEmpty();
  if (!rawEmpty.ok()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kRawEventsEmptinessCheckFailed,
                           "Failed to check if raw events table is empty. Error", errorText(rawEmpty.error()));
    return false;
  }
  return !*rawEmpty;
}

bool MeasurementUploader::removeBundlesWithIDs(MeasurementDatabase* database, const std::vector<std::int64_t>& rowIDs) {
  auto deleted = database ? database->deleteBundlesWithRowIDs(rowIDs) : MeasurementDatabase::ErrorOr<void>();
  if (!database || !deleted) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kBundlesRemovalFailed,
                           "Failed to delete bundles from database. Error",
                           Value(database ? deleted.error().localizedDescription() : std::string("no database")));
    return false;
  }
  return true;
}

void MeasurementUploader::updateSchedule() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "updateSchedule");
  // An alarm armed now would fire after the app has ended.
  if (stopped_ || finishing_) return;
  if (isSuspended()) return;
  // Every stored event comes here: what the schedule asks of the stored data is read at once, where
  // a read for each question locked the database and let it go again six times.
  const auto stored = schedule_.storedData();
  if (!stored.hasQueuedBundles && !stored.hasRawEvents) {
    activateNewSnapshot();
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kNoDataToScheduleUpload,
                           "No data to upload. Upload task will not be scheduled");
    endSchedule();
    return;
  }
  const double t = schedule_.nextUploadingTime(stored);
  if (std::fabs(t) < kEpsilon) {
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kNoNextUploadTime,
                           "No next uploading time. Upload task will not be scheduled");
    endSchedule();
    return;
  }
  if (!isNetworkConnected()) {
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kNoNetworkToScheduleUpload,
                           "No network. Upload task will not be scheduled");
    if (parts_.network) parts_.network->setReachabilityDelegate(weak_from_this());
    parts_.alarm->cancel();
    terminateBackgroundTask();
    return;
  }
  if (parts_.network) parts_.network->setReachabilityDelegate({});
  armAlarm(t);
}

bool MeasurementUploader::isSuspended() {
  const double suspended = suspendedUploadTimestamp_.load();
  if (suspended == 0) return false;
  const double elapsed = std::fabs(uptime() - suspended);
  if (elapsed < kSuspensionSeconds) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kUploadSuspended,
                           "Upload has been suspended. Will update scheduling later. Seconds",
                           Value(kSuspensionSeconds - elapsed));
    endSchedule();
    return true;
  }
  suspendedUploadTimestamp_ = 0;
  return false;
}

void MeasurementUploader::armAlarm(double t) {
  const double current = now();
  t = schedule_.afterBackoff(t, current);
  if (auto scheduled = parts_.alarm->scheduledTimestamp(); scheduled && *scheduled != 0 && *scheduled <= t) {
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kUploadTaskAlreadyScheduled,
                           "Do not schedule an upload task. Task already exists. Will be executed in seconds",
                           Value(*scheduled - current));
    return;
  }
  double delay = t - current;
  if (std::fabs(delay) < kEpsilon) delay = 0.001;
  std::weak_ptr<MeasurementUploader> weak = weak_from_this();
  parts_.alarm->runAfterDelay(delay, [weak] {
    auto self = weak.lock();
    if (!self) return;
    self->parts_.scheduler->scheduleOnWorkerQueueBlockID(kAlarmBlockID, [weak] {
      if (auto again = weak.lock()) again->uploadData();
    });
  });
  monitor()->logWithLevel(LogLevel::kVerbose, messages::kUploadTaskScheduled,
                         "Upload task scheduled to be executed in approx. (s)", Value(delay));
}

// --- upload -------------------------------------------------------------------------------------------

void MeasurementUploader::uploadDataOrRegisterAlarm() {
  if (isNetworkConnected() && hasDataToUpload()) {
    uploadData();
  } else {
    updateSchedule();
  }
}

bool MeasurementUploader::isNetworkReadyForRequest() {
  if (parts_.network && parts_.network->hasUploadInProgress()) return false;
  if (isNetworkRequestPending()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kUploadStateMismatch,
                           "Analytics is uploading but network is not uploading");
    return false;
  }
  return true;
}

std::vector<MeasurementUploader::QueuedBundle> MeasurementUploader::filteredBundlesWithCompatibleAppID(
    const std::string& appID, const std::string& resettableDeviceID, const std::string& vendorDeviceID,
    const std::vector<QueuedBundle>& bundles) {
  if (!resettableDeviceID.empty() && !vendorDeviceID.empty()) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kBundleFilterHasBothDeviceIDs,
                           "Bundle filter must not specify both resettableDeviceID and vendorDeviceID");
    return {};
  }
  const int field = resettableDeviceID.empty() && !vendorDeviceID.empty() ? kBundleVendorDeviceID : kBundleResettableDeviceID;
  const std::string& reference = field == kBundleVendorDeviceID ? vendorDeviceID : resettableDeviceID;
  std::vector<QueuedBundle> kept;
  for (const auto& queued : bundles) {
    const auto& bundle = *queued.first;
    if (fieldText(bundle, kBundleAppID) != appID) break;
    std::string identifier = fieldText(bundle, field);
    if (!identifier.empty() && !reference.empty() && identifier != reference) break;
    kept.push_back(queued);
  }
  return kept;
}

bool MeasurementUploader::setUploadInProgressWithBundleIDs(std::vector<std::int64_t> rowIDs) {
  if (rowIDs.empty()) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kBundleListEmpty,
                           "Bundle list is empty. Cancelling upload");
    return false;
  }
  if (!uploadingBundleIDs_.empty()) {
    // Sending bundles whose IDs are not recorded would leave them queued after a success, to be sent
    // again: the earlier upload is finished first.
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kUploadProgressSetTwice,
                           "Set uploading progress before finishing the previous upload");
    return false;
  }
  uploadingBundleIDs_ = std::move(rowIDs);
  return true;
}

sdk::utilities::HTTPClient::CompletionHandler MeasurementUploader::completionFor(Completion completion,
                                                                                 std::string inFlightName) {
  const std::uint64_t request = ++requestNumber_;
  const std::uint64_t generation = wipeGeneration_;
  std::weak_ptr<MeasurementUploader> weak = weak_from_this();
  auto underWay = std::make_shared<RequestUnderWay>(requestsUnderWay_, std::move(inFlightName));
  return [weak, request, generation, underWay, kept = keptForAnswers_, completion = std::move(completion)](
             std::optional<HTTPURLResponse> response, std::optional<Data> data, std::optional<Error> error) {
    // An answer that comes while the app ends is taken whole: the end waits for what it asks.
    auto answered = platform::dispatch::ProcessEnd::addAnsweredWork("the answer to an analytics request");
    {
      // Counted as under way until the request it may send next is counted in turn.
      struct Finish {
        RequestUnderWay& request;
        ~Finish() { request.finished(); }
      } finish{*underWay};
      auto self = weak.lock();
      if (!self) return;
      if (request == self->fetchInFlight_) self->fetchInFlight_ = 0;
      // An answer about data that a wipe has since removed: its row IDs may already name new bundles.
      if (generation != self->wipeGeneration_) {
        self->updateSchedule();
      } else {
        completion(*self, response, data, error);
      }
    }
    // Kept past the end's wait for its answers: the last of them lets go.
    if (*kept && !(*kept)->hasRequestsUnderWay()) kept->reset();
  };
}

sdk::utilities::HTTPClient::SuccessHeadHandler MeasurementUploader::successHeadFor(SuccessHead handler) {
  const std::uint64_t generation = wipeGeneration_;
  std::weak_ptr<MeasurementUploader> weak = weak_from_this();
  return [weak, generation, handler = std::move(handler)](const HTTPURLResponse& response) {
    // What the answer asks is done whole, as for an answer that ends its request.
    auto answered = platform::dispatch::ProcessEnd::addAnsweredWork("the answer to an analytics request");
    auto self = weak.lock();
    // A head about data that a wipe has since removed: its row IDs may already name new bundles.
    if (self && generation == self->wipeGeneration_) handler(*self, response);
  };
}

void MeasurementUploader::dataWasWiped() {
  ++wipeGeneration_;
  uploadingBundleIDs_.clear();
  besideBundleIDs_.clear();
}

// Two batches may be out at the end, answered in either order: each counts until its own answer.
bool MeasurementUploader::isNetworkRequestPending() const {
  return !uploadingBundleIDs_.empty() || !besideBundleIDs_.empty() || fetchInFlight_ != 0 || otherRequestPending_;
}

void MeasurementUploader::finishRequestsUnderWay() {
  finishing_ = true;
  parts_.alarm->cancel();
  if (parts_.network) parts_.network->setReachabilityDelegate({});
  // The leave-foreground upload found a batch in flight: its own goes now, beside it.
  if (stopped_ || uploadingBundleIDs_.empty() || !besideBundleIDs_.empty() || !isNetworkConnected()) return;
  auto bundles = bundlesToUpload(uploadingBundleIDs_);
  if (!bundles || bundles->empty()) return;
  besideBundleIDs_ = rowIDsOf(*bundles);
  postBatch(std::move(*bundles), besideBundleIDs_);
}

void MeasurementUploader::stopStartingRequests() {
  stopped_ = true;
  parts_.alarm->cancel();
  if (parts_.network) parts_.network->setReachabilityDelegate({});
}

void MeasurementUploader::leaveRequestInFlight() {
  if (!hasRequestsUnderWay()) return;
  // While the process ends, this object lives on for answers that still come; outside an end (its
  // owner let go of it for good) an answer finds nobody.
  if (platform::dispatch::ProcessEnd::hasRun()) *keptForAnswers_ = shared_from_this();
  if (uploadingBundleIDs_.empty() && besideBundleIDs_.empty()) {
    if (fetchInFlight_ == 0) return;
    monitor()->logWithLevel(LogLevel::kWarning, messages::kConfigurationFetchUnfinishedAtExit,
                           "The configuration fetch in flight did not finish before the app ended. The upload that "
                           "follows it waits for the next start; the events stay on this device until then");
    return;
  }
  monitor()->logWithLevel(LogLevel::kWarning, messages::kUploadUnfinishedAtExit,
                         "The upload in flight did not finish within the wait the app gives it at its end. An answer "
                         "that still comes before the app has ended is taken; otherwise its bundles go again at the "
                         "next start, marked as a repeat. Bundles",
                         Value(static_cast<std::int64_t>(uploadingBundleIDs_.size() + besideBundleIDs_.size())));
}

void MeasurementUploader::uploadData() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "uploadData");
  if (stopped_) return;
  if (suspendedUploadTimestamp_.load() > 0) {
    updateSchedule();
    return;
  }
  monitor()->logWithLevel(LogLevel::kVerbose, messages::kDataUploadStarting, "Starting data upload");
  if (!isNetworkReadyForRequest()) {
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kUploadIgnoredWhileNetworkPending,
                           "Network operation is pending. Ignoring upload request");
    return;
  }
  if (!isNetworkConnected()) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kUploadIgnoredWithoutNetwork,
                           "Network not connected, ignoring upload request");
    updateSchedule();
    return;
  }
  auto bundles = bundlesToUpload({});
  if (!bundles) {
    terminateBackgroundTask();
    return;
  }
  if (bundles->empty()) {
    endWithNothingToUpload();
    return;
  }
  if (!setUploadInProgressWithBundleIDs(rowIDsOf(*bundles))) {
    // Nothing goes out, so nothing failed: no failure time, and the background task may end.
    terminateBackgroundTask();
    return;
  }
  postBatch(std::move(*bundles), uploadingBundleIDs_);
}

void MeasurementUploader::endWithNothingToUpload() {
  activateNewSnapshot();
  monitor()->logWithLevel(LogLevel::kVerbose, messages::kNoDataToUpload, "No data to upload");
  if (parts_.bundling.settings->isExpired()) {
    fetchRemoteConfig();
  } else {
    terminateBackgroundTask();
  }
}

std::optional<std::vector<MeasurementUploader::QueuedBundle>> MeasurementUploader::bundlesToUpload(
    const std::vector<std::int64_t>& inFlight) {
  auto& settings = *parts_.bundling.settings;
  if (!settings.isExpired()) {
    for (std::int32_t made = 0; made < settings.maxBundlesCreatedPerIteration(); ++made) {
      if (!bundler_.bundleRawEvents()) break;
      suspendedUploadTimestamp_ = 0;
    }
  }
  auto queued = parts_.bundling.database->queryBundlesWithCountLimit(settings.uploadMaxBundlesLimit(),
                                                                     settings.uploadMaxSizeLimitBytes(), inFlight);
  if (!queued) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kUploadBundlesQueryFailed,
                           "Failed to query bundles. Error", errorText(queued.error()));
    return std::nullopt;
  }
  if (queued->empty()) return std::vector<QueuedBundle>();
  if (auto& identity = parts_.bundling.identity) {
    auto consent = ConsentSettings::consentSignals();
    bool gate = settings.gateIDFAOnATTMASEnabled();
    const Identity::Identifiers identifiers = identity->identifiers();
    for (auto& [bundle, _] : *queued) RawEventMetadata::applyIdentifierRule(*bundle, consent, gate, identifiers);
  }
  if (double success = parts_.bundling.persistedConfig->lastSuccessfulUploadTimestamp(); std::fabs(success) > kEpsilon) {
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kUploadingEvents,
                           "Uploading events. Elapsed time since last successful upload (s)",
                           Value(std::fabs(now() - success)));
  }
  std::string resettableDeviceID, vendorDeviceID;
  for (const auto& [bundle, _] : *queued) {
    if (auto id = fieldText(*bundle, kBundleResettableDeviceID); !id.empty()) {
      resettableDeviceID = id;
      break;
    }
    if (auto id = fieldText(*bundle, kBundleVendorDeviceID); !id.empty()) {
      vendorDeviceID = id;
      break;
    }
  }
  return filteredBundlesWithCompatibleAppID(fieldText(*queued->front().first, kBundleAppID),
                                            resettableDeviceID, vendorDeviceID, *queued);
}

void MeasurementUploader::postBatch(std::vector<QueuedBundle> bundles, std::vector<std::int64_t>& rowIDs) {
  auto& settings = *parts_.bundling.settings;
  const double current = now();
  const std::int64_t uploadTime = NumericUtil::millisecondsFromSeconds(current);
  const bool checksum = settings.checksumEnabled();
  auto batch = ProtoMeasurementBatch::make();
  for (auto& [bundle, _] : bundles) {
    nanoSetInt64(*bundle, kBundleLibraryVersionAtUpload, Identity::analyticsLibraryVersion());
    nanoSetInt64(*bundle, kBundleUploadTimestamp, uploadTime);
    if (checksum) nanoSetInt64(*bundle, kBundleChecksum, md5Low64Bits(bundle->protoBuffer()));
    nanoAddMessage(*batch, kBatchBundles, *bundle);
  }
  Data payload = batch->protoBuffer();
  monitor()->logWithLevel(LogLevel::kDebug, messages::kMeasurementDataSent,
                         "Measurement data sent to network. Timestamp (ms), data", Value(uploadTime),
                         Value::data(payload));
  const std::string base = serviceBaseURL();
  parts_.bundling.persistedConfig->setLastFailedUploadTimestamp(current);
  // Counted before it goes: whatever becomes of this attempt, a later send of these bundles is a repeat.
  changeRetryCounters(rowIDs, true);
  std::optional<std::string> session;
  if (parts_.network) {
    parts_.network->setTimeoutInterval(settings.networkTimeout());
    // The configuration fetch narrows what a reply may bring too; the upload's reply is read for its
    // status alone, which counts whatever its body.
    parts_.network->setMaximumResponseSize(kMaximumUploadReplySize);
    std::vector<std::int64_t>* recorded = &rowIDs;
    // Set once a success head has deleted the batch's bundles, which stay recorded as in flight until
    // the request ends.
    auto delivered = std::make_shared<bool>(false);
    session = parts_.network->postURL(
        base.empty() ? std::string() : base + kUploadPath, payload, parts_.scheduler->workerQueue(),
        shouldUseBackgroundSession(),
        completionFor(
            [recorded, delivered](MeasurementUploader& self, const auto& response, const auto&, const auto& failure) {
              self.handleUploadAnswer(response, failure, *recorded, *delivered);
            },
            "the analytics upload"),
        successHeadFor([recorded, delivered](MeasurementUploader& self, const HTTPURLResponse& response) {
          if (!isDelivered(response.statusCode)) return;
          *delivered = true;
          self.takeDeliveredBatch(response, *recorded);
        }));
  }
  if (!session) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kNetworkSessionCreationFailed,
                           "Unable to create network session.");
    // The batch never left: the attempt counted before it went is taken back, or its next send would
    // arrive marked as a repeat of a send that never was.
    changeRetryCounters(rowIDs, false);
    // The client reports why on the worker queue; until then nothing is pending any more.
    rowIDs.clear();
    if (!parts_.network) updateSchedule();
  }
}

void MeasurementUploader::changeRetryCounters(const std::vector<std::int64_t>& rowIDs, bool up) {
  auto& database = *parts_.bundling.database;
  auto result = up ? database.incrementRetryCounterForBundlesWithIDs(rowIDs)
                   : database.decrementRetryCounterForBundlesWithIDs(rowIDs);
  if (!result) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kBundleRetryCountsUpdateFailed,
                           "Failed to update the bundles' retry counts. Error", errorText(result.error()));
  }
}

void MeasurementUploader::takeDeliveredBatch(const HTTPURLResponse& response, const std::vector<std::int64_t>& rowIDs) {
  auto& persisted = *parts_.bundling.persistedConfig;
  persisted.setLastSuccessfulUploadTimestamp(now());
  persisted.setLastFailedUploadTimestamp(0);
  persisted.setLastBackoffTimestamp(0);
  reportRequestSuccess();
  updateSchedule();
  if (!removeBundlesWithIDs(parts_.bundling.database.get(), rowIDs)) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kUploadedBundlesDeletionFailed,
                           "Unable to delete uploaded bundles. Uploads will be suspended for seconds",
                           Value(kSuspensionSeconds));
    suspendedUploadTimestamp_ = stopped_ ? 0 : uptime();
  } else {
    suspendedUploadTimestamp_ = 0;
  }
  // Said once the bundles are gone, so that whoever reads it may take them as the service's.
  auto length = response.valueForHTTPHeaderField("Content-Length");
  monitor()->logWithLevel(LogLevel::kDebug, messages::kUploadSucceeded, "Successful upload. Got network response. Code, size",
                         Value(response.statusCode), Value(length.value_or("")));
}

void MeasurementUploader::handleUploadAnswer(const std::optional<HTTPURLResponse>& response,
                                             const std::optional<Error>& error, std::vector<std::int64_t>& rowIDs,
                                             bool delivered) {
  auto& persisted = *parts_.bundling.persistedConfig;
  const std::int64_t status = response ? response->statusCode : 0;
  const double current = now();
  if (isDelivered(status)) {
    if (!delivered) takeDeliveredBatch(*response, rowIDs);
    rowIDs.clear();
    // Stopped at the end: nothing follows an answer that came after the end's wait.
    if (stopped_) return;
    if ((isNetworkConnected() && hasDataToUpload()) || parts_.bundling.settings->isExpired()) {
      uploadData();
    } else {
      updateSchedule();
    }
    return;
  }
  persisted.setLastFailedUploadTimestamp(current);
  if (status == 429 || status == 503) persisted.setLastBackoffTimestamp(current);
  const bool beginsSeries = requestFailures_.failed();
  monitor()->logWithLevel(LogLevel::kDebug, messages::kNetworkUploadFailed,
                         "Network upload failed. Will retry later. Code, error", Value(status), errorText(error));
  // The retry count already rose when the batch went.
  rowIDs.clear();
  updateSchedule();
  if (beginsSeries) reportRequestFailure("Uploading analytics data", status, error);
}

void MeasurementUploader::reportRequestFailure(const char* what, std::int64_t status, const std::optional<Error>& error) {
  monitor()->logWithLevel(LogLevel::kWarning, messages::kUploadSeriesFailed,
                          std::string(what) + " failed (" + failureText(status, error) +
                              "); the data stays on the device and " + schedule_.nextAttemptText());
}

std::string MeasurementUploader::failureText(std::int64_t status, const std::optional<Error>& error) {
  std::string text = status != 0 ? "status " + std::to_string(status) : std::string();
  if (status == 429 || status == 503) text += ", the service asking to wait";
  if (!error) return status != 0 ? text : "no answer";
  // A reply whose head came but whose body was refused or lost: its status said nothing of that.
  const bool tooLarge = error->domain == platform::net::kURLErrorDomain &&
                        error->code == platform::net::URLErrorDataLengthExceedsMaximum;
  std::string failure = (tooLarge ? "the reply was refused for its size: " : "") + error->localizedDescription();
  return status != 0 ? text + ", then " + failure : failure;
}

void MeasurementUploader::reportRequestSuccess() {
  if (const std::int64_t failures = requestFailures_.succeeded(); failures > 0) {
    monitor()->logWithLevel(LogLevel::kNotice, messages::kUploadSeriesEnded,
                            "Uploading analytics data works again after failed attempts", Value(failures));
  }
}


// --- configuration fetch ------------------------------------------------------------------------------

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
  const std::int64_t status = response ? response->statusCode : 0;
  monitor()->logWithLevel(LogLevel::kVerbose, messages::kConfigurationFetched, "Fetched configuration. Status code",
                         Value(status));
  const double current = now();
  // A transfer that failed after its head arrived (a body cut off, too large, too slow) brought no
  // configuration: it is a failed fetch, whatever the status said.
  const bool accepted = status == 200 || status == 204 || status == 304 || status == 404;
  if (accepted && !error) {
    configurationAnswered(*response, data, current);
    return;
  }
  // A fetch retried for hours against a service that is down: the failure that begins the series also
  // tells when the next attempt comes (and a notice when it works again).
  auto& persisted = *parts_.bundling.persistedConfig;
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

void MeasurementUploader::configurationAnswered(const HTTPURLResponse& response, const std::optional<Data>& data,
                                                double current) {
  auto& persisted = *parts_.bundling.persistedConfig;
  auto& database = *parts_.bundling.database;
  const std::int64_t status = response.statusCode;
  reportRequestSuccess();
  persisted.setConfigServerLastModifiedString(response.valueForHTTPHeaderField("Last-Modified").value_or(""));
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
                           Value(response.valueForHTTPHeaderField("Content-Length").value_or("")));
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
