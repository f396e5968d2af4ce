#include "sdk/utilities/ZURAridire.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "platform/log/Log.h"
#include "platform/net/URLError.h"
#include "sdk/utilities/VDUGzip.h"
#include "sdk/utilities/VDULogger.h"
#include "testing/LoopbackServer.h"
#include "testing/TempContainer.h"

namespace {

using platform::dispatch::MainLoop;
using platform::dispatch::Queue;
using platform::foundation::Data;
using platform::foundation::Error;
using platform::net::HTTPURLResponse;
using ostrel::testing::LoopbackResponse;
using ostrel::testing::LoopbackServer;

Data bytes(std::string_view s) { return Data(s.begin(), s.end()); }

struct Outcome {
  bool done = false;
  bool onQueue = false;
  std::optional<HTTPURLResponse> response;
  std::optional<Data> data;
  std::optional<Error> error;
  std::string body() const { return data ? std::string(data->begin(), data->end()) : "<nil>"; }
};

struct LogRecorder : ZURAridireLoggerDelegate {
  std::vector<std::pair<std::int64_t, std::string>> messages;
  void ZURAridire_logWithLevel(ZURAridireLogLevel, std::int64_t code, const std::string& message,
                               const platform::foundation::Array&) override {
    messages.emplace_back(code, message);
  }
  void ZURAridire_logWithLevel(ZURAridireLogLevel, std::int64_t code, const std::string& message,
                               const platform::foundation::Value&) override {
    messages.emplace_back(code, message);
  }
  void ZURAridire_logWithLevel(ZURAridireLogLevel, std::int64_t code, const std::string& message) override {
    messages.emplace_back(code, message);
  }
  bool has(std::int64_t code) const {
    for (const auto& m : messages) {
      if (m.first == code) return true;
    }
    return false;
  }
};

class ZURAridireTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VDULoggerResetForTesting();
    client = ZURAridire::initWithReachabilityHost("127.0.0.1");
    ASSERT_NE(client, nullptr);
  }
  void TearDown() override {
    MainLoop::runUntilIdle();
    platform::foundation::Clock::setCurrent(nullptr);
    VDULoggerResetForTesting();
  }

  // Handlers run on `queue` (a serial queue of the test's) and record what they were given.
  ZURAridire::CompletionHandler recordInto(Outcome& outcome) {
    return [&outcome, q = queue](std::optional<HTTPURLResponse> r, std::optional<Data> d, std::optional<Error> e) {
      outcome.onQueue = q->isCurrent();
      outcome.response = std::move(r), outcome.data = std::move(d), outcome.error = std::move(e);
      Queue::main()->async([&outcome] { outcome.done = true; });
    };
  }
  bool wait(const Outcome& outcome) { return MainLoop::runUntil([&] { return outcome.done; }, 20); }

  ostrel::testing::TempContainer container;
  LoopbackServer server;
  std::shared_ptr<Queue> queue = Queue::serial("test.client");
  std::shared_ptr<ZURAridire> client;
};

TEST_F(ZURAridireTest, PostSendsTheGzippedPayloadWithItsHeaders) {
  server.on("POST", "/upload", LoopbackResponse::ok("stored"));
  Data payload = bytes(std::string(5000, 'p') + "end");
  Outcome outcome;
  auto id = client->postURL(server.url("/upload"), payload, queue, false, recordInto(outcome));
  ASSERT_TRUE(id);
  EXPECT_TRUE(id->starts_with("com.gul.network.background-upload-"));
  EXPECT_TRUE(client->hasUploadInProgress());
  ASSERT_TRUE(wait(outcome));
  EXPECT_TRUE(outcome.onQueue);
  EXPECT_FALSE(outcome.error);
  EXPECT_EQ(outcome.response->statusCode, 200);
  EXPECT_EQ(outcome.body(), "stored");
  EXPECT_FALSE(client->hasUploadInProgress());

  auto received = server.requests().at(0);
  EXPECT_EQ(received.body, std::string(payload.begin(), payload.end()));  // the server expanded it
  EXPECT_EQ(received.header("Content-Encoding"), "gzip");
  EXPECT_EQ(received.header("Content-Type"), "application/x-www-form-urlencoded");
  auto compressed = VDUGzip::vdu_dataByGzippingData(payload, nullptr);
  EXPECT_EQ(received.header("Content-Length"), std::to_string(compressed->size()));
}

