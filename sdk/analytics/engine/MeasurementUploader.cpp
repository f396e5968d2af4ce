#include "sdk/analytics/engine/MeasurementUploader.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/dispatch/ProcessEnd.h"
#include "platform/foundation/Clock.h"
#include "platform/net/URLError.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/RawEventMetadata.h"
#include "sdk/analytics/engine/UploadTime.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/NumericUtil.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/ServiceURL.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

using platform::foundation::Data;
using platform::foundation::Error;
using platform::foundation::Value;
using platform::net::HTTPURLResponse;

namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
// The bundle's fields set when it goes; those it was built with are RawEventMetadata's.
constexpr int kUploadTimestamp = 3;
constexpr int kLibraryVersionAtUpload = 18;
constexpr int kChecksum = 38;

std::string fieldText(const ProtoMeasurementBundle& bundle, int index) {
  return nanoGetString(bundle, index).value_or("");
}

std::vector<std::int64_t> rowIDsOf(const std::vector<MeasurementDatabase::QueuedBundle>& bundles) {
  std::vector<std::int64_t> rowIDs;
  rowIDs.reserve(bundles.size());
  for (const auto& [bundle, rowID] : bundles) rowIDs.push_back(rowID);
  return rowIDs;
}

// Counts one request as under way from the moment it is handed to the network until its completion has
// run, or until the network lets go of a completion it never ran. One whose answer the device must keep
// (`inFlightName`) is the process end's work in flight for as long: the end waits for it within its own
// bound, after the engine's wait, so an answer that comes while the process still ends is taken.
class RequestUnderWay {
 public:
  RequestUnderWay(std::shared_ptr<std::atomic<int>> count, std::string inFlightName) : count_(std::move(count)) {
    ++*count_;
    if (!inFlightName.empty()) inFlight_ = platform::dispatch::ProcessEnd::addWorkInFlight(std::move(inFlightName));
  }
  ~RequestUnderWay() { finished(); }
  RequestUnderWay(const RequestUnderWay&) = delete;
  RequestUnderWay& operator=(const RequestUnderWay&) = delete;

  void finished() {
    if (count_) --*count_;
    count_.reset();
    inFlight_.reset();
  }

 private:
  std::shared_ptr<std::atomic<int>> count_;
  platform::dispatch::ProcessEnd::Registration inFlight_;
};

}  // namespace

std::shared_ptr<MeasurementUploader> MeasurementUploader::make(Parts parts, Hooks hooks,
                                                               EventSampler::RandomSource random) {
  return std::make_shared<MeasurementUploader>(Private(), std::move(parts), std::move(hooks), std::move(random));
}

MeasurementUploader::MeasurementUploader(Private, Parts parts, Hooks hooks, EventSampler::RandomSource random)
    : parts_(std::move(parts)), hooks_(std::move(hooks)), bundler_(parts_.bundling, std::move(random)) {}

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

MeasurementDatabase::StoredDataSummary MeasurementUploader::storedDataOneReadEach() {
  auto& database = *parts_.bundling.database;
  MeasurementDatabase::StoredDataSummary stored;
  // Which of the two tables holds the data is no matter to the schedule.
  stored.hasQueuedBundles = hasDataToUploadIn(database);
  if (!stored.hasQueuedBundles) return stored;
  if (auto latest = database.queryLatestRawEventTime()) {
    stored.latestRawEventTime = *latest;
  } else {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kLatestRawEventTimeQueryFailed,
                           "Failed to query latest raw event time. Error", errorText(latest.error()));
  }
  if (auto latest = database.queryLatestBundleTime()) {
    stored.latestBundleTime = *latest;
  } else {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kLatestBundleTimeQueryFailed,
                           "Failed to query latest bundle time. Error", errorText(latest.error()));
  }
  // Without a time for the data, or in debug mode, no answer below changes the upload time.
  if ((!stored.latestRawEventTime && !stored.latestBundleTime) || monitor()->isDebugModeEnabled()) return stored;
  auto realtimeBundles = database.containsRealtimeBundlesWithError();
  if (!realtimeBundles.ok()) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kRealtimeBundleQueryFailed,
                           "Failed to query for real-time bundle indicator. Error",
                           errorText(realtimeBundles.error()));
  }
  stored.hasRealtimeBundles = realtimeBundles.valueOr(false);
  if (stored.hasRealtimeBundles) return stored;
  auto realtimeEvents = database.containsRealtimeRawEventsWithError();
  if (!realtimeEvents.ok()) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kRealtimeRawEventQueryFailed,
                           "Failed to query for real-time raw event indicator. Error",
                           errorText(realtimeEvents.error()));
  }
  stored.hasRealtimeRawEvents = realtimeEvents.valueOr(false);
  return stored;
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

