// The URL session against servers that stall, lie, break off or never stop: every case ends in a clear
// error or a correct result, the completion runs exactly once, and memory stays within the session's
// response limit (the limit's own error shows it held, whatever the server kept sending).
#include "testing/HostileServer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <condition_variable>
#include <mutex>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "platform/net/URLSession.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace {

using platform::dispatch::MainLoop;
using platform::foundation::Data;
using platform::foundation::Error;
using namespace platform::net;
using ostrel::testing::HostileConnection;
using ostrel::testing::HostileRequest;
using ostrel::testing::HostileServer;

constexpr std::int64_t kLimit = 1 << 20;

std::string gzipOfZeros(std::size_t length) {
  std::string zeros(length, '\0'), out(compressBound(length), '\0');
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY);
  stream.next_in = reinterpret_cast<Bytef*>(zeros.data());
  stream.avail_in = static_cast<uInt>(zeros.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

struct Outcome {
  int calls = 0;
  std::optional<HTTPURLResponse> response;
  Data body;
  std::optional<Error> error;

  std::int64_t status() const { return response ? response->statusCode : 0; }
  std::int64_t code() const { return error ? error->code : 0; }
};

class HostileServerTest : public ::testing::Test {
 protected:
  void TearDown() override { MainLoop::runUntilIdle(); }

  std::shared_ptr<URLSession> session(HTTPHeaders additional = {}) {
    auto config = URLSessionConfiguration::defaultSessionConfiguration();
    config.maximumResponseSize = kLimit;
    config.HTTPAdditionalHeaders = std::move(additional);
    return URLSession::sessionWithConfiguration(config);
  }

  // Starts the task; `whileWaiting` runs once the server has the request (to move time, say).
  std::shared_ptr<Outcome> start(const std::shared_ptr<URLSession>& s, URLRequest request) {
    auto outcome = std::make_shared<Outcome>();
    auto task = s->dataTaskWithRequest(std::move(request), [outcome](auto response, Data body, auto error) {
      ++outcome->calls;
      outcome->response = std::move(response);
      outcome->body = std::move(body);
      outcome->error = std::move(error);
    });
    task->resume();
    return outcome;
  }
  Outcome finish(const std::shared_ptr<Outcome>& outcome) {
    EXPECT_TRUE(MainLoop::runUntil([&] { return outcome->calls > 0; }, 20));
    MainLoop::runUntilIdle();
    EXPECT_EQ(outcome->calls, 1) << "the completion runs exactly once";
    return *outcome;
  }
  Outcome fetch(const std::string& path, HTTPHeaders fields = {}) {
    URLRequest request(server.url(path));
    request.allHTTPHeaderFields = std::move(fields);
    return finish(start(session(), std::move(request)));
  }
  void waitForRequests(std::size_t count) {
    ASSERT_TRUE(MainLoop::runUntil([&] { return server.requests().size() >= count; }, 20));
  }

  ostrel::testing::TempContainer container;
  HostileServer server;
};

// Hears a delegate task's body pieces and its end.
class Watcher : public URLSessionDelegate {
 public:
  void didReceiveData(URLSession&, URLSessionTask&, const Data& data) override { received += data.size(); }
  void didCompleteWithError(URLSession&, URLSessionTask& task, const std::optional<Error>& e) override {
    ++completions;
    error = e;
    response = task.response();
  }
  std::size_t received = 0;
  int completions = 0;
  std::optional<Error> error;
  std::optional<HTTPURLResponse> response;
};

TEST_F(HostileServerTest, StalledHeadsAndBodiesTimeOutOnTheClockWithWhatArrived) {
  ostrel::testing::MainThreadEnvironment environment;
  server.on("/head", [](const HostileRequest&, HostileConnection& c) { c.hold(); });
  server.on("/body", [](const HostileRequest&, HostileConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n0123456789");
    c.hold();
  });
  for (const char* path : {"/head", "/body"}) {
    const bool body = path == std::string("/body");
    auto watcher = std::make_shared<Watcher>();
    auto config = URLSessionConfiguration::defaultSessionConfiguration();
    URLRequest request(server.url(path));
    request.timeoutInterval = 30;
    URLSession::sessionWithConfiguration(config, watcher)->dataTaskWithRequest(request)->resume();
    waitForRequests(body ? 2 : 1);
    // Time moves only once what the server sent has arrived, so the idle time counts from there.
    if (body) {
      ASSERT_TRUE(MainLoop::runUntil([&] { return watcher->received == 10; }, 20));
    }
    environment.advance(29);
    EXPECT_EQ(watcher->completions, 0) << path << ": still inside the idle time-out";
    environment.advance(2);
    ASSERT_TRUE(MainLoop::runUntil([&] { return watcher->completions > 0; }, 20)) << path;
    MainLoop::runUntilIdle();
    EXPECT_EQ(watcher->completions, 1);
    EXPECT_EQ(watcher->error.value_or(Error{}).code, URLErrorTimedOut) << path;
    EXPECT_EQ(watcher->response.value_or(HTTPURLResponse{}).statusCode, body ? 200 : 0) << "the head that came is kept";
  }
}

// A body that trickles in is never idle, yet the request's time-out still ends it, counted from the
// request's start (a head that comes one line at a time is held to it the same way).
TEST_F(HostileServerTest, ATricklingBodyEndsAtTheRequestsTimeOut) {
  ostrel::testing::MainThreadEnvironment environment;
  std::mutex mutex;
  std::condition_variable stepped;
  int steps = 0;
  server.on("/trickle", [&](const HostileRequest&, HostileConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
    for (int sent = 0; sent < 4; ++sent) {
      std::unique_lock lock(mutex);
      stepped.wait(lock, [&] { return steps > sent; });
      lock.unlock();
      if (!c.send("b")) return;
    }
    c.hold();
  });
  auto step = [&](int by = 1) {
    {
      std::lock_guard lock(mutex);
      steps += by;
    }
    stepped.notify_all();
  };
  // However the test ends, the script runs out, or the server could not stop.
  std::shared_ptr<void> release(nullptr, [&](void*) { step(4); });
  auto watcher = std::make_shared<Watcher>();
  URLRequest request(server.url("/trickle"));
  request.timeoutInterval = 10;
  URLSession::sessionWithConfiguration(URLSessionConfiguration::defaultSessionConfiguration(), watcher)
      ->dataTaskWithRequest(request)
      ->resume();
  waitForRequests(1);
  // A byte every four seconds, each read before time moves on: never ten idle seconds.
  for (std::size_t round = 1; round <= 3; ++round) {
    step();
    ASSERT_TRUE(MainLoop::runUntil([&] { return watcher->received == round; }, 20)) << round;
    environment.advance(4);
    if (round < 3) {
      EXPECT_EQ(watcher->completions, 0) << round;
    }
  }
  ASSERT_TRUE(MainLoop::runUntil([&] { return watcher->completions > 0; }, 20));
  EXPECT_EQ(watcher->error.value_or(Error{}).code, URLErrorTimedOut);
}

TEST_F(HostileServerTest, BodiesThatEndEarlyBreakOrResetFailWithTheResponseBesideTheError) {
  server.on("/lying", [](const HostileRequest&, HostileConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + std::string(100, 'x'));
  });
  server.on("/chunks", [](const HostileRequest&, HostileConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nzz-not-a-size\r\nmore\r\n");
  });
  server.on("/reset", [](const HostileRequest&, HostileConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(100, 'x'));
    c.reset();
  });
  for (const char* path : {"/lying", "/chunks", "/reset"}) {
    Outcome o = fetch(path);
    EXPECT_EQ(o.status(), 200) << path;
    ASSERT_TRUE(o.error) << path << ": a short body is never a success";
    EXPECT_EQ(o.error->domain, kURLErrorDomain);
    EXPECT_EQ(o.code(), URLErrorNetworkConnectionLost) << path << " " << *o.error;
  }
}

