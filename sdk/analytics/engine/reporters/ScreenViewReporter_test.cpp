#include "sdk/analytics/engine/reporters/ScreenViewReporter.h"

#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "platform/runtime/Class.h"
#include "platform/ui/Application.h"
#include "platform/ui/Make.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/reporters/AnalyticsScreen.h"
#include "sdk/analytics/engine/reporters/SessionReporter.h"
#include "sdk/analytics/engine/reporters/ViewControllerScreens.h"
#include "sdk/analytics/engine/reporters/ReporterTestSupport.h"
#include "testing/RuntimeClasses.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::NotificationCenter;
using platform::foundation::Value;
using platform::runtime::Class;
using platform::runtime::Image;
using platform::ui::make;
using platform::ui::NavigationController;
using platform::ui::ViewController;
using platform::ui::Window;
using ostrel::testing::ReporterTestBase;

// A screen of any runtime class the test names.
class TestScreen : public ViewController {
 public:
  static constexpr platform::runtime::NativeClass<ViewController> kRuntimeClass{"ReporterTestScreen"};

 protected:
  explicit TestScreen(Class* cls) : ViewController(cls) {}
};

// A screen that tells the reporter of its appearance from inside the call, as the replaced method
// does: while a presentation of it is still running.
class ReportingScreen : public ViewController {
 public:
  static constexpr platform::runtime::NativeClass<ViewController> kRuntimeClass{"ReporterTestSheet"};
  ReportingScreen() : ViewController(platform::runtime::classOf<ReportingScreen>()) {}
  std::function<void(ViewController&)> appeared;
  void viewDidAppear(bool) override {
    if (appeared) appeared(*this);
  }
};

Class* screenClass(const std::string& name, Image image = Image::App) {
  if (Class* existing = Class::named(name)) return existing;
  Class* cls = Class::allocateClassPair(platform::runtime::classOf<TestScreen>(), name, image);
  Class::registerClassPair(cls);
  return cls;
}

std::shared_ptr<TestScreen> screenNamed(const std::string& name, Image image = Image::App) {
  return make<TestScreen>(screenClass(name, image));
}

class ScreenViewReporterTest : public ReporterTestBase {
 protected:
  ScreenViewReporterTest() {
    window = make<Window>();
    window->makeKeyAndVisible();
  }
  ~ScreenViewReporterTest() override {
    sdk::analytics::ReporterEngineAccess::setCurrent({});
    if (!previousBundle.empty() || bundleChanged) platform::foundation::Bundle::setMainPath(previousBundle);
  }

  // Puts `controller` on the key window and tells the reporter, as the replaced appearance method does.
  void show(const std::shared_ptr<ViewController>& controller) {
    window->setRootViewController(controller);
    reporter->viewControllerDidAppear(*controller);
  }
  void post(const char* notification) { NotificationCenter::defaultCenter().post(notification); }
  std::vector<ostrel::testing::RecordingReporterHost::Event> screenViews() {
    reporter->waitForQueue();
    return host->named("_vs");
  }
  void writeInfo(Dictionary info) {
    std::string folder = container.pathFor("bundle" + std::to_string(++bundles));
    std::filesystem::create_directories(folder);
    platform::foundation::PropertyList::writeFile(folder + "/Info.plist", Value(info),
                                                  platform::foundation::PropertyList::Format::Xml);
    std::string previous = platform::foundation::Bundle::setMainPath(folder);
    if (!bundleChanged) previousBundle = previous;
    bundleChanged = true;
  }

  std::shared_ptr<Window> window;
  std::shared_ptr<ScreenViewReporter> reporter = ScreenViewReporter::create();
  std::string previousBundle;
  bool bundleChanged = false;
  int bundles = 0;
};

TEST_F(ScreenViewReporterTest, AppearingControllersBecomeScreenViews) {
  auto home = screenNamed("Ostrel.HomeViewController");
  show(home);
  auto views = screenViews();
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].origin, "auto");
  EXPECT_EQ(views[0].parameters.at("_sc").description(), "HomeViewController");
  const std::int64_t homeID = views[0].integer("_si");
  EXPECT_FALSE(views[0].has("_pi"));
  EXPECT_FALSE(views[0].timestamp);

  auto detail = screenNamed("DetailViewController");
  show(detail);
  views = screenViews();
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[1].parameters.at("_sc").description(), "DetailViewController");
  EXPECT_EQ(views[1].parameters.at("_pc").description(), "HomeViewController");
  EXPECT_EQ(views[1].integer("_pi"), homeID);
  EXPECT_NE(views[1].integer("_si"), homeID);

  // The facade's view of the current screen.
  auto parameters = reporter->screenParameters();
  EXPECT_EQ(parameters.at("_sc"), AnalyticsValue("DetailViewController"));
  EXPECT_EQ(parameters.at("_si"), AnalyticsValue(views[1].integer("_si")));
  EXPECT_FALSE(parameters.contains("_sn"));

  // Back to the first controller: its screen keeps its instance ID.
  show(home);
  EXPECT_EQ(screenViews().back().integer("_si"), homeID);
}

