#include "sdk/transport/NetworkUploader.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/ProcessEnd.h"
#include "platform/log/Log.h"
#include "sdk/core/SdkWorldTestSupport.h"
#include "sdk/transport/UploadEndpoints.h"
#include "sdk/transport/Transport.h"
#include "sdk/transport/FlatFileEventStoreTestSupport.h"
#include "sdk/transport/TransformingEventWriter.h"
#include "sdk/transport/UploadTestSupport.h"
#include "sdk/utilities/Gzip.h"
#include "testing/LoopbackServer.h"

namespace ostrel::testing {
namespace {

using platform::foundation::Data;

class UploaderTest : public FlatFileEventStoreTest {
 protected:
  void SetUp() override {
    FlatFileEventStoreTest::SetUp();
    sdk::transport::NetworkUploader::setTestServerURL(server.url("/batch"));
  }
  void TearDown() override {
    sdk::transport::NetworkUploader::setTestServerURL(std::nullopt);
    FlatFileEventStoreTest::TearDown();
  }

  // Asks for an upload and waits until it has run its course.
  void upload(std::int64_t target, std::uint32_t conditions) {
    uploader->uploadTarget(target, conditions);
    ASSERT_TRUE(uploader->waitForUploadFinishedWithTimeout(20));
    drain(storage->storageQueue());
  }
  std::size_t stored(std::int64_t target) {
    return filesIn(eventFolder(target)).size() + filesIn(storage->names().batchDataStoragePath()).size();
  }
  std::shared_ptr<sdk::transport::TransportEvent> storedEvent(std::int64_t target, std::int64_t tier, const std::string& payload = "p") {
    auto event = makeEvent(target == 1002 ? "1206" : "137", target, tier, payload);
    event->setClockSnapshot(sdk::transport::ClockSnapshot::snapshot());
    EXPECT_TRUE(store(event).first);
    return event;
  }
  static LoopbackResponse reply(int status, std::optional<std::int64_t> waitMillis,
                                std::vector<std::pair<std::string, std::string>> headers = {}) {
    LoopbackResponse response = LoopbackResponse::withStatus(status, waitMillis ? encodeReply(waitMillis) : "");
    response.headers = std::move(headers);
    return response;
  }

  static LoopbackResponse bodyOf(int status, std::size_t bytes, std::vector<std::pair<std::string, std::string>> headers = {}) {
    LoopbackResponse response = LoopbackResponse::withStatus(status, std::string(bytes, 'r'));
    response.headers = std::move(headers);
    return response;
  }