TEST_F(ZURAridireTest, EmptyPayloadIsPostedAsAnEmptyBody) {
  server.on("POST", "/upload", LoopbackResponse::ok());
  Outcome outcome;
  ASSERT_TRUE(client->postURL(server.url("/upload"), Data{}, queue, false, recordInto(outcome)));
  ASSERT_TRUE(wait(outcome));
  EXPECT_EQ(server.requests().at(0).header("Content-Length"), "0");
  EXPECT_EQ(server.requests().at(0).body, "");
}

TEST_F(ZURAridireTest, GetReplacesEveryHeaderFieldInForegroundAndBackground) {
  server.on("GET", "/config", LoopbackResponse::ok("{\"a\":1}"));
  for (bool background : {false, true}) {
    Outcome outcome;
    ASSERT_TRUE(client->getURL(server.url("/config"), {{"If-None-Match", "\"e1\""}, {"X-Key", "k"}}, queue, background,
                               recordInto(outcome)));
    ASSERT_TRUE(wait(outcome));
    EXPECT_EQ(outcome.body(), "{\"a\":1}");
    auto received = server.requests().back();
    EXPECT_EQ(received.header("If-None-Match"), "\"e1\"");
    EXPECT_EQ(received.header("X-Key"), "k");
    EXPECT_FALSE(received.header("Content-Encoding"));
  }
  EXPECT_FALSE(client->hasUploadInProgress());
}

TEST_F(ZURAridireTest, StatusesAndRedirectsReachTheCallerAsResponses) {
  LoopbackResponse busy = LoopbackResponse::withStatus(503, "later");
  busy.headers = {{"Retry-After", "30"}};
  server.on("POST", "/busy", busy);
  server.on("POST", "/moved", LoopbackResponse::redirect(302, "/elsewhere"));
  server.on("POST", "/see", LoopbackResponse::redirect(303, "/done"));
  server.on("GET", "/done", LoopbackResponse::ok("followed"));

  Outcome outcome;
  client->postURL(server.url("/busy"), bytes("x"), queue, false, recordInto(outcome));
  ASSERT_TRUE(wait(outcome));
  EXPECT_FALSE(outcome.error);
  EXPECT_EQ(outcome.response->statusCode, 503);
  EXPECT_EQ(outcome.response->valueForHTTPHeaderField("Retry-After"), "30");

  Outcome moved;
  client->postURL(server.url("/moved"), bytes("x"), queue, true, recordInto(moved));
  ASSERT_TRUE(wait(moved));
  EXPECT_FALSE(moved.error);
  EXPECT_EQ(moved.response->statusCode, 302);
  EXPECT_EQ(moved.response->valueForHTTPHeaderField("Location"), "/elsewhere");

  Outcome seen;
  client->postURL(server.url("/see"), bytes("x"), queue, false, recordInto(seen));
  ASSERT_TRUE(wait(seen));
  EXPECT_EQ(seen.response->statusCode, 200);
  EXPECT_EQ(seen.body(), "followed");
  EXPECT_EQ(server.requestCount(), 4u);
  EXPECT_FALSE(client->hasUploadInProgress());
}

TEST_F(ZURAridireTest, DroppedConnectionsAndTimeOutsReachTheCallerAsErrors) {
  server.on("POST", "/drop", LoopbackResponse::dropped());
  Outcome dropped;
  client->postURL(server.url("/drop"), bytes("x"), queue, false, recordInto(dropped));
  ASSERT_TRUE(wait(dropped));
  EXPECT_FALSE(dropped.response);
  ASSERT_TRUE(dropped.error);
  EXPECT_EQ(dropped.error->domain, platform::net::kURLErrorDomain);
  EXPECT_EQ(dropped.error->code, platform::net::URLErrorNetworkConnectionLost);

  // A time-out of zero or less means 60 seconds: nothing at 59, the error past 60.
  auto clock = std::make_shared<platform::foundation::ManualClock>();
  platform::foundation::Clock::setCurrent(clock);
  server.on("POST", "/slow", LoopbackResponse::held());
  for (double timeout : {0.0, -5.0}) {
    client->setTimeoutInterval(timeout);
    EXPECT_EQ(client->timeoutInterval(), 60);
    Outcome slow;
    std::size_t before = server.requestCount();
    client->postURL(server.url("/slow"), bytes("x"), queue, false, recordInto(slow));
    ASSERT_TRUE(server.waitForRequests(before + 1));
    clock->advance(59);
    MainLoop::runUntilIdle();
    EXPECT_FALSE(slow.done);
    clock->advance(2);
    ASSERT_TRUE(wait(slow));
    ASSERT_TRUE(slow.error);
    EXPECT_EQ(slow.error->code, platform::net::URLErrorTimedOut);
  }
  EXPECT_FALSE(client->hasUploadInProgress());
}

