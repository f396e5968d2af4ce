#include "platform/net/URLSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/ProcessEnd.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Paths.h"
#include "testing/HostileServer.h"
#include "testing/LoopbackServer.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace platform::net {
namespace {

using dispatch::MainLoop;
using ostrel::testing::LoopbackResponse;
using ostrel::testing::LoopbackServer;

std::string text(const Data& data) { return std::string(data.begin(), data.end()); }
Data bytes(std::string_view s) { return Data(s.begin(), s.end()); }

// Records what a session says, checking that it says it on the main thread.
class Recorder : public URLSessionDelegate {
 public:
  enum class Redirects { Follow, Refuse };
  Redirects redirects = Redirects::Follow;

  std::vector<std::string> events;
  Data data;
  std::string downloaded;
  std::optional<foundation::Error> error;
  std::optional<HTTPURLResponse> response;
  bool completed = false, finishedEvents = false, invalid = false, offMain = false;

  void didReceiveData(URLSession&, URLSessionTask&, const Data& chunk) override {
    note("data");
    data.insert(data.end(), chunk.begin(), chunk.end());
  }
  void didFinishDownloadingToURL(URLSession&, URLSessionTask&, const std::string& location) override {
    note("download");
    downloaded = foundation::AtomicFile::readText(location).valueOr("<unreadable>");
  }
  void willPerformHTTPRedirection(URLSession&, URLSessionTask&, const HTTPURLResponse& r, URLRequest next,
                                  std::function<void(std::optional<URLRequest>)> handler) override {
    note("redirect " + std::to_string(r.statusCode));
    if (redirects == Redirects::Follow) return handler(std::move(next));
    handler(std::nullopt);
  }
  void didCompleteWithError(URLSession&, URLSessionTask& task, const std::optional<foundation::Error>& e) override {
    note("complete");
    error = e;
    response = task.response();
    completed = true;
  }
  void didFinishEventsForBackgroundURLSession(URLSession&) override {
    note("finished events");
    finishedEvents = true;
  }
  void didBecomeInvalidWithError(URLSession&, const std::optional<foundation::Error>&) override {
    note("invalid");
    invalid = true;
  }

 private:
  void note(std::string event) {
    offMain = offMain || !MainLoop::isMainThread();
    events.push_back(std::move(event));
  }
};

// A request to the server's "/quick", which answers at once, run to its end: the network has dealt with
// every time-out a move of the clock before it set off, and told the main queue of what it ended.
void settleNetwork(const ostrel::testing::HostileServer& server) {
  auto quick = std::make_shared<Recorder>();
  URLSession::sessionWithConfiguration(URLSessionConfiguration::defaultSessionConfiguration(), quick)
      ->dataTaskWithRequest(URLRequest(server.url("/quick")))
      ->resume();
  ASSERT_TRUE(MainLoop::runUntil([&] { return quick->completed; }, 20));
}

// The task ended with the response whose head came, and a time-out saying why its body was cut off.
void expectBodyCutOff(const Recorder& recorder, std::int64_t status, std::string_view why) {
  ASSERT_TRUE(recorder.response && recorder.error);
  EXPECT_EQ(recorder.response->statusCode, status);
  EXPECT_EQ(recorder.error->code, URLErrorTimedOut);
  EXPECT_NE(recorder.error->localizedDescription().find(why), std::string::npos) << recorder.error->localizedDescription();
}

class URLSessionTest : public ::testing::Test {
 protected:
  void TearDown() override { MainLoop::runUntilIdle(); }

  std::shared_ptr<URLSession> session(URLSessionConfiguration config = URLSessionConfiguration::defaultSessionConfiguration()) {
    return URLSession::sessionWithConfiguration(std::move(config), recorder);
  }
  // Runs one task to its end; false when it never ended.
  bool run(const std::shared_ptr<URLSessionTask>& task) {
    task->resume();
    return MainLoop::runUntil([&] { return recorder->completed; }, 20);
  }