  LoopbackServer server;
  std::shared_ptr<sdk::transport::NetworkUploader> uploader = std::make_shared<sdk::transport::NetworkUploader>(registrar, application);
};

TEST_F(UploaderTest, ADeliveredBatchIsDeletedAndTheTargetWaitsWhileForcedUploadsGoThrough) {
  server.on("POST", "/batch", reply(200, 60000));
  storedEvent(1001, 3);
  upload(1001, 4);
  ASSERT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(stored(1001), 0u);

  storedEvent(1001, 3);
  upload(1001, 4);  // held: the service asked for a minute
  EXPECT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(stored(1001), 1u);
  storedEvent(1001, 4);
  upload(1001, 4 | 16);  // forced: the hold does not apply
  EXPECT_EQ(server.requestCount(), 2u);
  EXPECT_EQ(stored(1001), 0u);

  storedEvent(1001, 3);
  clock->advance(61);
  upload(1001, 4);
  EXPECT_EQ(server.requestCount(), 3u);
  EXPECT_EQ(application->openTasks(), 0u);
}

TEST_F(UploaderTest, StatusesDecideWhetherEventsAreKeptAndHowLongTheTargetWaits) {
  struct Case {
    const char* name;
    LoopbackResponse response;
    bool kept;
    std::optional<std::int64_t> waitMillis;  // nullopt: no wait recorded
  };
  const Case cases[] = {
      {"503 Retry-After", reply(503, std::nullopt, {{"Retry-After", "2"}}), true, 2000},
      {"429", reply(429, std::nullopt), true, 900000},
      {"400", reply(400, std::nullopt), false, 900000},
      {"200 without a wait", reply(200, std::nullopt), false, 900000},
      {"200 Retry-After not a number", reply(200, std::nullopt, {{"Retry-After", "soon"}}), false, 900000},
      {"500 with a wait", reply(500, 1234), true, 1234},
      // A wait past any sense holds the target for a day at most, and one in the past holds it not at all.
      {"200 waiting for ever", reply(200, std::numeric_limits<std::int64_t>::max()), false, 86400000},
      {"200 waiting a negative time", reply(200, std::numeric_limits<std::int64_t>::min()), false, 0},
      {"200 Retry-After of centuries", reply(200, std::nullopt, {{"Retry-After", "9000000000000000"}}), false, 86400000},
      // A status that came is the answer, whatever became of the body: one past what a reply may hold
      // is left unread, and one cut off is not read for a wait.
      {"200 with a body past any session's bound", bodyOf(200, (std::size_t{64} << 20) + 1), false, 900000},
      {"200 Retry-After with a body past the bound", bodyOf(200, 8 << 20, {{"Retry-After", "3"}}), false, 3000},
      {"503 with a body past the reply's bound", bodyOf(503, 8 << 20), true, 900000},
      {"200 whose body breaks off", LoopbackResponse::truncated(encodeReply(5000) + std::string(5000, 'x'), 3), false,
       900000},
  };
  for (const auto& c : cases) {
    server.on("POST", "/batch", c.response);
    uploader->setNextUploadTime(nullptr, 1002);
    storedEvent(1002, 4);
    upload(1002, 4);
    EXPECT_EQ(stored(1002) > 0, c.kept) << c.name;
    auto next = uploader->nextUploadTimeForTarget(1002);
    ASSERT_NE(next, nullptr) << c.name;
    EXPECT_EQ(next->timeMillis() - sdk::transport::ClockSnapshot::snapshot()->timeMillis(), *c.waitMillis) << c.name;
    std::filesystem::remove_all(eventFolder(1002));
  }
}

// A 200 whose body stalls is the answer as soon as its head has come, in a running app: the batch is
// deleted while the request still waits for the body, so an app killed then sends none of it again. The
// body, which could only have said how long to wait, gets a short while; without it the target waits as
// after any reply that said nothing.
TEST_F(UploaderTest, ABatchAnsweredWithAStalledBodyIsDeletedWhenItsHeadComes) {
  LoopbackResponse stalled = reply(200, 60000);
  stalled.bodyHeldUntilReleased = "body";
  stalled.bodyBytesBeforeHold = 1;
  server.on("POST", "/batch", stalled);
  storedEvent(1001, 3);
  uploader->uploadTarget(1001, 4);
  // The main queue turns meanwhile: the request's task is made there.
  ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return server.waitForHeld("body", 1, 0); }, 20));
  EXPECT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return stored(1001) == 0; }, 20))
      << "the batch the service took waits for the body";
  EXPECT_EQ(uploader->operationCount(), 1u) << "the body was not waited for at all";
  clock->advance(platform::net::URLSession::kBodySecondsAfterSuccessHead + 1);
  ASSERT_TRUE(uploader->waitForUploadFinishedWithTimeout(20));
  server.release("body");
  drain(storage->storageQueue());
  EXPECT_EQ(stored(1001), 0u);
  auto next = uploader->nextUploadTimeForTarget(1001);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->timeMillis() - sdk::transport::ClockSnapshot::snapshot()->timeMillis(), 900000);
  EXPECT_EQ(application->openTasks(), 0u);
}

TEST_F(UploaderTest, A503KeepsTheEventsAndSendsThemAgainAfterTheWait) {
  server.onSequence("POST", "/batch", {reply(503, std::nullopt, {{"Retry-After", "2"}}), reply(200, 0)});
  auto event = storedEvent(1001, 3, "again");
  upload(1001, 4);
  upload(1001, 4);
  EXPECT_EQ(server.requestCount(), 1u);  // still waiting
  clock->advance(2.001);
  upload(1001, 4);
  ASSERT_EQ(server.requestCount(), 2u);
  auto requests = server.requests();
  EXPECT_EQ(requests[0].body, requests[1].body.empty() ? "" : requests[0].body);
  auto sources = decodeUploadRequest(requests[1].body);
  ASSERT_TRUE(sources);
  EXPECT_EQ((*sources)[0].events[0].payload, "again");
  EXPECT_EQ(stored(1001), 0u);
}

TEST_F(UploaderTest, ARefusedConnectionKeepsTheEventsWithoutAWait) {
  sdk::transport::NetworkUploader::setTestServerURL("http://127.0.0.1:1/batch");
  storedEvent(1003, 3);
  upload(1003, 4);
  EXPECT_EQ(stored(1003), 1u);
  EXPECT_EQ(uploader->nextUploadTimeForTarget(1003), nullptr);
  EXPECT_EQ(application->openTasks(), 0u);
}