UploadTimeInputs MeasurementUploader::uploadTimeInputs(const MeasurementDatabase::StoredDataSummary& stored) const {
  auto& settings = *parts_.bundling.settings;
  auto& persisted = *parts_.bundling.persistedConfig;
  UploadTimeInputs in;
  in.now = now();
  in.lastSuccessfulUpload = persisted.lastSuccessfulUploadTimestamp();
  in.lastFailedUpload = persisted.lastFailedUploadTimestamp();
  const double latestBundle = static_cast<double>(stored.latestBundleTime.value_or(0)) / 1000.0;
  in.newestDataTime = std::max(stored.latestRawEventTime.value_or(0), latestBundle);
  in.debug = monitor()->isDebugModeEnabled();
  in.realtime = in.debug || stored.hasRealtimeBundles || stored.hasRealtimeRawEvents;
  in.uploadInterval = settings.uploadingInterval();
  in.realtimeInterval = settings.uploadingRealTimeInterval();
  in.initialDelay = settings.uploadingInitialDelayInterval();
  in.debugInterval = settings.uploadingDebugModeInterval();
  in.retryCount = settings.uploadingRetryCount();
  in.retryInterval = settings.uploadingRetryInterval();
  return in;
}

double MeasurementUploader::nextUploadingTime(const MeasurementDatabase::StoredDataSummary& stored) {
  return nextUploadingTimeFor(uploadTimeInputs(stored));
}

double MeasurementUploader::afterBackoff(double t, double current) const {
  double backoff = parts_.bundling.persistedConfig->lastBackoffTimestamp();
  double backoffPeriod = parts_.bundling.settings->uploadingBackoffInterval();
  if (std::fabs(backoff) > kEpsilon && current - backoff < backoffPeriod) t = std::max(t, backoff + backoffPeriod);
  return t;
}

void MeasurementUploader::updateSchedule() {
  Scheduler::checkOnBackgroundThreadWithMethodName("updateSchedule");
  // An alarm armed now would fire after the app has ended.
  if (stopped_ || finishing_) return;
  if (double suspended = suspendedUploadTimestamp_.load(); suspended != 0) {
    double elapsed = std::fabs(uptime() - suspended);
    if (elapsed < kSuspensionSeconds) {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kUploadSuspended,
                             "Upload has been suspended. Will update scheduling later. Seconds",
                             Value(kSuspensionSeconds - elapsed));
      endSchedule();
      return;
    }
    suspendedUploadTimestamp_ = 0;
  }
  // Every stored event comes here: what the schedule asks of the stored data is read at once, where
  // a read for each question locked the database and let it go again six times. Only when that read
  // fails are the questions asked one by one, so that what can still be read keeps the schedule going
  // and each failure is told at its own question.
  auto combined = parts_.bundling.database->storedDataSummary();
  const auto stored = combined ? *combined : storedDataOneReadEach();
  if (!stored.hasQueuedBundles && !stored.hasRawEvents) {
    activateNewSnapshot();
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kNoDataToScheduleUpload,
                           "No data to upload. Upload task will not be scheduled");
    endSchedule();
    return;
  }
  double t = nextUploadingTime(stored);
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
  const double current = now();
  t = afterBackoff(t, current);

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
  const int field = resettableDeviceID.empty() && !vendorDeviceID.empty() ? RawEventMetadata::kVendorDeviceID
                                                                          : RawEventMetadata::kResettableDeviceID;
  const std::string& reference = field == RawEventMetadata::kVendorDeviceID ? vendorDeviceID : resettableDeviceID;
  std::vector<QueuedBundle> kept;
  for (const auto& queued : bundles) {
    const auto& bundle = *queued.first;
    if (fieldText(bundle, RawEventMetadata::kAppID) != appID) break;
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
  Scheduler::checkOnBackgroundThreadWithMethodName("uploadData");
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
    if (auto id = fieldText(*bundle, RawEventMetadata::kResettableDeviceID); !id.empty()) {
      resettableDeviceID = id;
      break;
    }
    if (auto id = fieldText(*bundle, RawEventMetadata::kVendorDeviceID); !id.empty()) {
      vendorDeviceID = id;
      break;
    }
  }
  return filteredBundlesWithCompatibleAppID(fieldText(*queued->front().first, RawEventMetadata::kAppID),
                                            resettableDeviceID, vendorDeviceID, *queued);
}