TEST_F(HostileServerTest, EndlessBodiesBombsAndHugeAnnouncementsStopAtTheResponseLimit) {
  const std::string bomb = gzipOfZeros(16 << 20);  // 16 MB of zeros in about 16 KB
  server.on("/endless", [](const HostileRequest&, HostileConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
    c.sendForever(std::string(64 * 1024, 'e'));
  });
  server.on("/huge", [](const HostileRequest&, HostileConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 2147483648\r\n\r\nsmall");
    c.hold();
  });
  server.on("/bomb", [bomb](const HostileRequest&, HostileConnection& c) {
    c.send(HostileServer::response(200, bomb, {{"Content-Encoding", "gzip"}}));
  });
  for (const char* path : {"/endless", "/huge"}) {
    Outcome o = fetch(path);
    EXPECT_EQ(o.code(), URLErrorDataLengthExceedsMaximum) << path;
    EXPECT_TRUE(o.body.empty());
  }
  // Expanded only when asked for, and then only up to the limit.
  Outcome asked = fetch("/bomb", {{"Accept-Encoding", "gzip"}});
  EXPECT_EQ(asked.code(), URLErrorDataLengthExceedsMaximum);
  Outcome unasked = fetch("/bomb");
  EXPECT_FALSE(unasked.error);
  EXPECT_EQ(unasked.body, Data(bomb.begin(), bomb.end()));
  EXPECT_FALSE(server.requests().back().header("Accept-Encoding"));
}

TEST_F(HostileServerTest, RedirectLoopsEndAndAPostSeeOtherBecomesABodilessGet) {
  server.on("/loop", [](const HostileRequest&, HostileConnection& c) {
    c.send(HostileServer::response(302, "", {{"Location", "/loop"}}));
  });
  EXPECT_EQ(fetch("/loop").code(), URLErrorHTTPTooManyRedirects);

  server.on("/form", [](const HostileRequest&, HostileConnection& c) {
    c.send(HostileServer::response(303, "", {{"Location", "/done"}}));
  });
  server.on("/done", [](const HostileRequest&, HostileConnection& c) { c.send(HostileServer::response(200, "done")); });
  // The body's fields sit in the session's extra headers too, as the SDK's fetcher puts them there.
  HTTPHeaders bodyFields{{"Content-Length", "7"}, {"Content-Type", "text/plain"}, {"Content-Encoding", "identity"}};
  URLRequest post(server.url("/form"));
  post.httpMethod = "POST";
  post.httpBody = Data{'p', 'a', 'y', 'l', 'o', 'a', 'd'};
  post.allHTTPHeaderFields = bodyFields;
  Outcome o = finish(start(session(bodyFields), post));
  EXPECT_FALSE(o.error);
  EXPECT_EQ(o.status(), 200);
  auto requests = server.requests();
  ASSERT_EQ(requests.back().target, "/done");
  EXPECT_EQ(requests.back().method, "GET");
  for (const char* field : {"Content-Length", "Content-Type", "Content-Encoding"}) {
    EXPECT_FALSE(requests.back().header(field)) << field;
  }
  EXPECT_EQ(requests.at(requests.size() - 2).body, "payload");
  EXPECT_EQ(requests.at(requests.size() - 2).header("Content-Length"), "7") << "the real length, once";
}

}  // namespace
