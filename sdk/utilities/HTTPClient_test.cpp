#include "sdk/utilities/HTTPClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "platform/net/URLError.h"
#include "sdk/utilities/Gzip.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"
#include "sdk/utilities/HTTPClientTestSupport.h"
#include "sdk/utilities/UtilitiesMessageCodes.h"
#include "testing/HostileServer.h"
#include "testing/LoopbackServer.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::utilities {

using ostrel::testing::LoggedLines;
using ostrel::testing::LoggedHTTPClientCodes;

namespace {

using platform::dispatch::MainLoop;
using platform::dispatch::Queue;
using platform::foundation::Data;
using platform::foundation::Error;
using platform::net::HTTPURLResponse;
using ostrel::testing::LoopbackResponse;

Data dataOf(std::string_view s) { return Data(s.begin(), s.end()); }

struct Outcome {
  bool done = false;
  bool onQueue = false;
  std::optional<std::string> id;
  std::optional<HTTPURLResponse> response;
  std::optional<Data> data;
  std::optional<Error> error;
  std::string body() const { return data ? std::string(data->begin(), data->end()) : "<nil>"; }
};

class HTTPClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(client, nullptr); }
  void TearDown() override { MainLoop::runUntilIdle(); }

  // Handlers run on `queue` (a serial queue of the test's) and record what they were given.
  HTTPClient::CompletionHandler recordInto(Outcome& outcome) {
    return [&outcome, q = queue](std::optional<HTTPURLResponse> r, std::optional<Data> d, std::optional<Error> e) {
      outcome.onQueue = q->isCurrent();
      outcome.response = std::move(r), outcome.data = std::move(d), outcome.error = std::move(e);
      Queue::main()->async([&outcome] { outcome.done = true; });
    };
  }
  bool wait(const Outcome& outcome) { return MainLoop::runUntil([&] { return outcome.done; }, 20); }
  // Posts to `url` and waits for the handler.
  Outcome post(const std::string& url, const Data& payload = dataOf("x"), bool background = false) {
    Outcome outcome;
    outcome.id = client->postURL(url, payload, queue, background, recordInto(outcome));
    EXPECT_TRUE(wait(outcome));
    return outcome;
  }

  LoggedLines logged;
  ostrel::testing::TempContainer container;
  ostrel::testing::LoopbackServer server;
  std::shared_ptr<Queue> queue = Queue::serial("test.client");
  std::shared_ptr<HTTPClient> client = HTTPClient::initWithReachabilityHost("127.0.0.1");
};

TEST_F(HTTPClientTest, PostSendsTheGzippedPayloadWithItsHeaders) {
  server.on("POST", "/upload", LoopbackResponse::ok("stored"));
  for (const Data& payload : {dataOf(std::string(5000, 'p') + "end"), Data{}}) {
    Outcome outcome = post(server.url("/upload"), payload);
    EXPECT_TRUE(outcome.id.value_or("").starts_with("com.gul.network.background-upload-"));
    EXPECT_TRUE(outcome.onQueue);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.response->statusCode, 200);
    EXPECT_EQ(outcome.body(), "stored");
    auto received = server.requests().back();
    EXPECT_EQ(received.body, std::string(payload.begin(), payload.end()));  // the server expanded it
    EXPECT_EQ(received.header("Content-Type"), "application/x-www-form-urlencoded");
    auto compressed = Gzip::dataByGzippingData(payload);
    ASSERT_TRUE(compressed.ok());
    EXPECT_EQ(received.header("Content-Length"), std::to_string(compressed->size()));
    EXPECT_EQ(received.header("Content-Encoding"), "gzip");
  }
  EXPECT_FALSE(client->hasUploadInProgress());
}

