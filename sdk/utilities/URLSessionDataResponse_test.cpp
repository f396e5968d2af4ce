#include "sdk/utilities/URLSessionDataResponse.h"

#include <gtest/gtest.h>

#include "platform/dispatch/MainLoop.h"
#include "sdk/promises/PromiseTestSupport.h"
#include "testing/HostileServer.h"
#include "testing/LoopbackServer.h"

#include <condition_variable>
#include <map>
#include <mutex>

namespace sdk::utilities {

namespace {

using ostrel::testing::LoopbackResponse;
using platform::foundation::Error;

TEST(URLSessionDataResponse, PromiseFulfilsWithTheAnswerAndRejectsOnTransportErrors) {
  ostrel::testing::MainQueuePromiseDefaults promiseDefaults;
  ostrel::testing::LoopbackServer server;
  server.on("POST", "/batch", LoopbackResponse::withStatus(201, "{\"ok\":true}"));
  server.on("POST", "/drop", LoopbackResponse::dropped());
  // The head arrives, the body breaks off: there is a response, and still the transport failed.
  server.on("POST", "/cut", LoopbackResponse::truncated(std::string(4096, 'b'), 100));
  auto promiseFor = [&](const std::string& path) {
    platform::net::URLRequest request(server.url(path));
    request.httpMethod = "POST";
    request.httpBody = {'x'};
    return dataTaskPromiseWithRequest(platform::net::URLSession::sharedSession(), request);
  };
  auto fulfilled = promiseFor("/batch"), dropped = promiseFor("/drop"), cut = promiseFor("/cut");
  ASSERT_TRUE(sdk::promises::waitForPromisesWithTimeout(20));

  auto answer = fulfilled->value().objectAs<URLSessionDataResponse>();
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->HTTPResponse.statusCode, 201);
  EXPECT_EQ(std::string(answer->HTTPBody.begin(), answer->HTTPBody.end()), "{\"ok\":true}");
  EXPECT_EQ(dropped->error().value_or(Error{}).code, platform::net::URLErrorNetworkConnectionLost);
  for (const auto& failed : {dropped, cut}) {
    EXPECT_EQ(failed->error().value_or(Error{}).domain, platform::net::kURLErrorDomain);
  }

  // Where the head is the answer, a body cut short leaves the status standing; no head is still a failure.
  std::mutex mutex;
  std::map<std::int64_t, bool> headsWithFailedBodies;
  auto headFor = [&](const std::string& path) {
    platform::net::URLRequest request(server.url(path));
    request.httpMethod = "POST";
    return dataTaskPromiseWithRequest(platform::net::URLSession::sharedSession(), request,
                                      [&](const platform::net::HTTPURLResponse& head, const std::optional<Error>& error) {
                                        std::lock_guard lock(mutex);
                                        headsWithFailedBodies[head.statusCode] = error.has_value();
                                      });
  };
  auto whole = headFor("/batch"), headOnly = headFor("/cut"), none = headFor("/drop");
  ASSERT_TRUE(sdk::promises::waitForPromisesWithTimeout(20));
  EXPECT_EQ(headsWithFailedBodies, (std::map<std::int64_t, bool>{{200, true}, {201, false}}));
  auto cutAnswer = headOnly->value().objectAs<URLSessionDataResponse>();
  ASSERT_NE(cutAnswer, nullptr);
  EXPECT_EQ(cutAnswer->HTTPResponse.statusCode, 200);
  EXPECT_TRUE(cutAnswer->HTTPBody.empty());
  EXPECT_EQ(whole->value().objectAs<URLSessionDataResponse>()->HTTPBody.size(), 11u);
  EXPECT_EQ(none->error().value_or(Error{}).code, platform::net::URLErrorNetworkConnectionLost);
}

// A server that sends a byte now and then is never idle long enough to time out; the request's time-out
// still ends the promise, instead of the session's week.
TEST(URLSessionDataResponse, ATricklingServerRejectsAtTheRequestsTimeOut) {
  ostrel::testing::PromiseEnvironment environment;
  std::mutex mutex;
  std::condition_variable stepped;
  int steps = 0;
  {
    ostrel::testing::HostileServer server;
    server.on("/trickle", [&](const ostrel::testing::HostileRequest&, ostrel::testing::HostileConnection& c) {
      c.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
      for (int sent = 0; sent < 3; ++sent) {
        std::unique_lock lock(mutex);
        stepped.wait(lock, [&] { return steps > sent; });
        lock.unlock();
        if (!c.send("t")) return;
      }
      c.hold();
    });
    platform::net::URLRequest request(server.url("/trickle"));
    request.timeoutInterval = 10;
    auto promise = dataTaskPromiseWithRequest(platform::net::URLSession::sharedSession(), request);
    ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return !server.requests().empty(); }, 20));
    // A byte every four seconds: never ten idle seconds, however late each byte is read.
    for (int step = 1; step <= 3; ++step) {
      {
        std::lock_guard lock(mutex);
        steps = step;
      }
      stepped.notify_all();
      environment.advance(4);
      if (step < 3) { EXPECT_TRUE(promise->isPending()) << step; }
    }
    ASSERT_TRUE(sdk::promises::waitForPromisesWithTimeout(20));
    EXPECT_EQ(promise->error().value_or(Error{}).code, platform::net::URLErrorTimedOut);
  }
}

}  // namespace

}  // namespace sdk::utilities

