#include "sdk/utilities/ZURAridireURLSession.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <future>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "testing/LoopbackServer.h"
#include "testing/TempContainer.h"

namespace {

using platform::dispatch::MainLoop;
using platform::foundation::AtomicFile;
using platform::foundation::Data;
using platform::foundation::Error;
using namespace platform::net;
using ostrel::testing::LoopbackResponse;
using ostrel::testing::LoopbackServer;

// Holds a scripted answer back until the test lets it go (or the test ends).
struct Gate {
  std::promise<void> promise;
  std::shared_future<void> opened = promise.get_future().share();
  bool isOpen = false;
  void open() {
    if (!isOpen) isOpen = true, promise.set_value();
  }
  ~Gate() { open(); }
};

struct LogRecorder : ZURAridireLoggerDelegate {
  std::vector<std::int64_t> codes;
  void ZURAridire_logWithLevel(ZURAridireLogLevel, std::int64_t code, const std::string&,
                               const platform::foundation::Array&) override {
    codes.push_back(code);
  }
  void ZURAridire_logWithLevel(ZURAridireLogLevel, std::int64_t code, const std::string&,
                               const platform::foundation::Value&) override {
    codes.push_back(code);
  }
  void ZURAridire_logWithLevel(ZURAridireLogLevel, std::int64_t code, const std::string&) override {
    codes.push_back(code);
  }
  int count(std::int64_t code) const { return static_cast<int>(std::count(codes.begin(), codes.end(), code)); }
};

class ZURAridireURLSessionTest : public ::testing::Test {
 protected:
  void TearDown() override { MainLoop::runUntilIdle(); }

  std::shared_ptr<ZURAridireURLSession> fetcher(bool background = false) {
    auto made = ZURAridireURLSession::initWithNetworkLoggerDelegate(logs);
    made->setBackgroundNetworkEnabled(background);
    return made;
  }
  URLRequest post(const std::string& path, std::string body = "payload") {
    URLRequest request(server.url(path));
    request.httpMethod = "POST";
    request.httpBody = Data(body.begin(), body.end());
    return request;
  }
  // Starts a POST and waits for its completion; returns the error it reported, if any.
  std::optional<Error> run(const std::shared_ptr<ZURAridireURLSession>& f, const URLRequest& request) {
    bool done = false;
    std::optional<Error> reported;
    auto id = f->sessionIDFromAsyncPOSTRequest(request, [&](auto, auto, const std::string&, std::optional<Error> e) {
      reported = e, done = true;
    });
    EXPECT_TRUE(id);
    EXPECT_TRUE(MainLoop::runUntil([&] { return done; }, 20));
    return reported;
  }
  void age(const std::string& path, double seconds) {
    double when = platform::foundation::Clock::current()->now() - seconds;
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(when);
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }

  ostrel::testing::TempContainer container;
  LoopbackServer server;
  std::shared_ptr<LogRecorder> logs = std::make_shared<LogRecorder>();
};

TEST_F(ZURAridireURLSessionTest, BackgroundPostGoesThroughATemporaryFileThatIsRemoved) {
  server.on("POST", "/up", LoopbackResponse::ok());
  auto f = fetcher(true);
  std::string upload = f->temporaryFilePathWithSessionID(f->sessionID());
  EXPECT_EQ(upload, container.pathFor("Library/Application Support/VDU/Network/ZURAridireTemporaryDirectory/VDUUpload_temp_" +
                                      f->sessionID()));
  EXPECT_FALSE(run(f, post("/up", "from the file")));
  EXPECT_EQ(server.requests().at(0).body, "from the file");
  EXPECT_FALSE(AtomicFile::fileExists(upload));
  EXPECT_TRUE(AtomicFile::isDirectory(f->networkDirectoryURL()));
  EXPECT_FALSE(URLSession::hasLiveBackgroundSession(f->sessionID()));
}

TEST_F(ZURAridireURLSessionTest, UnwritableBackgroundBodyIsSentFromMemory) {
  server.on("POST", "/up", LoopbackResponse::ok());
  auto f = fetcher(true);
  // A folder where the body file should go makes the write fail.
  ASSERT_TRUE(AtomicFile::createDirectories(f->temporaryFilePathWithSessionID(f->sessionID())));
  EXPECT_FALSE(run(f, post("/up", "from memory")));
  EXPECT_EQ(server.requests().at(0).body, "from memory");
  EXPECT_EQ(logs->count(901000), 1);
}

TEST_F(ZURAridireURLSessionTest, StaleTemporaryFilesAreSweptAtTheNextRequest) {
  server.on("POST", "/up", LoopbackResponse::ok());
  auto f = fetcher();
  ASSERT_TRUE(f->ensureTemporaryDirectoryExists());
  std::string dir = f->networkDirectoryURL();
  for (const char* name : {"old", "young", ".hidden"}) ASSERT_TRUE(AtomicFile::writeAtomically(dir + "/" + name, "x"));
  age(dir + "/old", 3601);
  age(dir + "/young", 3599);
  age(dir + "/.hidden", 9999);
  EXPECT_FALSE(run(f, post("/up")));
  EXPECT_FALSE(AtomicFile::fileExists(dir + "/old"));
  EXPECT_TRUE(AtomicFile::fileExists(dir + "/young"));
  EXPECT_TRUE(AtomicFile::fileExists(dir + "/.hidden"));
}

TEST_F(ZURAridireURLSessionTest, ErrorsWithoutAResponseAreLoggedAndPassedOn) {
  server.on("POST", "/drop", LoopbackResponse::dropped());
  auto error = run(fetcher(), post("/drop"));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code, URLErrorNetworkConnectionLost);
  EXPECT_EQ(logs->count(901017), 1);
}

