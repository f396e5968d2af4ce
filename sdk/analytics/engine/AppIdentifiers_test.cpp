#include "sdk/analytics/engine/AppIdentifiers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <thread>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/IdentityFacts.h"
#include "platform/foundation/SystemFacts.h"
#include "sdk/analytics/engine/DefaultIdentitySupport.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using ostrel::testing::ScopedIdentitySettings;

class IdentifiersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScopedIdentitySettings::install();
    previousBundle = platform::foundation::Bundle::setMainPath(container.path());
  }
  void TearDown() override {
    AppIdentifiers::setEngineIdentity(nullptr);
    platform::foundation::Bundle::setMainPath(previousBundle);
    ScopedIdentitySettings::uninstall();
  }

  ostrel::testing::MonitorScope monitor;
  ostrel::testing::TempContainer container;
  std::string previousBundle;
};

TEST_F(IdentifiersTest, EngineIdentityFirstThenTheSharedOne) {
  AppIdentifiers identifiers;
  // Without an engine identity the shared one answers. It is made once per process, from the options file
  // there was then (an earlier test may have had one), and says it knows none when it has no app ID.
  const std::string shared = Identity::sharedInstance()->appIDFromVMP();
  EXPECT_EQ(identifiers.appID(), shared.empty() ? std::nullopt : std::optional<std::string>(shared));
  EXPECT_EQ(monitor.logged(37001), shared.empty());
  EXPECT_FALSE(monitor.logged(37000));

  auto engineIdentity = Identity::initWithPersistedConfig(std::make_shared<PersistedConfig>());
  AppIdentifiers::setEngineIdentity([engineIdentity] { return engineIdentity; });
  EXPECT_EQ(identifiers.appID(), std::nullopt);
  EXPECT_TRUE(monitor.logged(37000));
  EXPECT_EQ(identifiers.analyticsAppID(), std::nullopt);
  EXPECT_TRUE(monitor.logged(37005));

  engineIdentity->setAppIDFromDeDed("deded-app");
  EXPECT_EQ(identifiers.analyticsAppID(), "deded-app");
  engineIdentity->setAppIDFromVMP("1:23:ios:ab");
  EXPECT_EQ(identifiers.appID(), "1:23:ios:ab");
  EXPECT_EQ(identifiers.analyticsAppID(), "1:23:ios:ab");
  EXPECT_EQ(identifiers.appInstanceID(), engineIdentity->appInstanceID());
  EXPECT_EQ(identifiers.appInstanceID()->size(), 32u);
  EXPECT_EQ(identifiers.libraryVersion(), std::to_string(Identity::analyticsLibraryVersion()));
}

TEST_F(IdentifiersTest, OriginRefusesEmpty) {
  AppIdentifiers identifiers;
  identifiers.setOrigin("fa");
  identifiers.setOrigin("");
  EXPECT_EQ(identifiers.origin(), "fa");
  EXPECT_TRUE(monitor.logged(37004));
}

TEST_F(IdentifiersTest, AdEventIDsCountUpAndWrap) {
  auto identifiers = AppIdentifiers::sharedInstance();
  std::int64_t first = std::stoll(identifiers->adEventID());
  EXPECT_EQ(std::stoll(identifiers->adEventID()), first + 1);

  AppIdentifiers::seedAdEventIDs(std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(identifiers->adEventID(), std::to_string(std::numeric_limits<std::int64_t>::max()));
  EXPECT_EQ(identifiers->adEventID(), std::to_string(std::numeric_limits<std::int64_t>::min()));

  AppIdentifiers::seedAdEventIDs(0);
  std::vector<std::thread> threads;
  std::vector<std::vector<std::string>> seen(4);
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      for (int n = 0; n < 250; ++n) seen[i].push_back(identifiers->adEventID());
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<std::string> unique;
  for (const auto& ids : seen) unique.insert(ids.begin(), ids.end());
  EXPECT_EQ(unique.size(), 1000u);
}

TEST(DefaultIdentitySupportTest, ZeroIdentifierMeansLimitedFrom14On) {
  platform::foundation::IdentityFacts facts;
  facts.advertisingServicePresent = true;
  facts.advertisingTrackingEnabled = true;
  facts.advertisingIdentifier = DefaultIdentitySupport::kZeroDeviceID;
  platform::foundation::ScopedIdentityFacts scoped(facts);
  auto support = DefaultIdentitySupport::sharedInstance();
  EXPECT_TRUE(support->limitedAdTracking());

  platform::foundation::SystemFacts older = platform::foundation::SystemFacts::current();
  older.systemVersion = "13.7";
  platform::foundation::ScopedSystemFacts oldSystem(older);
  EXPECT_FALSE(DefaultIdentitySupport::iOS14OrAbove());
  EXPECT_FALSE(support->limitedAdTracking());
}

}  // namespace

}  // namespace sdk::analytics