// As shipped, without an address: events stay stored, nothing is sent, and the log says why once.
TEST_F(UploaderTest, WithoutAnAddressEventsStayStoredAndOneNoticeSaysWhy) {
  SdkWorld world;
  ::unsetenv(sdk::transport::UploadEndpoints::kServiceURLEnvironmentVariable);
  sdk::transport::NetworkUploader::setTestServerURL(std::nullopt);
  platform::log::CapturedLines lines;
  storedEvent(1001, 3);
  upload(1001, 4);
  upload(1001, 4 | 16);
  EXPECT_EQ(stored(1001), 1u);
  EXPECT_EQ(server.requestCount(), 0u);
  ASSERT_EQ(lines.lines().size(), 1u);
  EXPECT_EQ(lines.lines()[0].level, platform::log::Notice);
  EXPECT_NE(lines.lines()[0].message.find("No event upload address is configured (TRANSPORT_SERVICE_URL"),
            std::string::npos);
}

TEST_F(UploaderTest, HeadersFollowTheTargetAndGzipIsUsedOnlyWhenShorter) {
  server.on("POST", "/batch", reply(200, 0));
  storedEvent(1000, 3, "x");
  upload(1000, 4);
  storedEvent(1001, 3, std::string(4000, 'z'));
  upload(1001, 4);
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_FALSE(requests[0].header("X-Vdz-Api-Key"));
  EXPECT_EQ(requests[0].header("User-Agent"), "datatransport/9.1.0 uplsupport/9.1.0 apple/");
  EXPECT_FALSE(requests[0].header("Content-Encoding"));  // a small body gzip would only lengthen
  EXPECT_EQ(requests[0].header("Content-Type"), "application/x-protobuf");
  EXPECT_EQ(requests[1].header("X-Vdz-Api-Key"), sdk::transport::NetworkUploader::FLLAndCSHAndINTAPIKey());
  EXPECT_EQ(requests[1].header("User-Agent"), "datatransport/9.1.0 vllsupport/9.1.0 apple/");
  EXPECT_EQ(requests[1].header("Content-Encoding"), "gzip");
  auto sources = decodeUploadRequest(requests[1].body);  // recorded expanded
  ASSERT_TRUE(sources);
  EXPECT_EQ((*sources)[0].events[0].payload, std::string(4000, 'z'));
}

TEST_F(UploaderTest, RedirectsAreRebuiltAsUplRequestsAndLoopsEndInAnError) {
  server.on("POST", "/batch", LoopbackResponse::redirect(302, server.url("/moved")));
  server.on("POST", "/moved", reply(200, 0));
  storedEvent(1001, 3, "moved");
  upload(1001, 4);
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].path, "/moved");
  EXPECT_FALSE(requests[1].header("X-Vdz-Api-Key"));
  EXPECT_EQ(requests[1].header("User-Agent"), "datatransport/9.1.0 uplsupport/9.1.0 apple/");
  EXPECT_EQ(requests[1].body, requests[0].body);
  EXPECT_EQ(stored(1001), 0u);

  server.clearRequests();
  server.on("POST", "/loop", LoopbackResponse::redirect(302, server.url("/loop")));
  sdk::transport::NetworkUploader::setTestServerURL(server.url("/loop"));
  storedEvent(1001, 4);
  upload(1001, 4 | 16);
  EXPECT_GT(server.requestCount(), 2u);
  EXPECT_LT(server.requestCount(), 40u);  // capped
  EXPECT_EQ(stored(1001), 1u);            // an error, not a reply: the events stay
}

TEST_F(UploaderTest, TiersFollowTheNetworkAndNoNetworkNeverUploads) {
  server.on("POST", "/batch", reply(200, 0));
  for (std::int64_t tier : {0, 1, 3, 4, 5}) storedEvent(1001, tier, "tier " + std::to_string(tier));
  auto payloadsSent = [&] {
    std::set<std::string> payloads;
    for (const auto& request : server.requests()) {
      auto sources = decodeUploadRequest(request.body);
      if (!sources) continue;
      for (const auto& source : *sources) {
        for (const auto& event : source.events) payloads.insert(event.payload);
      }
    }
    server.clearRequests();
    return payloads;
  };
  upload(1001, 1 | 16);
  EXPECT_TRUE(payloadsSent().empty());
  upload(1001, 2);
  EXPECT_EQ(payloadsSent(), (std::set<std::string>{"tier 3", "tier 4"}));
  uploader->setNextUploadTime(nullptr, 1001);
  upload(1001, 4);
  EXPECT_EQ(payloadsSent(), (std::set<std::string>{"tier 0", "tier 1", "tier 5"}));
  EXPECT_EQ(sdk::transport::UploadOperation::eventSelectorTarget(1001, 2 | 4).selectedQosTiers,
            (std::set<std::int64_t>{0, 1, 3, 4, 5}));
  EXPECT_TRUE(sdk::transport::UploadOperation::eventSelectorTarget(1001, 2 | 16).selectedQosTiers.empty());
}