TEST_F(ZURAridireURLSessionTest, AResponseThatBreaksOffIsReportedAsTheResponseWithoutAnError) {
  server.on("POST", "/cut", LoopbackResponse::truncated(std::string(4096, 'b'), 100));
  bool done = false;
  std::optional<HTTPURLResponse> response;
  std::optional<Data> data;
  std::optional<Error> error;
  auto id = fetcher()->sessionIDFromAsyncPOSTRequest(post("/cut"), [&](auto r, auto d, const std::string&, auto e) {
    response = std::move(r), data = std::move(d), error = std::move(e), done = true;
  });
  ASSERT_TRUE(id);
  ASSERT_TRUE(MainLoop::runUntil([&] { return done; }, 20));
  ASSERT_TRUE(response);
  EXPECT_EQ(response->statusCode, 200);
  EXPECT_FALSE(error);
  // At most what did arrive is handed over; the caller judges it by the response.
  EXPECT_LE(data.value_or(Data{}).size(), 100u);
  EXPECT_EQ(logs->count(901017), 0);
}

TEST_F(ZURAridireURLSessionTest, GetGathersTheDownloadedFile) {
  LoopbackResponse reply = LoopbackResponse::ok("downloaded");
  reply.gzipBody = true;
  server.on("GET", "/d", reply);
  bool done = false;
  std::optional<Data> data;
  auto f = fetcher();
  ASSERT_TRUE(f->sessionIDFromAsyncGETRequest(URLRequest(server.url("/d")), [&](auto, std::optional<Data> d, auto, auto) {
    data = std::move(d), done = true;
  }));
  ASSERT_TRUE(MainLoop::runUntil([&] { return done; }, 20));
  ASSERT_TRUE(data);
  EXPECT_EQ(std::string(data->begin(), data->end()), "downloaded");
}

TEST_F(ZURAridireURLSessionTest, SystemHandlersAreKeptOnlyForLiveBackgroundSessions) {
  int foreign = 0, orphan = 0, first = 0, second = 0;
  ZURAridireURLSession::handleEventsForBackgroundURLSessionID("com.other.session", [&] { ++foreign; });
  // No session will ever finish under this identifier: the handler is answered at once.
  ZURAridireURLSession::handleEventsForBackgroundURLSessionID(std::string(kZURAridireBackgroundSessionPrefix) + "-gone",
                                                              [&] { ++orphan; });
  MainLoop::runUntilIdle();
  EXPECT_EQ(foreign, 0);
  EXPECT_EQ(orphan, 1);

  // A live background upload: the last handler stored for it runs once its events are delivered.
  Gate gate;
  server.on("POST", "/held", [&gate](const ostrel::testing::LoopbackRequest&) {
    gate.opened.wait();
    return LoopbackResponse::ok();
  });
  auto f = fetcher(true);
  bool done = false;
  auto id = f->sessionIDFromAsyncPOSTRequest(post("/held"), [&](auto, auto, auto, auto) { done = true; });
  ASSERT_TRUE(id);
  ASSERT_TRUE(server.waitForRequests(1));
  EXPECT_EQ(ZURAridireURLSession::sessionFromFetcherMapForSessionID(*id), f);
  ZURAridireURLSession::handleEventsForBackgroundURLSessionID(*id, [&] { ++first; });
  ZURAridireURLSession::handleEventsForBackgroundURLSessionID(*id, [&] { ++second; });
  EXPECT_EQ(logs->count(901011), 1);
  MainLoop::runUntilIdle();
  EXPECT_EQ(first + second, 0);
  gate.open();
  ASSERT_TRUE(MainLoop::runUntil([&] { return done && second == 1; }, 20));
  MainLoop::runUntilIdle();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
  EXPECT_EQ(logs->count(901003), 1);
  EXPECT_EQ(ZURAridireURLSession::sessionFromFetcherMapForSessionID(*id), nullptr);
}

TEST_F(ZURAridireURLSessionTest, EnteringAFetcherUnderATakenIDDiscardsTheOldOne) {
  auto old = fetcher();
  auto replacement = ZURAridireURLSession::initWithNetworkLoggerDelegate({});
  ZURAridireURLSession::setSessionInFetcherMap(old, "id");
  ZURAridireURLSession::setSessionInFetcherMap(replacement, "id");
  EXPECT_EQ(logs->count(901019), 1);
  EXPECT_EQ(ZURAridireURLSession::sessionFromFetcherMapForSessionID("id"), replacement);
  ZURAridireURLSession::setSessionInFetcherMap(nullptr, "id");
  EXPECT_EQ(ZURAridireURLSession::sessionFromFetcherMapForSessionID("id"), nullptr);
}

}  // namespace
