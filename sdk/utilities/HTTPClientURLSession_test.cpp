#include "sdk/utilities/HTTPClientURLSession.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <future>
#include <tuple>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "sdk/utilities/HTTPClientTestSupport.h"
#include "testing/HostileServer.h"
#include "testing/LoopbackServer.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/ScopedClock.h"
#include "testing/TlsIdentity.h"
#include "testing/TempContainer.h"

namespace sdk::utilities {

using ostrel::testing::LoggedHTTPClientCodes;

namespace {

using platform::dispatch::MainLoop;
using platform::foundation::AtomicFile;
using platform::foundation::Data;
using platform::foundation::Error;
using namespace platform::net;
using ostrel::testing::LoopbackResponse;

struct Result {
  std::optional<HTTPURLResponse> response;
  std::optional<Data> data;
  std::optional<Error> error;
};

class HTTPClientURLSessionTest : public ::testing::Test {
 protected:
  void TearDown() override { MainLoop::runUntilIdle(); }

  std::shared_ptr<HTTPClientURLSession> fetcher(bool background = false) {
    auto made = HTTPClientURLSession::initWithNetworkLoggerDelegate(logs);
    made->setBackgroundNetworkEnabled(background);
    return made;
  }
  URLRequest post(const std::string& path, std::string body = "payload") {
    URLRequest request(server.url(path));
    request.httpMethod = "POST";
    request.httpBody = Data(body.begin(), body.end());
    return request;
  }
  // Starts the request (a GET when it has no method) and waits for its completion.
  Result run(const std::shared_ptr<HTTPClientURLSession>& f, const URLRequest& request) {
    bool done = false;
    Result result;
    auto handler = [&](auto r, auto d, const std::string&, auto e) { result = {r, d, e}, done = true; };
    EXPECT_TRUE(request.httpMethod == "POST" ? f->sessionIDFromAsyncPOSTRequest(request, handler)
                                             : f->sessionIDFromAsyncGETRequest(request, handler));
    EXPECT_TRUE(MainLoop::runUntil([&] { return done; }, 20));
    return result;
  }
  void age(const std::string& path, double seconds) {
    // Files are dated by the system's clock.
    const timespec when{static_cast<time_t>(platform::foundation::Clock::forSystemTimes()->now() - seconds), 0};
    const timespec times[2] = {when, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }

  ostrel::testing::TempContainer container;
  ostrel::testing::LoopbackServer server;
  std::shared_ptr<LoggedHTTPClientCodes> logs = std::make_shared<LoggedHTTPClientCodes>();
};

TEST_F(HTTPClientURLSessionTest, BackgroundPostGoesThroughATemporaryFileOrFromMemoryWhenItCannotBeWritten) {
  server.on("POST", "/up", LoopbackResponse::ok());
  auto f = fetcher(true);
  std::string upload = f->temporaryFilePathWithSessionID(f->sessionID());
  EXPECT_EQ(upload, container.pathFor("Library/Application Support/VDU/Network/ZURAridireTemporaryDirectory/"
                                      "VDUUpload_temp_" + f->sessionID()));
  EXPECT_FALSE(run(f, post("/up", "from the file")).error);
  EXPECT_EQ(server.requests().at(0).body, "from the file");
  EXPECT_FALSE(AtomicFile::fileExists(upload));
  EXPECT_FALSE(URLSession::hasLiveBackgroundSession(f->sessionID()));

  auto blocked = fetcher(true);  // a folder where the body file should go makes the write fail
  ASSERT_TRUE(AtomicFile::createDirectories(blocked->temporaryFilePathWithSessionID(blocked->sessionID())).ok());
  EXPECT_FALSE(run(blocked, post("/up", "from memory")).error);
  EXPECT_EQ(server.requests().at(1).body, "from memory");
  EXPECT_EQ(logs->count(901000), 1);
}

// The app's clock may run hours ahead of the system's (a container's lead) or behind it (a headless
// script's virtual day): the files are judged by the system's clock that dated them all the same.
TEST_F(HTTPClientURLSessionTest, StaleTemporaryFilesAreSweptAtTheNextRequestWhateverTheAppsClock) {
  // The sweep and the file dates read the same manual clock, which stands still while the request runs,
  // so the files can sit a second either side of the hour however slow the machine is.
  ostrel::testing::MainThreadEnvironment time;
  server.on("POST", "/up", LoopbackResponse::ok());
  // (name, age in seconds; negative is dated in the future, whether it stays)
  const std::vector<std::tuple<std::string, double, bool>> files = {
      {"old", 3601, false},
      {"young", 3599, true},
      {"new", 0, true},                             // a body written just now
      {"ahead", -1, false},                         // a clock set back since: no request of ours made it
      {".hidden", 9999, true},                      // not ours to judge
      {".VDUUpload_temp_x.Ab3dE9", 3601, false},    // an atomic body write cut off by a kill
      {".VDUUpload_temp_y.Zz9yX1", 3599, true},     // one that may still be in progress
  };
  for (const double appsLead : {0.0, 2 * 3600.0, -2 * 3600.0}) {
    ostrel::testing::ScopedClock appsClock(
        std::make_shared<platform::foundation::ManualClock>(time.clock()->now() + appsLead));
    auto f = fetcher();
    ASSERT_TRUE(f->ensureTemporaryDirectoryExists());
    const std::string dir = f->networkDirectoryURL() + "/";
    for (const auto& [name, seconds, stays] : files) {
      ASSERT_TRUE(AtomicFile::writeAtomically(dir + name, "x").ok());
      age(dir + name, seconds);
    }
    EXPECT_FALSE(run(f, post("/up")).error);
    for (const auto& [name, seconds, stays] : files) {
      EXPECT_EQ(AtomicFile::fileExists(dir + name), stays) << name << " with the app's clock " << appsLead << " s ahead";
      (void)AtomicFile::removeFile(dir + name);
    }
  }
}

TEST_F(HTTPClientURLSessionTest, TransportErrorsAreLoggedAndPassedOnAndABrokenOffBodyComesWithItsResponseAndError) {
  server.on("POST", "/drop", LoopbackResponse::dropped());
  server.on("POST", "/cut", LoopbackResponse::truncated(std::string(4096, 'b'), 100));
  LoopbackResponse zipped = LoopbackResponse::ok("downloaded");
  zipped.gzipBody = true;
  server.on("GET", "/d", zipped);
  EXPECT_EQ(run(fetcher(), post("/drop")).error.value_or(Error{}).code, URLErrorNetworkConnectionLost);
  EXPECT_EQ(logs->count(901017), 1);

  // A body broken off after its head is a failure, not a short success: the caller gets both.
  Result cut = run(fetcher(), post("/cut"));
  EXPECT_EQ(cut.response.value_or(HTTPURLResponse{}).statusCode, 200);
  EXPECT_EQ(cut.error.value_or(Error{}).code, URLErrorNetworkConnectionLost);
  EXPECT_LE(cut.data.value_or(Data{}).size(), 100u);
  EXPECT_EQ(logs->count(901017), 2);

  URLRequest asking(server.url("/d"));
  asking.setValue("gzip", "Accept-Encoding");
  Data downloaded = run(fetcher(), asking).data.value_or(Data{});
  EXPECT_EQ(std::string(downloaded.begin(), downloaded.end()), "downloaded");
}

// A certificate no trusted authority signed fails the fetcher's own evaluation: the challenge is
// cancelled and nothing is sent.
TEST_F(HTTPClientURLSessionTest, AnUntrustedServerIsCancelledBeforeTheRequestGoesOut) {
  ostrel::testing::HostileServer tls(ostrel::testing::TlsIdentity::selfSigned());
  tls.on("/up", [](const ostrel::testing::HostileRequest&, ostrel::testing::HostileConnection& c) {
    c.send(ostrel::testing::HostileServer::response(200, "accepted"));
  });
  URLRequest request(tls.url("/up"));
  request.httpMethod = "POST";
  request.httpBody = Data{'x'};
  Result result = run(fetcher(), request);
  EXPECT_EQ(result.error.value_or(Error{}).code, URLErrorCancelled);
  EXPECT_FALSE(result.response);
  EXPECT_EQ(logs->count(901006), 1);
  EXPECT_EQ(logs->count(901007), 1);
  EXPECT_EQ(logs->count(901008), 0) << "a refused trust is a result, not a failure to evaluate";
  EXPECT_TRUE(tls.requests().empty());
}

TEST_F(HTTPClientURLSessionTest, SystemHandlersAreKeptOnlyForLiveBackgroundSessions) {
  int foreign = 0, orphan = 0, first = 0, second = 0;
  HTTPClientURLSession::handleEventsForBackgroundURLSessionID("com.other.session", [&] { ++foreign; });
  // No session will ever finish under this identifier: the handler is answered at once.
  HTTPClientURLSession::handleEventsForBackgroundURLSessionID(std::string(kHTTPClientBackgroundSessionPrefix) + "-gone",
                                                              [&] { ++orphan; });
  MainLoop::runUntilIdle();
  EXPECT_EQ(foreign, 0);
  EXPECT_EQ(orphan, 1);

  // A live background upload: the last handler stored for it runs once its events are delivered.
  std::promise<void> gate;
  server.on("POST", "/held", [opened = gate.get_future().share()](const auto&) {
    opened.wait();
    return LoopbackResponse::ok();
  });
  auto f = fetcher(true);
  bool done = false;
  auto id = f->sessionIDFromAsyncPOSTRequest(post("/held"), [&](auto, auto, auto, auto) { done = true; });
  ASSERT_TRUE(id && server.waitForRequests(1));
  EXPECT_EQ(HTTPClientURLSession::sessionFromFetcherMapForSessionID(*id), f);
  HTTPClientURLSession::handleEventsForBackgroundURLSessionID(*id, [&] { ++first; });
  HTTPClientURLSession::handleEventsForBackgroundURLSessionID(*id, [&] { ++second; });
  EXPECT_EQ(logs->count(901011), 1);
  MainLoop::runUntilIdle();
  EXPECT_EQ(first + second, 0);
  gate.set_value();
  ASSERT_TRUE(MainLoop::runUntil([&] { return done && second == 1; }, 20));
  MainLoop::runUntilIdle();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(logs->count(901003), 1);
  EXPECT_EQ(HTTPClientURLSession::sessionFromFetcherMapForSessionID(*id), nullptr);
}

TEST_F(HTTPClientURLSessionTest, EnteringAFetcherUnderATakenIDDiscardsTheOldOne) {
  auto old = fetcher();
  auto replacement = HTTPClientURLSession::initWithNetworkLoggerDelegate({});
  HTTPClientURLSession::setSessionInFetcherMap(old, "id");
  HTTPClientURLSession::setSessionInFetcherMap(replacement, "id");
  EXPECT_EQ(logs->count(901019), 1);
  EXPECT_EQ(HTTPClientURLSession::sessionFromFetcherMapForSessionID("id"), replacement);
  HTTPClientURLSession::setSessionInFetcherMap(nullptr, "id");
  EXPECT_EQ(HTTPClientURLSession::sessionFromFetcherMapForSessionID("id"), nullptr);
}

}  // namespace

}  // namespace sdk::utilities