TEST_F(UploaderTest, OperationsQueuedBehindAnAttemptedUploadAreCancelled) {
  server.on("POST", "/batch", reply(200, 0));
  storedEvent(1001, 3);
  for (int i = 0; i < 5; ++i) uploader->uploadTarget(1001, 4 | 16);
  ASSERT_TRUE(uploader->waitForUploadFinishedWithTimeout(20));
  EXPECT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(uploader->operationCount(), 0u);
}

// A door the server's answer waits behind until the test opens it (or the door goes).
class AnswerDoor {
 public:
  ~AnswerDoor() { open(); }
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void waitUntilOpen() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

// The app ends while a batch is at the service, unanswered: the upload is not cut off (the process end
// waits for it), so the answer that comes deletes the batch and the next start does not send it again.
// What was queued behind it, and whatever asks for an upload after the end began, sends nothing.
TEST_F(UploaderTest, AnUploadInFlightAtTheEndIsAnsweredAndItsBatchDeleted) {
  AnswerDoor door;
  server.on("POST", "/batch", [&](const LoopbackRequest&) {
    door.waitUntilOpen();
    return reply(200, 0);
  });
  storedEvent(1001, 3, "at the end");
  storedEvent(1002, 3);
  uploader->uploadTarget(1001, 4);
  uploader->uploadTarget(1002, 4);
  // The main queue turns meanwhile: the request's task is made there.
  ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return server.requestCount() == 1; }, 20));
  EXPECT_TRUE(platform::dispatch::ProcessEnd::hasWorkInFlight()) << "the process end would not wait for it";

  uploader->appWillTerminate(*application);
  uploader->uploadTarget(1002, 4 | 16);
  door.open();
  ASSERT_TRUE(uploader->waitForUploadFinishedWithTimeout(20));
  drain(storage->storageQueue());
  EXPECT_EQ(stored(1001), 0u) << "the batch the service took is kept to be sent again";
  EXPECT_EQ(stored(1002), 1u);
  EXPECT_EQ(server.requestCount(), 1u);
  EXPECT_FALSE(platform::dispatch::ProcessEnd::hasWorkInFlight());
  EXPECT_EQ(application->openTasks(), 0u);
}

TEST_F(UploaderTest, AnEventSentThroughATransportIsStoredUploadedAndGone) {
  server.on("POST", "/batch", reply(200, 0));
  registrar->registerUploader(uploader, 1001);
  auto transformer = std::make_shared<sdk::transport::TransformingEventWriter>(application, registrar);
  auto transport = sdk::transport::Transport::initWithMappingID("137", {}, 1001);
  transport->setTransformerInstance(transformer);
  auto event = transport->eventForTransport();
  event->setDataObject(std::make_shared<BytesDataObject>("end to end"));
  transport->sendTelemetryEvent(*event);
  drain(transformer->eventWritingQueue());
  drain(storage->storageQueue());
  EXPECT_EQ(stored(1001), 1u);

  coordinator->startTimer();
  for (int i = 0; i < 3; ++i) drain(coordinator->coordinationQueue());
  clock->advance(0.5);
  for (int i = 0; i < 3; ++i) drain(coordinator->coordinationQueue());
  ASSERT_TRUE(uploader->waitForUploadFinishedWithTimeout(20));
  drain(storage->storageQueue());
  ASSERT_EQ(server.requestCount(), 1u);
  auto sources = decodeUploadRequest(server.requests()[0].body);
  ASSERT_TRUE(sources);
  ASSERT_EQ(sources->size(), 1u);
  EXPECT_EQ((*sources)[0].sourceID, 137);
  EXPECT_EQ((*sources)[0].events[0].payload, "end to end");
  EXPECT_EQ(stored(1001), 0u);
  coordinator->stopTimer();
}

}  // namespace
}  // namespace ostrel::testing