TEST_F(HTTPClientTest, GetReplacesEveryHeaderFieldInForegroundAndBackground) {
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

TEST_F(HTTPClientTest, StatusesRedirectsDroppedConnectionsAndBadURLsEachReachTheCaller) {
  LoopbackResponse busy = LoopbackResponse::withStatus(503, "later");
  busy.headers = {{"Retry-After", "30"}};
  server.on("POST", "/busy", busy);
  server.on("POST", "/moved", LoopbackResponse::redirect(302, "/elsewhere"));
  server.on("POST", "/see", LoopbackResponse::redirect(303, "/done"));
  server.on("GET", "/done", LoopbackResponse::ok("followed"));
  server.on("POST", "/drop", LoopbackResponse::dropped());
  Outcome busyOutcome = post(server.url("/busy"));
  EXPECT_FALSE(busyOutcome.error);
  EXPECT_EQ(busyOutcome.response->statusCode, 503);
  EXPECT_EQ(busyOutcome.response->valueForHTTPHeaderField("Retry-After"), "30");
  Outcome moved = post(server.url("/moved"), dataOf("x"), true);
  EXPECT_EQ(moved.response->statusCode, 302) << "a POST redirect is the caller's to follow";
  EXPECT_EQ(moved.response->valueForHTTPHeaderField("Location"), "/elsewhere");
  EXPECT_EQ(post(server.url("/see")).body(), "followed");
  Outcome dropped = post(server.url("/drop"));
  EXPECT_FALSE(dropped.response);
  EXPECT_EQ(dropped.error.value_or(Error{}).domain, platform::net::kURLErrorDomain);
  EXPECT_EQ(dropped.error.value_or(Error{}).code, platform::net::URLErrorNetworkConnectionLost);

  for (std::string url : {"", "not a url", "://nothing"}) {
    Outcome bad = post(url);
    EXPECT_FALSE(bad.id) << url;
    EXPECT_TRUE(bad.onQueue);
    EXPECT_FALSE(bad.response || bad.data);
    ASSERT_TRUE(bad.error);
    EXPECT_EQ(bad.error->domain, kHTTPClientErrorDomain);
    EXPECT_EQ(bad.error->code, kHTTPClientErrorCodeInvalidURL);
    EXPECT_EQ(bad.error->userInfo[kHTTPClientErrorContext].toString(), "Failed to create network request");
  }
  EXPECT_FALSE(client->hasUploadInProgress());
}

// The request's body fields travel in the session's extra headers as well; a GET after a 303 must lose
// them, or a server that trusts Content-Length waits for a body that never comes.
TEST_F(HTTPClientTest, APostSeeOtherGetsAnswerWithoutBodyFieldsAndOversizedAnswersFailWithTheirResponse) {
  ostrel::testing::HostileServer hostile;
  using ostrel::testing::HostileConnection;
  using ostrel::testing::HostileRequest;
  hostile.on("/see", [](const HostileRequest&, HostileConnection& c) {
    c.send(ostrel::testing::HostileServer::response(303, "", {{"Location", "/done"}}));
  });
  hostile.on("/done", [](const HostileRequest&, HostileConnection& c) {
    c.send(ostrel::testing::HostileServer::response(200, "followed"));
  });
  hostile.on("/endless", [](const HostileRequest&, HostileConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
    c.sendForever(std::string(16 * 1024, 'e'));
  });
  Outcome followed = post(hostile.url("/see"), dataOf("a payload"));
  EXPECT_FALSE(followed.error);
  EXPECT_EQ(followed.body(), "followed");
  const HostileRequest get = hostile.requests().back();
  EXPECT_EQ(get.method, "GET");
  for (const char* field : {"Content-Length", "Content-Type", "Content-Encoding"}) EXPECT_FALSE(get.header(field)) << field;

  client->setMaximumResponseSize(256 * 1024);
  Outcome endless = post(hostile.url("/endless"));
  EXPECT_EQ(endless.response.value_or(HTTPURLResponse{}).statusCode, 200);
  EXPECT_EQ(endless.error.value_or(Error{}).code, platform::net::URLErrorDataLengthExceedsMaximum);
  EXPECT_FALSE(client->hasUploadInProgress());
}

TEST_F(HTTPClientTest, ANonPositiveTimeOutMeansSixtySeconds) {
  ostrel::testing::MainThreadEnvironment env;
  server.on("POST", "/slow", LoopbackResponse::held());
  for (double timeout : {0.0, -5.0}) {
    client->setTimeoutInterval(timeout);
    EXPECT_EQ(client->timeoutInterval(), 60);
    Outcome slow;
    std::size_t before = server.requestCount();
    client->postURL(server.url("/slow"), dataOf("x"), queue, false, recordInto(slow));
    ASSERT_TRUE(server.waitForRequests(before + 1));
    env.advance(59);
    EXPECT_FALSE(slow.done);
    env.clock()->advance(2);
    ASSERT_TRUE(wait(slow));
    EXPECT_EQ(slow.error.value_or(Error{}).code, platform::net::URLErrorTimedOut);
  }
  EXPECT_FALSE(client->hasUploadInProgress());
}

// A post whose success is its answer hears of a 200 on its own queue as soon as the head has come, the
// upload still under way while the body stalls; the body then has a short while before the handler
// hears of the end. A failure's head is told only with the end.
TEST_F(HTTPClientTest, ASuccessHeadIsToldOnTheQueueBeforeItsStalledBody) {
  ostrel::testing::MainThreadEnvironment env;
  std::vector<std::string> heard;  // on `queue`
  std::atomic<int> heads{0};
  for (const int status : {200, 500}) {
    LoopbackResponse stalled = LoopbackResponse::withStatus(status, std::string(20, 'r'));
    // A gate of its own each time: the last one's hold may not have let go yet.
    const std::string gate = "body " + std::to_string(status);
    stalled.bodyHeldUntilReleased = gate;
    stalled.bodyBytesBeforeHold = 10;
    server.on("POST", "/stalled", stalled);
    Outcome outcome;
    client->postURL(server.url("/stalled"), dataOf("x"), queue, false, recordInto(outcome),
                    [&, q = queue](const HTTPURLResponse& head) {
                      heard.push_back("head " + std::to_string(head.statusCode) + (q->isCurrent() ? "" : " off its queue"));
                      ++heads;
                    });
    ASSERT_TRUE(server.waitForHeld(gate, 1));
    if (status == 200) {
      ASSERT_TRUE(MainLoop::runUntil([&] { return heads.load() == 1; }, 20));
      EXPECT_TRUE(client->hasUploadInProgress());
      EXPECT_FALSE(outcome.done);
      env.clock()->advance(platform::net::URLSession::kBodySecondsAfterSuccessHead + 1);
    } else {
      // Nothing tells when the client has read a failure's head, so its body is let through: the
      // handler must still hear of it only with the end.
      server.release(gate);
    }
    ASSERT_TRUE(wait(outcome)) << status;
    EXPECT_EQ(outcome.response.value_or(HTTPURLResponse{}).statusCode, status);
    if (status == 200) {
      EXPECT_EQ(outcome.error.value_or(Error{}).code, platform::net::URLErrorTimedOut);
      server.release(gate);
    }
    EXPECT_FALSE(client->hasUploadInProgress());
  }
  queue->sync([] {});
  EXPECT_EQ(heard, std::vector<std::string>{"head 200"});
}

TEST_F(HTTPClientTest, ManyFastRequestsFromAnyThreadLeaveNothingInProgress) {
  server.on("POST", "/fast", LoopbackResponse::ok());
  constexpr int kCount = 24;
  std::atomic<int> finished{0};
  std::thread([&] {
    for (int i = 0; i < kCount; ++i) {
      client->postURL(server.url("/fast"), dataOf("x"), nullptr, false, [&](auto, auto, auto) { ++finished; });
    }
  }).join();
  ASSERT_TRUE(MainLoop::runUntil([&] { return finished == kCount; }, 30));
  EXPECT_FALSE(client->hasUploadInProgress());
}

TEST_F(HTTPClientTest, OwnMessagesFollowDebugModeOrGoToTheLoggerDelegate) {
  using platform::foundation::Array, platform::foundation::Value;
  client->logWithLevel(kHTTPClientLogLevelDebug, 900000, "Uploading data. Host", Value("u"));
  client->logWithLevel(kHTTPClientLogLevelWarning, 900002, "Failed", Array{1, Value::null()});
  client->logWithLevel(kHTTPClientLogLevelInfo, 901019, "Discarding session: s");
  EXPECT_FALSE(logged.contains("Uploading data"));
  EXPECT_TRUE(logged.contains("<Vadeze/Utilities/Network/INFO> Discarding session: s")) << "info shows without debug";
  EXPECT_TRUE(logged.contains("[ZURAridire][I-NET900002] <Vadeze/Utilities/Network/WARNING> Failed: 1, (nil)"));
  client->setIsDebugModeEnabled(true);
  client->logWithLevel(kHTTPClientLogLevelDebug, 900000, "");
  EXPECT_TRUE(logged.contains("<Vadeze/Utilities/Network/DEBUG> (Message was empty)"));

  auto recorder = std::make_shared<LoggedHTTPClientCodes>();
  client->setLoggerDelegate(recorder);
  client->setLoggerDelegate(nullptr);
  EXPECT_TRUE(logged.contains("[I-NET900002] Cannot set the network logger delegate"));
  EXPECT_EQ(client->loggerDelegate(), recorder);
  client->logWithLevel(kHTTPClientLogLevelError, 901017, "to the delegate");
  EXPECT_EQ(recorder->count(901017), 1);
}

// Every failed request writes its network error as an error, the ones after another failure too, debug
// mode off or on: to the console and through the SDK logger, each once.
TEST_F(HTTPClientTest, EveryFailedRequestWritesItsNetworkErrorAsAnError) {
  server.on("POST", "/drop", LoopbackResponse::dropped());
  server.on("POST", "/ok", LoopbackResponse::ok());
  const auto errorLines = [&] {
    std::map<int, int> byLevel;
    for (const auto& line : logged.lines()) {
      if (line.message.find("<Vadeze/Utilities/Network/ERROR> Encounter network error") != std::string::npos) {
        ++byLevel[line.level];
      }
    }
    return byLevel;
  };
  post(server.url("/drop"));
  post(server.url("/drop"));
  post(server.url("/ok"));
  post(server.url("/drop"));
  EXPECT_EQ(errorLines(), (std::map<int, int>{{platform::log::Error, 6}}));
  client->setIsDebugModeEnabled(true);
  post(server.url("/drop"));
  EXPECT_EQ(errorLines(), (std::map<int, int>{{platform::log::Error, 8}}));
}

TEST_F(HTTPClientTest, ReachabilityDecidesTheConnectedFlag) {
  struct Listener : HTTPClientReachabilityDelegate {
    int changes = 0;
    void reachabilityDidChange() override { ++changes; }
  };
  auto listener = std::make_shared<Listener>();
  client->setReachabilityDelegate(listener);
  ASSERT_TRUE(MainLoop::runUntil([&] { return client->isNetworkConnected(); }, 20));  // loopback is reachable
  auto& checker = *client->reachabilityChecker();
  client->reachability(checker, kReachabilityNotReachable);
  EXPECT_FALSE(client->isNetworkConnected());
  client->reachability(checker, kReachabilityViaCellular);
  EXPECT_TRUE(client->isNetworkConnected());
  EXPECT_GE(listener->changes, 2);
  EXPECT_EQ(HTTPClient::initWithReachabilityHost(""), nullptr);
}

}  // namespace

}  // namespace sdk::utilities