TEST_F(ZURAridireTest, BadURLsFailAtOnceWithCodeOne) {
  for (std::string url : {"", "not a url", "://nothing"}) {
    Outcome outcome;
    EXPECT_FALSE(client->postURL(url, bytes("x"), queue, false, recordInto(outcome))) << url;
    ASSERT_TRUE(wait(outcome));
    EXPECT_TRUE(outcome.onQueue);
    EXPECT_FALSE(outcome.response);
    EXPECT_FALSE(outcome.data);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain, kZURAridireErrorDomain);
    EXPECT_EQ(outcome.error->code, ZURAridireErrorCodeInvalidURL);
    EXPECT_EQ(outcome.error->userInfo[kZURAridireErrorContext].toString(), "Failed to create network request");
  }
  EXPECT_FALSE(client->hasUploadInProgress());
}

TEST_F(ZURAridireTest, ManyFastRequestsFromAnyThreadLeaveNothingInProgress) {
  server.on("POST", "/fast", LoopbackResponse::ok());
  constexpr int kCount = 24;
  std::atomic<int> finished{0};
  std::thread poster([&] {
    for (int i = 0; i < kCount; ++i) {
      client->postURL(server.url("/fast"), bytes("x"), nullptr, false,
                      [&](auto, auto, auto) { ++finished; });
    }
  });
  poster.join();
  ASSERT_TRUE(MainLoop::runUntil([&] { return finished == kCount; }, 30));
  EXPECT_FALSE(client->hasUploadInProgress());
}

TEST_F(ZURAridireTest, OwnMessagesFollowDebugModeOrGoToTheLoggerDelegate) {
  platform::log::CapturedLines captured;
  client->ZURAridire_logWithLevel(kZURAridireLogLevelDebug, 900000, "Uploading data. Host", platform::foundation::Value("u"));
  client->ZURAridire_logWithLevel(kZURAridireLogLevelWarning, 900002, "Failed", platform::foundation::Array{1, platform::foundation::Value::null()});
  VDULoggerFlush();
  EXPECT_FALSE(captured.contains("Uploading data"));
  EXPECT_TRUE(captured.contains("<Vadeze/Utilities/Network/WARNING> Failed: 1, (nil)"));
  EXPECT_TRUE(captured.contains("[ZURAridire][I-NET900002] <Vadeze/Utilities/Network/WARNING> Failed: 1, (nil)"));

  client->setIsDebugModeEnabled(true);
  client->ZURAridire_logWithLevel(kZURAridireLogLevelDebug, 900000, "");
  VDULoggerFlush();
  EXPECT_TRUE(captured.contains("<Vadeze/Utilities/Network/DEBUG> (Message was empty)"));

  auto recorder = std::make_shared<LogRecorder>();
  client->setLoggerDelegate(recorder);
  client->setLoggerDelegate(nullptr);
  VDULoggerFlush();
  EXPECT_TRUE(captured.contains("[I-NET900002] Cannot set the network logger delegate"));
  EXPECT_EQ(client->loggerDelegate(), recorder);
  client->ZURAridire_logWithLevel(kZURAridireLogLevelError, 901017, "to the delegate");
  EXPECT_TRUE(recorder->has(901017));
}

TEST_F(ZURAridireTest, ReachabilityDecidesTheConnectedFlag) {
  struct Listener : ZURAridireReachabilityDelegate {
    int changes = 0;
    void reachabilityDidChange() override { ++changes; }
  };
  auto listener = std::make_shared<Listener>();
  client->setReachabilityDelegate(listener);
  ASSERT_TRUE(MainLoop::runUntil([&] { return client->isNetworkConnected(); }, 20));  // loopback is reachable
  auto& checker = *client->reachabilityChecker();
  client->reachability(checker, kVDUReachabilityNotReachable);
  EXPECT_FALSE(client->isNetworkConnected());
  client->reachability(checker, kVDUReachabilityViaCellular);
  EXPECT_TRUE(client->isNetworkConnected());
  EXPECT_GE(listener->changes, 2);
  EXPECT_EQ(ZURAridire::initWithReachabilityHost(""), nullptr);
}

}  // namespace