TEST_F(ScreenViewReporterTest, FrameworkClassesWithPrivateNamesAreNeverTracked) {
  show(screenNamed("_UIPrivateController", Image::Platform));
  EXPECT_TRUE(screenViews().empty());
  auto privateSub = Class::allocateClassPair(screenClass("_UIPrivateBase", Image::Platform),
                                             ostrel::testing::freshName("PublicLooking"), Image::Platform);
  Class::registerClassPair(privateSub);
  show(make<TestScreen>(privateSub));
  EXPECT_TRUE(screenViews().empty());
  // The app's own class may start with "_".
  show(screenNamed("_AppOwnController"));
  ASSERT_EQ(screenViews().size(), 1u);
  EXPECT_EQ(screenViews()[0].parameters.at("_sc").description(), "_AppOwnController");
}

TEST_F(ScreenViewReporterTest, LongClassNamesAreCutToAHundred) {
  const std::string hundred(100, 'C');
  show(screenNamed(hundred + "X"));
  show(screenNamed("B" + hundred.substr(1)));
  auto views = screenViews();
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[0].parameters.at("_sc").description(), hundred);
  EXPECT_TRUE(scope.logged(31007));
  EXPECT_EQ(views[1].parameters.at("_sc").description(), "B" + hundred.substr(1));
}

TEST_F(ScreenViewReporterTest, ManualScreenNames) {
  auto home = screenNamed("ManualHomeController");
  show(home);
  host->clear();
  // Both nil on the controller's own screen: nothing changes.
  reporter->setScreenName(std::nullopt, std::nullopt);
  EXPECT_TRUE(scope.logged(31004));
  EXPECT_TRUE(screenViews().empty());

  reporter->setScreenName("Checkout", std::nullopt);
  auto views = screenViews();
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].origin, "auto");
  EXPECT_EQ(views[0].parameters.at("_sn").description(), "Checkout");
  EXPECT_EQ(views[0].parameters.at("_sc").description(), "ManualHomeController");
  EXPECT_EQ(views[0].parameters.at("_pc").description(), "ManualHomeController");

  reporter->setScreenName("Checkout", "ManualHomeController");
  EXPECT_TRUE(scope.logged(31004));
  EXPECT_EQ(screenViews().size(), 1u);

  reporter->setScreenName(std::string(101, 'n'), std::nullopt);
  EXPECT_TRUE(scope.logged(31001));
  reporter->setScreenName(std::nullopt, "");
  EXPECT_TRUE(scope.logged(31002));
  EXPECT_EQ(screenViews().size(), 1u);
}

TEST_F(ScreenViewReporterTest, ManualScreenNameNeedsAnAppearedController) {
  reporter->setScreenName("Early", std::nullopt);
  EXPECT_TRUE(scope.logged(31003));
  EXPECT_TRUE(screenViews().empty());
}

TEST_F(ScreenViewReporterTest, PublicScreenViewEvents) {
  show(screenNamed("CatalogueController"));
  host->clear();
  reporter->trackScreenWithParameters(
      {{"screen_name", Value("Lens list")}, {"item_id", Value("lens-35")}, {"ignored_list", Value(Dictionary{})}},
      1700000500.25);
  auto views = screenViews();
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].origin, "app");
  EXPECT_EQ(views[0].timestamp, 1700000500.25);
  EXPECT_EQ(views[0].parameters.at("item_id").description(), "lens-35");
  EXPECT_EQ(views[0].parameters.at("_sn").description(), "Lens list");
  // On the main thread without a class: the key window's root controller's.
  EXPECT_EQ(views[0].parameters.at("_sc").description(), "CatalogueController");
  EXPECT_TRUE(views[0].has("_si"));
  EXPECT_TRUE(views[0].has("_pi"));
  EXPECT_FALSE(views[0].has("screen_name"));
  EXPECT_FALSE(views[0].has("ignored_list"));

  // From another thread: the current screen's class.
  reporter->setScreenName(std::nullopt, "ByHand");
  host->clear();
  std::thread([&] { reporter->trackScreenWithParameters({{"screen_name", Value("Off main")}}, 1700000600); }).join();
  views = screenViews();
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].parameters.at("_sc").description(), "ByHand");

  reporter->trackScreenWithParameters({{"screen_name", Value(12)}}, 1700000700);
  EXPECT_TRUE(scope.logged(31027));
  EXPECT_EQ(screenViews().size(), 1u);
}

