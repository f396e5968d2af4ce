#include "sdk/analytics/engine/reporters/DeferredDeepLink.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/dispatch/Queue.h"
#include "platform/runtime/Object.h"
#include "platform/ui/Application.h"
#include "sdk/analytics/engine/ParkedCampaignLink.h"
#include "sdk/analytics/engine/reporters/CampaignTestSupport.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "testing/RuntimeClasses.h"

namespace sdk::analytics {

namespace {

using namespace ostrel::testing;
using platform::foundation::Dictionary;
using platform::foundation::Value;
using sdk::analytics::DeferredDeepLink;

// An app delegate that opens URLs, noting each and whether it came on the main thread.
class OpeningDelegate final : public platform::runtime::Object {
 public:
  static constexpr platform::runtime::NativeClass<platform::runtime::Object> kRuntimeClass{"DeferredDeepLinkTestDelegate"};

  explicit OpeningDelegate(bool opensURLs) : Object(opensURLs ? openingClass() : platform::runtime::classOf<OpeningDelegate>()) {}

  std::vector<std::string> opened() const {
    std::lock_guard lock(mutex);
    return urls;
  }

  mutable std::mutex mutex;
  std::vector<std::string> urls;
  Value lastOptions;
  std::atomic<bool> offMain{false};

 private:
  static platform::runtime::Class* openingClass() {
    static platform::runtime::Class* cls = [] {
      auto* made = makeClass(platform::runtime::classOf<OpeningDelegate>(), "DeferredDeepLinkTestOpeningDelegate");
      made->addMethod<bool(platform::ui::Application&, const std::string&, const Value&), OpeningDelegate>(
          platform::ui::kApplicationOpenURLOptions,
          [](OpeningDelegate& self, platform::ui::Application&, const std::string& url, const Value& options) {
            if (!platform::dispatch::Queue::main()->isCurrent()) self.offMain = true;
            std::lock_guard lock(self.mutex);
            self.urls.push_back(url);
            self.lastOptions = options;
            return true;
          });
      return made;
    }();
    return cls;
  }
};

class DeferredDeepLinkTest : public CampaignEngineTest {
 protected:
  void SetUp() override {
    writeInfoPlist({{"CFBundleIdentifier", Value("com.ostrel.test")}, {DeferredDeepLink::kEnabledInfoKey, Value(true)}});
    sdk::analytics::forgetParkedCampaignLink(*UserDefaultsSuite::standardUserDefaults());
    platform::ui::Application::sharedApplication()->setDelegate(delegate);
  }
  void TearDown() override { platform::ui::Application::sharedApplication()->setDelegate(nullptr); }

  std::size_t deepLinkRequests() const {
    std::size_t count = 0;
    for (const auto& request : server.requests()) count += request.path == DeferredDeepLink::kPath;
    return count;
  }
  // A start that asks the service; returns once its answer has been handled.
  void startAndAnswer(std::size_t expectedRequests) {
    startEngine();
    ASSERT_TRUE(spinUntil([&] {
      bool done = false;
      onWorker([&] { done = deepLinkRequests() >= expectedRequests && !engine->components().uploader()->isNetworkRequestPending(); });
      return done;
    }));
    settle();
  }
  std::size_t linesOf(std::int64_t code) const {
    return scope.linesOf(code).size();
  }

  std::shared_ptr<OpeningDelegate> delegate = std::make_shared<OpeningDelegate>(true);
};

TEST_F(DeferredDeepLinkTest, FailedAnswersAreRetriedAtEachStartUpToTheLimit) {
  server.on("GET", DeferredDeepLink::kPath, LoopbackResponse::withStatus(500));
  for (std::size_t start = 1; start <= 5; ++start) {
    startAndAnswer(start);
    EXPECT_EQ(persisted->deferredDeepLinkRetryCount(), static_cast<std::int64_t>(start));
  }
  const auto requests = server.requests();
  auto first = std::find_if(requests.begin(), requests.end(), [](auto& r) { return r.path == DeferredDeepLink::kPath; });
  ASSERT_NE(first, requests.end());
  EXPECT_EQ(first->method, "GET");
  EXPECT_EQ(first->target, std::string(DeferredDeepLink::kPath) + "?sdk_version=80700&rdid=" + kDeviceID +
                               "&id_type=idfa&bundleid=com.ostrel.test&retry=0");
  auto last = std::find_if(requests.rbegin(), requests.rend(), [](auto& r) { return r.path == DeferredDeepLink::kPath; });
  EXPECT_NE(last->target.find("&retry=4"), std::string::npos);
  EXPECT_TRUE(scope.logged(23199));

  startEngine();
  startEngine();
  EXPECT_EQ(deepLinkRequests(), 5u);
  EXPECT_EQ(linesOf(23195), 1u);
  EXPECT_TRUE(scope.logged(23194));
  EXPECT_EQ(persisted->deferredDeepLinkRetrievalComplete(), Value(std::int64_t{1}));
}

TEST_F(DeferredDeepLinkTest, ALinkInTheAnswerOpensOnTheMainThreadAndBecomesACampaign) {
  server.on("GET", DeferredDeepLink::kPath,
            LoopbackResponse::ok(R"({"deeplink":"ostrel://setup?utm_campaign=launch","gclid":"G7","gbraid":"B7",)"
                                 R"("timestamp":"1700000000"})"));
  startAndAnswer(1);
  ASSERT_TRUE(spinUntil([&] { return !delegate->opened().empty(); }));
  settle();
  EXPECT_EQ(delegate->opened(), std::vector<std::string>{"ostrel://setup?utm_campaign=launch"});
  EXPECT_FALSE(delegate->offMain.load());
  EXPECT_EQ(delegate->lastOptions, Value(Dictionary{{"timestamp", Value("1700000000")}}));
  EXPECT_EQ(persisted->deferredDeepLinkRetrievalComplete(), Value(std::int64_t{0}));

  auto events = storedEvents("_cmp");
  ASSERT_EQ(events.size(), 1u);
  const auto& parameters = events.front().parameters();
  EXPECT_EQ(parameters.at("_cis").stringValue(), "ddp");
  EXPECT_EQ(parameters.at("campaign").stringValue(), "launch");
  EXPECT_EQ(parameters.at("gclid").stringValue(), "G7");
  EXPECT_EQ(parameters.at("gbraid").stringValue(), "B7");

  startEngine();  // retrieved: never asked again
  EXPECT_EQ(deepLinkRequests(), 1u);
}

TEST_F(DeferredDeepLinkTest, NoContentCompletesWithNothingToDeliver) {
  server.on("GET", DeferredDeepLink::kPath, LoopbackResponse::withStatus(204));
  startAndAnswer(1);
  environment.drain();
  EXPECT_TRUE(delegate->opened().empty());
  EXPECT_EQ(persisted->deferredDeepLinkRetrievalComplete(), Value(std::int64_t{0}));
  EXPECT_EQ(persisted->deferredDeepLinkRetryCount(), 0);
  EXPECT_TRUE(storedEvents("_cmp").empty());
}

TEST_F(DeferredDeepLinkTest, NothingIsAskedWhileAdTrackingIsLimitedOrUnknown) {
  support->limited = true;
  startEngine();
  support->limited = false;
  support->present = false;  // no advertising services at all
  startEngine();
  EXPECT_TRUE(scope.logged(23196));
  EXPECT_EQ(deepLinkRequests(), 0u);
  EXPECT_TRUE(persisted->deferredDeepLinkRetrievalComplete().isNil());
}

TEST_F(DeferredDeepLinkTest, AnswersAreUntrusted) {
  EXPECT_FALSE(DeferredDeepLink::deepLinkInfoFromResponseData(""));
  EXPECT_TRUE(scope.logged(23201));
  EXPECT_FALSE(DeferredDeepLink::deepLinkInfoFromResponseData("{\"deeplink\":"));
  EXPECT_TRUE(scope.logged(23202));
  EXPECT_FALSE(DeferredDeepLink::deepLinkInfoFromResponseData("{}"));
  EXPECT_FALSE(DeferredDeepLink::deepLinkInfoFromResponseData(R"({"deeplink":"not a link"})"));
  EXPECT_FALSE(DeferredDeepLink::deepLinkInfoFromResponseData(R"({"deeplink":42})"));

  // Nested far past any real answer, or far larger than one: refused before parsing.
  std::string deep = R"({"deeplink":"ostrel://x","extra":)" + std::string(100000, '[') + std::string(100000, ']') + "}";
  EXPECT_FALSE(DeferredDeepLink::deepLinkInfoFromResponseData(deep));
  std::string large = R"({"deeplink":"ostrel://x","pad":")" + std::string(DeferredDeepLink::kMaxResponseBytes, 'p') + "\"}";
  EXPECT_FALSE(DeferredDeepLink::deepLinkInfoFromResponseData(large));
  // Brackets inside strings do not count as nesting.
  auto info = DeferredDeepLink::deepLinkInfoFromResponseData(
      R"({"deeplink":"ostrel://x?q=[[[[[[[[[[[[[[[[[[[[[[[[","note":"\"[[[[[[[[[[[[[[[[[[[["})");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->at("deeplink"), Value("ostrel://x?q=[[[[[[[[[[[[[[[[[[[[[[[["));
}

TEST_F(DeferredDeepLinkTest, ADelegateThatCannotOpenURLsGetsNoCampaign) {
  platform::ui::Application::sharedApplication()->setDelegate(std::make_shared<OpeningDelegate>(false));
  server.on("GET", DeferredDeepLink::kPath, LoopbackResponse::ok(R"({"deeplink":"ostrel://setup?utm_source=x"})"));
  startAndAnswer(1);
  ASSERT_TRUE(spinUntil([&] { return scope.logged(23204); }));
  settle();
  EXPECT_TRUE(storedEvents("_cmp").empty());
}

}  // namespace

}  // namespace sdk::analytics