  ostrel::testing::TempContainer container;
  LoopbackServer server;
  std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

TEST_F(URLSessionTest, DataTaskDeliversBodyAndResponseHeadersOnTheMainThread) {
  LoopbackResponse reply = LoopbackResponse::withStatus(503, "busy");
  reply.headers = {{"Retry-After", "120"}, {"X-Twice", "a"}};
  server.on("GET", "/status", reply);
  auto task = session()->dataTaskWithRequest(URLRequest(server.url("/status?x=1")));
  ASSERT_TRUE(run(task));
  EXPECT_FALSE(recorder->error);
  ASSERT_TRUE(recorder->response);
  EXPECT_EQ(recorder->response->statusCode, 503);
  EXPECT_EQ(recorder->response->valueForHTTPHeaderField("retry-after"), "120");
  EXPECT_EQ(recorder->response->url, server.url("/status?x=1"));
  EXPECT_EQ(text(recorder->data), "busy");
  EXPECT_EQ(recorder->events.back(), "complete");
  EXPECT_FALSE(recorder->offMain);
  EXPECT_EQ(task->state(), URLSessionTask::State::Completed);
  EXPECT_EQ(server.requests().at(0).target, "/status?x=1");
}

TEST_F(URLSessionTest, UploadsSendBodyAndHeadersWithRequestFieldsOverridingTheSessions) {
  server.on("POST", "/up", LoopbackResponse::ok("thanks"));
  auto config = URLSessionConfiguration::defaultSessionConfiguration();
  config.HTTPAdditionalHeaders.set("X-Session", "s");
  config.HTTPAdditionalHeaders.set("X-Both", "session");
  URLRequest request(server.url("/up"));
  request.httpMethod = "POST";
  request.setValue("request", "x-both");
  request.setValue("text/plain", "Content-Type");
  ASSERT_TRUE(run(session(config)->uploadTaskWithRequestFromData(request, bytes("payload"))));
  ASSERT_EQ(server.requestCount(), 1u);
  auto received = server.requests()[0];
  EXPECT_EQ(received.body, "payload");
  EXPECT_EQ(received.header("X-Session"), "s");
  EXPECT_EQ(received.header("X-Both"), "request");
  EXPECT_EQ(received.header("Content-Type"), "text/plain");
  EXPECT_EQ(text(recorder->data), "thanks");

  // The same from a file; a file that is not there fails the task without a request.
  std::string path = container.pathFor("body.bin");
  ASSERT_TRUE(foundation::AtomicFile::writeAtomically(path, std::string_view("from file")).ok());
  *recorder = Recorder();
  ASSERT_TRUE(run(session()->uploadTaskWithRequestFromFile(request, path)));
  EXPECT_EQ(server.requests().at(1).body, "from file");
  *recorder = Recorder();
  ASSERT_TRUE(run(session()->uploadTaskWithRequestFromFile(request, container.pathFor("missing"))));
  ASSERT_TRUE(recorder->error);
  EXPECT_EQ(recorder->error->code, URLErrorFileDoesNotExist);
  EXPECT_EQ(server.requestCount(), 2u);
}

TEST_F(URLSessionTest, DownloadHandsOverATemporaryFileAndRemovesIt) {
  LoopbackResponse reply = LoopbackResponse::ok("zipped contents");
  reply.gzipBody = true;
  server.on("GET", "/file", reply);
  URLRequest asking(server.url("/file"));
  asking.setValue("gzip", "Accept-Encoding");
  ASSERT_TRUE(run(session()->downloadTaskWithRequest(asking)));
  EXPECT_EQ(recorder->downloaded, "zipped contents") << "expanded because the request asked for gzip";
  EXPECT_EQ(recorder->events, (std::vector<std::string>{"download", "complete"}));
  EXPECT_TRUE(std::filesystem::is_empty(foundation::Paths::tmp()));

  *recorder = Recorder();
  ASSERT_TRUE(run(session()->downloadTaskWithRequest(URLRequest(server.url("/file")))));
  EXPECT_FALSE(recorder->error);
  ASSERT_GE(recorder->downloaded.size(), 2u);
  EXPECT_EQ(recorder->downloaded.substr(0, 2), "\x1f\x8b") << "unasked, the body arrives as it was sent";
  EXPECT_FALSE(server.requests().at(1).header("Accept-Encoding"));
}

TEST_F(URLSessionTest, RedirectsAreTheDelegatesToRefuseOrFollow) {
  server.on("POST", "/old", LoopbackResponse::redirect(302, "/new"));
  server.on("POST", "/see", LoopbackResponse::redirect(303, "/new"));
  server.on("GET", "/new", LoopbackResponse::ok("landed"));
  URLRequest post(server.url("/old"));
  post.httpMethod = "POST";
  post.httpBody = bytes("body");

  recorder->redirects = Recorder::Redirects::Refuse;
  ASSERT_TRUE(run(session()->dataTaskWithRequest(post)));
  EXPECT_EQ(recorder->response->statusCode, 302);
  EXPECT_EQ(text(recorder->data), "moved");
  EXPECT_EQ(server.requestCount(), 1u);

  *recorder = Recorder();
  post.url = server.url("/see");
  auto task = session()->dataTaskWithRequest(post);
  ASSERT_TRUE(run(task));
  EXPECT_EQ(recorder->events.front(), "redirect 303");
  EXPECT_EQ(recorder->response->statusCode, 200);
  EXPECT_EQ(text(recorder->data), "landed");
  EXPECT_EQ(task->currentRequest().url, server.url("/new"));
  EXPECT_EQ(task->currentRequest().httpMethod, "GET");
  EXPECT_EQ(server.requests().back().method, "GET");
  EXPECT_EQ(server.requests().back().body, "");
}

TEST_F(URLSessionTest, RedirectLoopsEndAsTooManyRedirects) {
  server.on("GET", "/loop", LoopbackResponse::redirect(307, "/loop"));
  ASSERT_TRUE(run(session()->dataTaskWithRequest(URLRequest(server.url("/loop")))));
  ASSERT_TRUE(recorder->error);
  EXPECT_EQ(recorder->error->code, URLErrorHTTPTooManyRedirects);
  EXPECT_FALSE(recorder->response);
}

TEST_F(URLSessionTest, TransportFailuresReachTheDelegateAsURLErrors) {
  struct Case {
    std::string url;
    std::int64_t code;
  };
  server.on("GET", "/drop", LoopbackResponse::dropped());
  int closedPort;
  {
    LoopbackServer gone;
    closedPort = gone.port();
  }
  std::string plain = server.url("/drop").substr(std::string("http://").size());
  for (const Case& c : {Case{server.url("/drop"), URLErrorNetworkConnectionLost},
                        Case{"http://127.0.0.1:" + std::to_string(closedPort) + "/", URLErrorCannotConnectToHost},
                        Case{"https://" + plain, URLErrorSecureConnectionFailed},
                        Case{"file:///etc/passwd", URLErrorUnsupportedURL}, Case{"http://", URLErrorBadURL}}) {
    *recorder = Recorder();
    ASSERT_TRUE(run(session()->dataTaskWithRequest(URLRequest(c.url)))) << c.url;
    ASSERT_TRUE(recorder->error) << c.url;
    EXPECT_EQ(recorder->error->domain, kURLErrorDomain);
    EXPECT_EQ(recorder->error->code, c.code) << c.url << ": " << recorder->error->localizedDescription();
    EXPECT_FALSE(recorder->response) << c.url;
  }
}

TEST_F(URLSessionTest, IdleTimeOutFollowsTheNetworkClock) {
  ostrel::testing::MainThreadEnvironment env;
  auto clock = env.clock();
  server.on("GET", "/slow", LoopbackResponse::held());
  URLRequest request(server.url("/slow"));
  request.timeoutInterval = 5;
  auto task = session()->dataTaskWithRequest(request);
  task->resume();
  ASSERT_TRUE(server.waitForRequests(1));
  env.advance(4);
  EXPECT_FALSE(recorder->completed);
  clock->advance(1.5);
  EXPECT_TRUE(MainLoop::runUntil([&] { return recorder->completed; }, 20));
  ASSERT_TRUE(recorder->error);
  EXPECT_EQ(recorder->error->code, URLErrorTimedOut);
}

// The app's clock may be a headless script's, where a wait of an hour takes no time: a request in flight
// across it is timed on the real clock and still gets the answer the server sends a moment later.
TEST_F(URLSessionTest, ARequestAcrossALongWaitOfTheAppsClockIsNotTimedOut) {
  ostrel::testing::MainThreadEnvironment env;
  foundation::Clock::setForNetworkDeadlines(nullptr);  // the network's clock as outside tests: the real one
  std::promise<void> answer;
  auto answered = answer.get_future().share();
  // However the test ends, the server's handler is let go.
  std::shared_ptr<void> release(nullptr, [&](void*) { answer.set_value(); });
  server.on("GET", "/late", [answered](const ostrel::testing::LoopbackRequest&) {
    answered.wait();
    return LoopbackResponse::ok("late");
  });
  URLRequest request(server.url("/late"));
  request.timeoutInterval = 5;
  session()->dataTaskWithRequest(request)->resume();
  ASSERT_TRUE(server.waitForRequests(1));
  env.advance(600);
  env.advance(3600);
  EXPECT_FALSE(recorder->completed) << "timed out on the app's clock";
  release.reset();
  ASSERT_TRUE(MainLoop::runUntil([&] { return recorder->completed; }, 20));
  EXPECT_FALSE(recorder->error) << recorder->error->localizedDescription();
  EXPECT_EQ(text(recorder->data), "late");
}

// Time-outs share one timer per clock: a later request with a sooner deadline still ends first, each at
// its own deadline, and requests one after another leave no pile of timers behind.
TEST_F(URLSessionTest, OverlappingRequestsTimeOutEachAtItsOwnDeadline) {
  ostrel::testing::MainThreadEnvironment env;
  auto clock = env.clock();
  server.on("GET", "/fast", LoopbackResponse::ok("ok"));
  for (int i = 0; i < 5; ++i) {
    *recorder = Recorder();
    ASSERT_TRUE(run(session()->dataTaskWithRequest(URLRequest(server.url("/fast")))));
  }
  EXPECT_LE(clock->pendingTimers(), 1u);

  server.on("GET", "/slow", LoopbackResponse::held());
  auto patient = std::make_shared<Recorder>();
  auto hasty = std::make_shared<Recorder>();
  URLRequest longer(server.url("/slow"));
  longer.timeoutInterval = 10;
  URLRequest shorter(server.url("/slow"));
  shorter.timeoutInterval = 3;
  std::size_t before = server.requestCount();
  URLSession::sessionWithConfiguration(URLSessionConfiguration::defaultSessionConfiguration(), patient)
      ->dataTaskWithRequest(longer)
      ->resume();
  ASSERT_TRUE(server.waitForRequests(before + 1));
  URLSession::sessionWithConfiguration(URLSessionConfiguration::defaultSessionConfiguration(), hasty)
      ->dataTaskWithRequest(shorter)
      ->resume();
  ASSERT_TRUE(server.waitForRequests(before + 2));
  clock->advance(3.5);
  ASSERT_TRUE(MainLoop::runUntil([&] { return hasty->completed; }, 20));
  EXPECT_EQ(hasty->error.value_or(foundation::Error{}).code, URLErrorTimedOut);
  env.advance(0);
  EXPECT_FALSE(patient->completed);
  clock->advance(7);
  ASSERT_TRUE(MainLoop::runUntil([&] { return patient->completed; }, 20));
  EXPECT_EQ(patient->error.value_or(foundation::Error{}).code, URLErrorTimedOut);
}

// A server that drops a kept-alive connection after taking a request may well have acted on it. A POST
// is not safe to repeat, so it goes out once and the caller hears of the failure; requests that are
// safe to repeat still share connections.
TEST_F(URLSessionTest, APostIsNeverSentTwiceWhenTheServerDropsTheConnection) {
  // Before the server: its threads may still hold the answer while the server stops.
  const std::string keptAlive = "HTTP/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n";
  ostrel::testing::HostileServer dropping;
  dropping.on("/batch", [&](const ostrel::testing::HostileRequest& request, ostrel::testing::HostileConnection& c) {
    if (request.method == "POST" && request.body != "first") return c.reset();
    c.send(keptAlive);
    c.keepOpen();
  });
  auto post = [&](const std::string& body) {
    URLRequest request(dropping.url("/batch"));
    request.httpMethod = "POST";
    std::optional<foundation::Error> error;
    bool done = false;
    session()->uploadTaskWithRequestFromData(request, bytes(body), [&](auto, Data, std::optional<foundation::Error> e) {
      error = std::move(e);
      done = true;
    })->resume();
    EXPECT_TRUE(MainLoop::runUntil([&] { return done; }, 20));
    return error;
  };
  auto get = [&] {
    bool done = false;
    session()->dataTaskWithRequest(URLRequest(dropping.url("/batch")), [&](auto, Data, auto) { done = true; })->resume();
    EXPECT_TRUE(MainLoop::runUntil([&] { return done; }, 20));
  };

  EXPECT_FALSE(post("first"));
  EXPECT_TRUE(post("second"));
  get();
  get();
  auto requests = dropping.requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[1].body, "second");
  EXPECT_NE(requests[1].connection, requests[0].connection);  // never on a connection that may be dead
  EXPECT_EQ(requests[3].connection, requests[2].connection);  // the GETs share one
}

// Once the app is ending, a response whose head came is not kept waiting for a body that stalls: the
// body has a last second from its head, or from the end's start when the head came before, and the task
// then ends with its response, so whoever takes the status as the answer has it within the end's wait.
TEST_F(URLSessionTest, AtTheEndABodyStillComingIsCutOffASecondAfterItsHead) {
  ostrel::testing::MainThreadEnvironment env;
  auto clock = env.clock();
  std::promise<void> headWanted;
  auto later = headWanted.get_future().share();
  const std::string stalling = "HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\nabc";
  ostrel::testing::HostileServer server;
  // However the test ends, the late head's script is let go before the server stops.
  std::shared_ptr<void> release(nullptr, [&](void*) { headWanted.set_value(); });
  server.on("/before", [&](const ostrel::testing::HostileRequest&, ostrel::testing::HostileConnection& c) {
    c.send(stalling);
    c.hold();
  });
  server.on("/during", [&, later](const ostrel::testing::HostileRequest&, ostrel::testing::HostileConnection& c) {
    later.wait();
    c.send(stalling);
    c.hold();
  });
  server.on("/quick", [](const ostrel::testing::HostileRequest&, ostrel::testing::HostileConnection& c) {
    c.send(ostrel::testing::HostileServer::response(204));
  });
  auto before = std::make_shared<Recorder>();
  auto during = std::make_shared<Recorder>();
  const auto start = [&](const std::shared_ptr<Recorder>& recorder, const char* path) {
    URLSession::sessionWithConfiguration(URLSessionConfiguration::defaultSessionConfiguration(), recorder)
        ->dataTaskWithRequest(URLRequest(server.url(path)))
        ->resume();
  };
  const auto settle = [&] { settleNetwork(server); };
  start(before, "/before");
  ASSERT_TRUE(MainLoop::runUntil([&] { return !before->data.empty(); }, 20));
  clock->advance(30);
  settle();
  EXPECT_FALSE(before->completed) << "a running app waits for a body as long as its request may take";

  ASSERT_TRUE(dispatch::ProcessEnd::run(0));
  // The network hears of the end before it takes the next request.
  start(during, "/during");
  ASSERT_TRUE(MainLoop::runUntil([&] { return server.requests().size() == 3; }, 20));
  clock->advance(0.5);
  settle();
  EXPECT_FALSE(before->completed);
  clock->advance(0.6);
  ASSERT_TRUE(MainLoop::runUntil([&] { return before->completed; }, 20)) << "the end waited for the body";
  expectBodyCutOff(*before, 200, "still coming when the app ended");

  // A head that comes a while into the end has its own second.
  release.reset();
  ASSERT_TRUE(MainLoop::runUntil([&] { return !during->data.empty(); }, 20));
  clock->advance(0.5);
  settle();
  EXPECT_FALSE(during->completed) << "cut off before its second was out";
  clock->advance(0.6);
  ASSERT_TRUE(MainLoop::runUntil([&] { return during->completed; }, 20));
  EXPECT_EQ(during->response.value_or(HTTPURLResponse{}).statusCode, 200);
  dispatch::ProcessEnd::resetForTesting();
}

// A caller that takes a success head as its answer is told of it as soon as it comes, in a running app,
// before any of its body: what the answer settles need not wait for a body that stalls. That body then
// has a short while and is cut off, the task ending with its response; the end's shorter bound still
// applies to it once the end begins. A head that is no success is told only with the task's end, and
// its body is waited for as long as the request may take.
TEST_F(URLSessionTest, ASuccessHeadIsToldAtOnceAndItsBodyGivenOnlyAShortWhile) {
  using ostrel::testing::HostileConnection;
  using ostrel::testing::HostileRequest;
  ostrel::testing::MainThreadEnvironment env;
  auto clock = env.clock();
  ostrel::testing::HostileServer server;
  for (const auto& [path, status] : {std::pair{"/taken", "200 OK"}, {"/ending", "201 Created"},
                                     {"/failed", "500 Internal Server Error"}}) {
    const std::string head = std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 20\r\n\r\nabc";
    server.on(path, [head](const HostileRequest&, HostileConnection& c) {
      c.send(head);
      c.hold();
    });
  }
  server.on("/quick", [](const HostileRequest&, HostileConnection& c) { c.send(ostrel::testing::HostileServer::response(204)); });
  const auto start = [&](const std::shared_ptr<Recorder>& recorder, const char* path, bool takesHead) {
    auto task = URLSession::sessionWithConfiguration(URLSessionConfiguration::defaultSessionConfiguration(), recorder)
                    ->dataTaskWithRequest(URLRequest(server.url(path)));
    if (takesHead) {
      task->setSuccessHeadHandler([recorder](const HTTPURLResponse& head) {
        EXPECT_TRUE(MainLoop::isMainThread());
        recorder->events.push_back("success head " + std::to_string(head.statusCode));
      });
    }
    task->resume();
    return task;
  };
  const auto settle = [&] { settleNetwork(server); };
  auto taken = std::make_shared<Recorder>(), ending = std::make_shared<Recorder>(), failed = std::make_shared<Recorder>();
  start(taken, "/taken", true);
  auto failing = start(failed, "/failed", true);
  ASSERT_TRUE(MainLoop::runUntil([&] { return !taken->data.empty() && !failed->data.empty(); }, 20));
  EXPECT_EQ(taken->events.front(), "success head 200") << "told after its body";
  EXPECT_EQ(std::count(taken->events.begin(), taken->events.end(), "success head 200"), 1);
  EXPECT_EQ(failed->events.front(), "data") << "a failure's head is told with the task's end";

  clock->advance(URLSession::kBodySecondsAfterSuccessHead - 0.5);
  settle();
  EXPECT_FALSE(taken->completed) << "the body was cut off before its while was out";
  clock->advance(1);
  ASSERT_TRUE(MainLoop::runUntil([&] { return taken->completed; }, 20)) << "the body was waited for as for any other";
  expectBodyCutOff(*taken, 200, "after its success head");
  clock->advance(30);
  settle();
  EXPECT_FALSE(failed->completed) << "a failure's body was given no more than a success's";
  failing->cancel();
  ASSERT_TRUE(MainLoop::runUntil([&] { return failed->completed; }, 20));

  // Begun before the end, the success's own while is cut short by the end's.
  start(ending, "/ending", true);
  ASSERT_TRUE(MainLoop::runUntil([&] { return !ending->events.empty(); }, 20));
  EXPECT_EQ(ending->events.front(), "success head 201");
  clock->advance(0.5);
  ASSERT_TRUE(dispatch::ProcessEnd::run(0));
  settle();  // the network has heard of the end
  clock->advance(0.8);
  settle();
  EXPECT_FALSE(ending->completed);
  clock->advance(0.4);
  ASSERT_TRUE(MainLoop::runUntil([&] { return ending->completed; }, 20)) << "the end's bound was not kept";
  expectBodyCutOff(*ending, 201, "when the app ended");
  dispatch::ProcessEnd::resetForTesting();
}

TEST_F(URLSessionTest, CancelEndsRunningAndUnstartedTasks) {
  server.on("GET", "/slow", LoopbackResponse::held());
  auto s = session();
  auto task = s->dataTaskWithRequest(URLRequest(server.url("/slow")));
  task->resume();
  ASSERT_TRUE(server.waitForRequests(1));
  task->cancel();
  ASSERT_TRUE(MainLoop::runUntil([&] { return recorder->completed; }, 20));
  EXPECT_EQ(recorder->error->code, URLErrorCancelled);

  *recorder = Recorder();
  s->dataTaskWithRequest(URLRequest(server.url("/slow")))->cancel();
  ASSERT_TRUE(MainLoop::runUntil([&] { return recorder->completed; }, 20));
  EXPECT_EQ(recorder->error->code, URLErrorCancelled);
  EXPECT_EQ(server.requestCount(), 1u);
}

TEST_F(URLSessionTest, BackgroundSessionLivesUntilInvalidatedAndReportsItsEvents) {
  server.on("GET", "/x", LoopbackResponse::ok("x"));
  auto s = session(URLSessionConfiguration::backgroundSessionConfigurationWithIdentifier("bg.test"));
  EXPECT_TRUE(URLSession::hasLiveBackgroundSession("bg.test"));
  auto task = s->dataTaskWithRequest(URLRequest(server.url("/x")));
  task->resume();
  s->finishTasksAndInvalidate();
  EXPECT_EQ(s->dataTaskWithRequest(URLRequest(server.url("/x"))), nullptr);
  ASSERT_TRUE(MainLoop::runUntil([&] { return recorder->invalid; }, 20));
  EXPECT_EQ(recorder->events, (std::vector<std::string>{"data", "complete", "finished events", "invalid"}));
  EXPECT_FALSE(URLSession::hasLiveBackgroundSession("bg.test"));
  EXPECT_EQ(s->delegate(), nullptr);
}

TEST_F(URLSessionTest, CompletionHandlerTasksReportOnlyThroughTheHandler) {
  LoopbackResponse reply = LoopbackResponse::ok(std::string(100000, 'z'));
  reply.contentType = "text/plain";  // the server may compress it; the client must undo that
  server.on("GET", "/big", reply);
  bool done = false;
  Data body;
  std::optional<HTTPURLResponse> response;
  auto task = session()->dataTaskWithRequest(URLRequest(server.url("/big")),
                                             [&](std::optional<HTTPURLResponse> r, Data d, std::optional<foundation::Error> e) {
                                               EXPECT_FALSE(e);
                                               response = r, body = std::move(d), done = true;
                                             });
  task->resume();
  ASSERT_TRUE(MainLoop::runUntil([&] { return done; }, 20));
  EXPECT_EQ(body.size(), 100000u);
  EXPECT_EQ(response->statusCode, 200);
  EXPECT_TRUE(recorder->events.empty());
}

}  // namespace
}  // namespace platform::net