TEST_F(ScreenViewReporterTest, ReportingSwitchedOffInTheInfoDictionary) {
  writeInfo({{"VurevoreScreenReportingEnabled", Value(false)}});
  show(screenNamed("SilentController"));
  EXPECT_TRUE(screenViews().empty());
  reporter->setScreenName("Anything", std::nullopt);
  EXPECT_TRUE(scope.logged(31000));
  reporter->trackScreenWithParameters({{"screen_name", Value("Manual")}}, 1700000000);
  auto views = screenViews();
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].origin, "app");
  EXPECT_EQ(views[0].integer("_mst"), 1);

  // The older key answers when the newer one is absent; a non-number leaves reporting on.
  writeInfo({{"VurevoreAutomaticScreenReportingEnabled", Value(0)}});
  EXPECT_FALSE(isAutomaticScreenReportingEnabled());
  writeInfo({{"VurevoreScreenReportingEnabled", Value("NO")}});
  EXPECT_TRUE(isAutomaticScreenReportingEnabled());
}

TEST_F(ScreenViewReporterTest, ReturningFromTheBackgroundToAnotherScreenGivesOneScreenView) {
  post(platform::ui::kApplicationDidBecomeActiveNotification);
  show(screenNamed("BeforeController"));
  const auto before = screenViews();
  ASSERT_EQ(before.size(), 1u);
  post(platform::ui::kApplicationWillResignActiveNotification);
  post(platform::ui::kApplicationDidEnterBackgroundNotification);
  host->clear();

  show(screenNamed("WhileAwayController"));
  EXPECT_TRUE(screenViews().empty());
  EXPECT_TRUE(scope.logged(31013));
  EXPECT_TRUE(reporter->screenParameters().empty());
  reporter->trackScreenWithParameters({{"screen_name", Value("Away")}}, 1700000000);
  EXPECT_TRUE(scope.logged(31026));

  post(platform::ui::kApplicationDidBecomeActiveNotification);
  auto views = screenViews();
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].parameters.at("_sc").description(), "WhileAwayController");
  EXPECT_EQ(views[0].integer("_pi"), before[0].integer("_si"));

  // Coming back to the same screen reports nothing.
  post(platform::ui::kApplicationWillResignActiveNotification);
  post(platform::ui::kApplicationDidEnterBackgroundNotification);
  post(platform::ui::kApplicationDidBecomeActiveNotification);
  EXPECT_EQ(screenViews().size(), 1u);
}

TEST_F(ScreenViewReporterTest, TheSameControllerAgainWhileTheEngineIsEnabled) {
  sdk::analytics::ReporterEngineAccess::setCurrent({[] { return true; }, nullptr, nullptr});
  auto home = screenNamed("RepeatController");
  show(home);
  reporter->viewControllerDidAppear(*home);
  EXPECT_TRUE(scope.logged(31006));
  EXPECT_EQ(screenViews().size(), 1u);
}

TEST_F(ScreenViewReporterTest, NavigationShowsItsTopAndFallsBackOnPop) {
  auto root = screenNamed("NavRootController");
  auto navigation = make<NavigationController>(root);
  window->setRootViewController(navigation);
  reporter->viewControllerDidAppear(*root);
  reporter->viewControllerDidAppear(*navigation);
  auto pushed = screenNamed("NavPushedController");
  navigation->pushViewController(pushed, false);
  reporter->viewControllerDidAppear(*pushed);
  navigation->popViewControllerAnimated(false);
  reporter->viewControllerDidDisappear(*pushed);
  reporter->viewControllerDidAppear(*root);
  std::vector<std::string> classes;
  for (const auto& view : screenViews()) classes.push_back(view.parameters.at("_sc").description());
  EXPECT_EQ(classes, (std::vector<std::string>{"NavRootController", "NavPushedController", "NavRootController"}));
}

