#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/SequenceChecker.h"
#include "platform/log/FailureSeries.h"
#include "platform/net/URLRequest.h"
#include "sdk/analytics/engine/RawEventBundler.h"
#include "sdk/analytics/engine/UploadSchedule.h"
#include "sdk/analytics/engine/UploadScheduling.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/utilities/HTTPClient.h"

namespace sdk::analytics {

class Alarm;
class Scheduler;

// The way out of the engine, on its worker queue: the one-shot "Measurement timer" armed from the
// newest data, the last upload outcomes, a doubling retry series and the server's back-off; an upload
// that bundles raw events, takes the oldest queued bundles that belong together, stamps them and
// posts them as one batch; and the conditional fetch of the measurement configuration, whose failures
// delay uploads the same way.
//
// States: idle (no alarm) -> scheduled (alarm pending) -> in flight (a request pending, its bundle
// row IDs recorded) -> idle or scheduled again; suspended for an hour of uptime after bundles that
// were sent could not be deleted; stopped at the process end. A batch's bundles count the attempt
// (their retry count rises) before the batch goes, not when it fails: an app killed or ended while
// the batch was on its way then sends them again marked as a repeat; a batch for which the network
// makes no session never left, and the count it took is given back. A success is taken as soon as its
// head has come: the bundles are deleted then, not after a body that may stall, while the request
// stays in flight until its body ends (a short while at most). A wipe of the database forgets the
// upload in flight: its head and completion change nothing, since SQLite hands the same row IDs to new
// bundles.
class MeasurementUploader final : public UploadScheduling,
                                  public sdk::utilities::HTTPClientReachabilityDelegate,
                                  public std::enable_shared_from_this<MeasurementUploader> {
 public:
  using Error = platform::foundation::Error;
  using QueuedBundle = MeasurementDatabase::QueuedBundle;

  static constexpr const char* kUploadPath = "/a";
  static constexpr const char* kPlatform = "ios";
  static constexpr const char* kAlarmBlockID = "APMMeasurement:1613";
  static constexpr double kSuspensionSeconds = 3600;
  // The most of an upload's reply that is read: its status is all the upload asks of it, so a longer
  // body is not taken in, and its status counts all the same.
  static constexpr std::int64_t kMaximumUploadReplySize = 64 * 1024;

  struct Parts {
    RawEventBundler::Parts bundling;
    std::shared_ptr<sdk::utilities::HTTPClient> network;
    std::shared_ptr<Scheduler> scheduler;
    std::shared_ptr<Alarm> alarm;
  };
  // What belongs to the engine's life cycle; every hook may be left empty.
  struct Hooks {
    // Empty: the network client's reachability.
    std::function<bool()> isNetworkConnected;
    // Seconds of device uptime; empty: the clock's steady time.
    std::function<double()> uptime;
    std::function<bool()> isBackgroundTaskRunning;
    std::function<void()> terminateBackgroundTask;
  };

  static std::shared_ptr<MeasurementUploader> make(Parts parts, Hooks hooks, EventSampler::RandomSource random = {});

  // --- scheduling
  // Every stored event, a change of the network, a finished upload or fetch and an enable come here.
  void updateSchedule() override;
  bool hasDataToUpload();
  // Whether the upload queue or the raw events hold anything; a failed look counts as nothing.
  static bool hasDataToUploadIn(MeasurementDatabase& database);
  // Deletes uploaded bundles; false (logged) without a database or on failure.
  [[nodiscard]] static bool removeBundlesWithIDs(MeasurementDatabase* database,
                                                 const std::vector<std::int64_t>& rowIDs);

  // --- upload
  void uploadData();
  void uploadDataOrRegisterAlarm();
  bool shouldUseBackgroundSession();
  bool isNetworkReadyForRequest();
  // The leading run of bundles of app ID `appID` whose identifier of the given kind matches.
  static std::vector<QueuedBundle> filteredBundlesWithCompatibleAppID(const std::string& appID,
                                                                      const std::string& resettableDeviceID,
                                                                      const std::string& vendorDeviceID,
                                                                      const std::vector<QueuedBundle>& bundles);
  // False (logged) when the upload must not go: no bundles, or another upload still recorded.
  [[nodiscard]] bool setUploadInProgressWithBundleIDs(std::vector<std::int64_t> rowIDs);

  // --- configuration fetch
  void fetchRemoteConfig();
  void networkRemoteConfigFetchCompletionHandler(const std::optional<platform::net::HTTPURLResponse>& response,
                                                 const std::optional<platform::foundation::Data>& data,
                                                 const std::optional<Error>& error);
  // Installs an encoded configuration in one transaction; false leaves the previous one in force.
  [[nodiscard]] bool installConfiguration(const platform::foundation::Data& body);

  // --- the process end
  // The app is ending: no alarm is armed and no change of the network schedules anything, but what
  // follows a request under way still goes (the upload after a configuration fetch, the next batch after
  // a delivered one), so that the end's bounded wait covers the whole leave-foreground upload. With a
  // batch in flight, what is queued beside it goes now, in a batch of its own, rather than wait for
  // that answer and then its own within the same bound.
  void finishRequestsUnderWay();
  // A request is out, or its answer is being handled (which may send the next one). Any thread.
  bool hasRequestsUnderWay() const { return requestsUnderWay_->load() > 0; }
  // No upload, fetch or alarm starts from here on; the request in flight may still finish.
  void stopStartingRequests();
  // The end's wait for the requests in flight is over: should an answer still come before the process
  // has ended (the process end waits for an upload within its own bound, and for other work), it is
  // taken all the same, which keeps this object until then. Said in a warning: an upload's bundles were marked as tried before they went, so
  // should no answer come, the next start sends them again with their retry count raised and the
  // service can tell the repeat; after a configuration fetch, the upload that would have followed it
  // waits for the next start.
  void leaveRequestInFlight();

  // --- state
  // The database was emptied: the upload in flight is forgotten.
  void dataWasWiped();
  // A batch or the configuration fetch is out, or another request of the engine. Worker queue only.
  bool isNetworkRequestPending() const;
  // Other requests of the engine (the deferred deep link) hold uploads back while they are out.
  void setIsNetworkRequestPending(bool pending) { otherRequestPending_ = pending; }
  double suspendedUploadTimestamp() const { return suspendedUploadTimestamp_.load(); }
  void setSuspendedUploadTimestamp(double uptime) { suspendedUploadTimestamp_ = uptime; }
  std::vector<std::int64_t> uploadingBundleIDs() const { return uploadingBundleIDs_; }
  RawEventBundler& bundler() { return bundler_; }
  const Parts& parts() const { return parts_; }

  // HTTPClientReachabilityDelegate: reschedules on the worker queue.
  void reachabilityDidChange() override;

  struct Private {
    explicit Private() = default;
  };
  MeasurementUploader(Private, Parts parts, Hooks hooks, EventSampler::RandomSource random);

 private:
  void endSchedule();
  // Uploads wait an hour of uptime after uploaded bundles could not be deleted: while they do, the
  // schedule ends (logged).
  bool isSuspended();
  // The alarm for the upload due at `t`, after the service's back-off, unless an earlier one is armed.
  void armAlarm(double t);
  // The upload found nothing queued: says so and fetches the configuration when it is due.
  void endWithNothingToUpload();
  // Bundles what is raw and reads the queued bundles that may travel together, leaving out `inFlight`:
  // none when nothing is queued; nothing (logged) when the queue could not be read.
  std::optional<std::vector<QueuedBundle>> bundlesToUpload(const std::vector<std::int64_t>& inFlight);
  // Stamps `bundles` and posts them as one batch; `rowIDs`, holding their row IDs, keeps them while it
  // is out.
  void postBatch(std::vector<QueuedBundle> bundles, std::vector<std::int64_t>& rowIDs);
  // The service took the batch (a success head, as soon as it has come): its bundles are deleted and the
  // success recorded. Their row IDs stay recorded until the request ends.
  void takeDeliveredBatch(const platform::net::HTTPURLResponse& response, const std::vector<std::int64_t>& rowIDs);
  // The request ended; `delivered` when its success head was taken already.
  void handleUploadAnswer(const std::optional<platform::net::HTTPURLResponse>& response,
                          const std::optional<Error>& error, std::vector<std::int64_t>& rowIDs, bool delivered);
  void changeRetryCounters(const std::vector<std::int64_t>& rowIDs, bool up);
  // The configuration fetch was answered: the configuration is kept or installed, and uploads go on.
  void configurationAnswered(const platform::net::HTTPURLResponse& response,
                             const std::optional<platform::foundation::Data>& data, double current);
  bool isNetworkConnected() const;
  double uptime() const;
  void terminateBackgroundTask() const;
  void activateNewSnapshot() const;
  // Hands a request to the network; the completion runs on the worker queue while this object lives,
  // with a configuration fetch it answers no longer counted as out. A request named `inFlightName` is
  // work in flight of the process end until then (an upload, whose answer deletes what the service took;
  // the configuration fetch is not: its answer is worth no wait of the end).
  using Completion = std::function<void(MeasurementUploader&, const std::optional<platform::net::HTTPURLResponse>&,
                                        const std::optional<platform::foundation::Data>&,
                                        const std::optional<Error>&)>;
  sdk::utilities::HTTPClient::CompletionHandler completionFor(Completion completion, std::string inFlightName = {});
  // As completionFor, for a success head told before its request ends (HTTPClient::postURL).
  using SuccessHead = std::function<void(MeasurementUploader&, const platform::net::HTTPURLResponse&)>;
  sdk::utilities::HTTPClient::SuccessHeadHandler successHeadFor(SuccessHead handler);
  // Tells the person of the failed request (an upload, or the configuration fetch the uploads wait
  // for) that begins a series, once the retry is scheduled, and of the success that ends one.
  void reportRequestFailure(const char* what, std::int64_t status, const std::optional<Error>& error);
  void reportRequestSuccess();
  // Why a request failed, in the person's words: its status, and what went wrong after its head came.
  static std::string failureText(std::int64_t status, const std::optional<Error>& error);

  Parts parts_;
  Hooks hooks_;
  RawEventBundler bundler_;
  UploadSchedule schedule_;
  std::vector<std::int64_t> uploadingBundleIDs_;
  // The batch the end sent beside the one in flight (see finishRequestsUnderWay()).
  std::vector<std::int64_t> besideBundleIDs_;
  // Set when the end stopped waiting with requests under way: this object, kept by their completions
  // until the last of them has run. Worker queue only.
  std::shared_ptr<std::shared_ptr<MeasurementUploader>> keptForAnswers_ =
      std::make_shared<std::shared_ptr<MeasurementUploader>>();
  std::atomic<bool> otherRequestPending_{false};
  std::atomic<double> suspendedUploadTimestamp_{0};
  platform::log::FailureSeries requestFailures_;
  std::atomic<bool> stopped_{false};    // stopStartingRequests() was called
  std::atomic<bool> finishing_{false};  // finishRequestsUnderWay() was called
  // Requests handed to the network whose completion has not finished running; shared with the
  // completions, which may outlive this object.
  std::shared_ptr<std::atomic<int>> requestsUnderWay_ = std::make_shared<std::atomic<int>>(0);
  // Worker queue only: the latest request handed to the network, the configuration fetch out (0 for
  // none), and the wipes so far.
  std::uint64_t requestNumber_ = 0;
  std::uint64_t fetchInFlight_ = 0;
  std::uint64_t wipeGeneration_ = 0;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics

