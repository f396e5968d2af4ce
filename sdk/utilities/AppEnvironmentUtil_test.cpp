#include "sdk/utilities/AppEnvironmentUtil.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/foundation/SystemFacts.h"
#include "platform/runtime/Class.h"
#include "sdk/utilities/MainBundleTestSupport.h"

namespace sdk::utilities {

using ostrel::testing::MainBundleTestSupport;

using platform::foundation::Dictionary;
using platform::foundation::ScopedSystemFacts;
using platform::foundation::SystemFacts;
using platform::foundation::Value;

namespace {

SystemFacts phone(bool encrypted, const std::string& receipt = "receipt", const char* model = "iPhone15,2") {
  SystemFacts facts = SystemFacts::defaults();
  facts.deviceModel = model;
  facts.executableEncrypted = encrypted;
  facts.storeReceiptName = receipt;
  return facts;
}

TEST(AppEnvironmentUtil, StoreInstallFollowsTheOrderOfChecks) {
  struct Case {
    const char* why;
    SystemFacts facts;
    std::vector<const char*> files;
    bool fromStore;
  };
  const Case cases[] = {
      {"encrypted, no profile", phone(true), {}, true},
      {"a provisioning profile", phone(true), {"embedded.mobileprovision"}, false},
      {"not encrypted", phone(false), {}, false},
      {"the store's folder marker wins", phone(false), {"embedded.mobileprovision", "SC_Info"}, true},
      {"...but not over a simulator", phone(true, "receipt", "x86_64"), {"SC_Info"}, false},
      {"...nor over a sandbox receipt", phone(true, "sandboxReceipt"), {"SC_Info"}, false},
  };
  MainBundleTestSupport bundles;
  for (const Case& c : cases) {
    const std::string bundle = bundles.useInfo({});
    for (const char* file : c.files) std::ofstream(bundle + "/" + file) << "x";
    ScopedSystemFacts facts(c.facts);
    EXPECT_EQ(AppEnvironmentUtil::isFromAppStore(), c.fromStore) << c.why;
  }
}

TEST(AppEnvironmentUtil, ReceiptCheckSwitchOnlyCountsAsANumber) {
  ScopedSystemFacts facts(phone(true, "sandboxReceipt"));
  MainBundleTestSupport bundles;
  bundles.useInfo(Dictionary{{"VurevoreAppStoreReceiptURLCheckEnabled", Value("NO")}});
  EXPECT_TRUE(AppEnvironmentUtil::isAppStoreReceiptSandbox());
  bundles.useInfo(Dictionary{{"VurevoreAppStoreReceiptURLCheckEnabled", Value(false)}});
  EXPECT_FALSE(AppEnvironmentUtil::isAppStoreReceiptSandbox());
  EXPECT_TRUE(AppEnvironmentUtil::isFromAppStore());
}

TEST(AppEnvironmentUtil, ExtensionSimulatorPlatformAndRuntimeFacts) {
  MainBundleTestSupport bundles;
  bundles.useInfo({}, "Share.appex");
  EXPECT_TRUE(AppEnvironmentUtil::isAppExtension());
  bundles.useInfo({});
  EXPECT_FALSE(AppEnvironmentUtil::isAppExtension());

  // The desktop answer needs a system that can say so (14.0 on) and a model the simulator check can read.
  SystemFacts facts = phone(false, "receipt", "i386");
  facts.phoneAppOnDesktop = true;
  for (const char* version : {"13.7", "14.0"}) {
    facts.systemVersion = version;
    ScopedSystemFacts scoped(facts);
    EXPECT_TRUE(AppEnvironmentUtil::isSimulator());
    EXPECT_EQ(AppEnvironmentUtil::applePlatform(), version[1] == '4' ? "ios_on_mac" : "ios") << version;
  }
  facts.deviceModel.reset();
  ScopedSystemFacts unknownModel(facts);
  EXPECT_FALSE(AppEnvironmentUtil::isSimulator());

  // Registered classes stay for the life of the process, so the runtime's root class is only added once.
  EXPECT_FALSE(AppEnvironmentUtil::hasSwiftRuntime());
  using platform::runtime::Class;
  if (Class* root = Class::allocateClassPair(Class::root(), "_TtCs12_SwiftObject")) Class::registerClassPair(root);
  EXPECT_TRUE(AppEnvironmentUtil::hasSwiftRuntime());
}

}  // namespace

}  // namespace sdk::utilities