void MeasurementUploader::postBatch(std::vector<QueuedBundle> bundles, std::vector<std::int64_t>& rowIDs) {
  auto& settings = *parts_.bundling.settings;
  const double current = now();
  const std::int64_t uploadTime = NumericUtil::millisecondsFromSeconds(current);
  const bool checksum = settings.checksumEnabled();
  auto batch = ProtoMeasurementBatch::make();
  for (auto& [bundle, _] : bundles) {
    nanoSetInt64(*bundle, kLibraryVersionAtUpload, Identity::analyticsLibraryVersion());
    nanoSetInt64(*bundle, kUploadTimestamp, uploadTime);
    if (checksum) nanoSetInt64(*bundle, kChecksum, md5Low64Bits(bundle->protoBuffer()));
    nanoAddMessage(*batch, 0, *bundle);
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
    session = parts_.network->postURL(
        base.empty() ? std::string() : base + kUploadPath, payload, parts_.scheduler->workerQueue(),
        shouldUseBackgroundSession(),
        completionFor(
            [recorded](MeasurementUploader& self, const auto& response, const auto&, const auto& failure) {
              self.handleUploadAnswer(response, failure, *recorded);
            },
            "the analytics upload"));
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

void MeasurementUploader::handleUploadAnswer(const std::optional<HTTPURLResponse>& response,
                                             const std::optional<Error>& error, std::vector<std::int64_t>& rowIDs) {
  auto& persisted = *parts_.bundling.persistedConfig;
  const std::int64_t status = response ? response->statusCode : 0;
  const double current = now();
  if (status == 200 || status == 204) {
    auto length = response->valueForHTTPHeaderField("Content-Length");
    monitor()->logWithLevel(LogLevel::kDebug, messages::kUploadSucceeded,
                           "Successful upload. Got network response. Code, size", Value(status),
                           Value(length.value_or("")));
    persisted.setLastSuccessfulUploadTimestamp(current);
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
                              "); the data stays on the device and " + nextAttemptText());
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

// The alarm's time is not the whole truth: an event recorded before it brings the next attempt forward
// (to within a second in debug mode) unless the uploads are backed off, and leaving the foreground
// sends what is queued whatever the schedule says.
std::string MeasurementUploader::nextAttemptText() {
  const double current = now();
  const auto seconds = [](double s) { return std::to_string(std::llround(std::max(0.0, s))) + " s"; };
  // An event recorded a second from now: the failure lies before it, so the ordinary schedule applies.
  UploadTimeInputs in = uploadTimeInputs({});
  in.now = in.newestDataTime = current + 1;
  const double afterEvent = afterBackoff(nextUploadingTimeFor(in), current) - in.now;
  const std::string onEvent = "about " + seconds(afterEvent) + " after the next event is recorded";
  const std::string onLeaving = "when the app leaves the foreground";
  const std::optional<double> scheduled = parts_.alarm->scheduledTimestamp();
  if (!scheduled || *scheduled <= 0) return "the next attempt comes " + onEvent + ", or " + onLeaving;
  std::string text = "the next attempt comes in about " + seconds(*scheduled - current);
  if (afterBackoff(current, current) > current) text += " (the back-off after a 503 or 429 from the service)";
  text += ", or sooner: ";
  if (afterEvent + 1 < *scheduled - current) text += onEvent + ", or ";
  return text + onLeaving;
}

void MeasurementUploader::reportRequestSuccess() {
  if (const std::int64_t failures = requestFailures_.succeeded(); failures > 0) {
    monitor()->logWithLevel(LogLevel::kNotice, messages::kUploadSeriesEnded,
                            "Uploading analytics data works again after failed attempts", Value(failures));
  }
}

}  // namespace sdk::analytics