TEST_F(ScreenViewReporterTest, APresentedScreenIsCurrentWhileItShowsThenItsPresenterAgain) {
  auto home = screenNamed("PresenterController");
  show(home);
  auto sheet = make<ReportingScreen>();
  sheet->appeared = [this](ViewController& vc) { reporter->viewControllerDidAppear(vc); };
  home->presentViewController(sheet, false);
  auto views = screenViews();
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[1].parameters.at("_sc").description(), "ReporterTestSheet");
  EXPECT_EQ(views[1].parameters.at("_pc").description(), "PresenterController");
  EXPECT_EQ(reporter->screenParameters().at("_sc"), AnalyticsValue("ReporterTestSheet")) << "events carry the sheet";

  home->dismissViewControllerAnimated(false);
  reporter->viewControllerDidDisappear(*sheet);
  views = screenViews();
  ASSERT_EQ(views.size(), 3u);
  EXPECT_EQ(views[2].parameters.at("_sc").description(), "PresenterController");
  EXPECT_EQ(views[2].integer("_si"), views[0].integer("_si"));

  // Presented again, the sheet keeps its instance.
  home->presentViewController(sheet, false);
  views = screenViews();
  ASSERT_EQ(views.size(), 4u);
  EXPECT_EQ(views[3].integer("_si"), views[1].integer("_si"));
}

TEST_F(ScreenViewReporterTest, ScreenChangesFeedTheSessionReporter) {
  configure({{"measurement.session.event_user_engagement_interval", "86400000"},
             {"measurement.collection.efficient_engagement_reporting_enabled", "1"},
             {"measurement.collection.redundant_engagement_removal_enabled", "1"}});
  auto session = SessionReporter::initWithPersistedConfig(persisted, settings);
  session->setReportingEnabled(true);
  sdk::analytics::ReporterEngineAccess::setCurrent(
      {[] { return true; }, [session] { return std::static_pointer_cast<sdk::analytics::SessionReporting>(session); },
       [this] { return settings; }});
  post(platform::ui::kApplicationDidBecomeActiveNotification);
  show(screenNamed("FirstSessionScreen"));
  environment.clock()->advance(2.5);
  show(screenNamed("SecondSessionScreen"));
  auto views = screenViews();
  ASSERT_EQ(views.size(), 2u);
  EXPECT_FALSE(views[0].has("_et"));
  EXPECT_EQ(views[1].integer("_et"), 2500);
  EXPECT_TRUE(host->named("_e").empty());
}

TEST_F(ScreenViewReporterTest, InstanceIDsNeverRepeatAcrossThreads) {
  std::vector<std::vector<std::int64_t>> seen(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) seen[t].push_back(reporter->incrementScreenInstanceID());
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<std::int64_t> all;
  for (const auto& ids : seen) all.insert(ids.begin(), ids.end());
  EXPECT_EQ(all.size(), 2000u);
}

TEST_F(ScreenViewReporterTest, DelegateIsToldOfAppearances) {
  struct Delegate : ScreenViewReporterDelegate {
    void viewControllerDidAppear(ViewController& vc, bool tracked) override {
      calls.push_back("appear " + vc.getClass()->name() + (tracked ? " tracked" : ""));
    }
    void viewControllerDidDisappear(ViewController& vc) override { calls.push_back("disappear " + vc.getClass()->name()); }
    std::vector<std::string> calls;
  };
  auto delegate = std::make_shared<Delegate>();
  reporter->setPerformanceDelegate(delegate);
  reporter->setPerformanceDelegate(std::make_shared<Delegate>());
  EXPECT_TRUE(scope.logged(31016));
  auto home = screenNamed("DelegateController");
  show(home);
  reporter->viewControllerDidDisappear(*home);
  EXPECT_EQ(delegate->calls,
            (std::vector<std::string>{"appear DelegateController tracked", "disappear DelegateController"}));
  reporter->setPerformanceDelegate(nullptr);
  EXPECT_FALSE(reporter->performanceDelegate());
}

// The replaced appearance methods reach the shared reporter, which the facade then asks.
TEST_F(ScreenViewReporterTest, AutomaticReportingThroughTheReplacedMethods) {
  ScreenViewReporter::installAutomaticReporting();
  EXPECT_EQ(Analytics::screenViewReporter(), ScreenViewReporter::sharedInstance());
  auto shared = ScreenViewReporter::sharedInstance();
  window->setRootViewController(screenNamed("SwizzledController"));
  shared->waitForQueue();
  auto views = host->named("_vs");
  ASSERT_FALSE(views.empty());
  EXPECT_EQ(views.back().parameters.at("_sc").description(), "SwizzledController");
  std::optional<std::string> name;
  std::optional<std::string> cls;
  shared->getScreenName(&name, &cls);
  EXPECT_FALSE(name);
  EXPECT_EQ(cls, "SwizzledController");
}

}  // namespace

}  // namespace sdk::analytics

