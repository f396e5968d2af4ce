#include "sdk/utilities/VDUAppEnvironmentUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/SystemFacts.h"
#include "platform/runtime/Class.h"

using platform::foundation::Bundle;
using platform::foundation::PropertyList;
using platform::foundation::ScopedSystemFacts;
using platform::foundation::SystemFacts;
using platform::foundation::Value;

namespace {

// A main bundle in a fresh temporary folder, named `name` ("App.app", "Share.appex").
class TempBundle {
 public:
  explicit TempBundle(const std::string& name) {
    char pattern[] = "/tmp/vdu-bundle-XXXXXX";
    root_ = mkdtemp(pattern);
    path_ = root_ + "/" + name;
    std::filesystem::create_directories(path_);
    previous_ = Bundle::setMainPath(path_);
  }
  ~TempBundle() {
    Bundle::setMainPath(previous_);
    std::filesystem::remove_all(root_);
  }
  void addFile(const std::string& name) { std::ofstream(path_ + "/" + name) << "x"; }
  // Before the first question: the bundle reads its Info.plist once.
  void setInfo(Value info) {
    ASSERT_TRUE(PropertyList::writeFile(path_ + "/Info.plist", info, PropertyList::Format::Xml));
  }

 private:
  std::string root_, path_, previous_;
};

SystemFacts phone(bool encrypted, const std::string& receipt = "receipt") {
  SystemFacts facts = SystemFacts::defaults();
  facts.deviceModel = "iPhone15,2";
  facts.executableEncrypted = encrypted;
  facts.storeReceiptName = receipt;
  return facts;
}

}  // namespace

TEST(VDUAppEnvironmentUtil, StoreInstallFollowsTheOrderOfChecks) {
  TempBundle bundle("App.app");
  {
    ScopedSystemFacts facts(phone(true));
    EXPECT_TRUE(VDUAppEnvironmentUtil::isFromAppStore());
    bundle.addFile("embedded.mobileprovision");
    EXPECT_FALSE(VDUAppEnvironmentUtil::isFromAppStore());
  }
  ScopedSystemFacts unencrypted(phone(false));
  EXPECT_FALSE(VDUAppEnvironmentUtil::isFromAppStore());
  // The store's own folder marker wins over a missing encryption and a provisioning profile...
  bundle.addFile("SC_Info");
  EXPECT_TRUE(VDUAppEnvironmentUtil::isFromAppStore());
  // ...but not over a simulator or a sandbox receipt.
  {
    SystemFacts simulator = phone(true);
    simulator.deviceModel = "x86_64";
    ScopedSystemFacts facts(simulator);
    EXPECT_TRUE(VDUAppEnvironmentUtil::isSimulator());
    EXPECT_FALSE(VDUAppEnvironmentUtil::isFromAppStore());
  }
  ScopedSystemFacts sandbox(phone(true, "sandboxReceipt"));
  EXPECT_TRUE(VDUAppEnvironmentUtil::isAppStoreReceiptSandbox());
  EXPECT_FALSE(VDUAppEnvironmentUtil::isFromAppStore());
}

TEST(VDUAppEnvironmentUtil, ReceiptCheckSwitchOnlyCountsAsANumber) {
  ScopedSystemFacts facts(phone(true, "sandboxReceipt"));
  {
    TempBundle bundle("App.app");
    bundle.setInfo(Value(platform::foundation::Dictionary{{"VurevoreAppStoreReceiptURLCheckEnabled", Value("NO")}}));
    EXPECT_TRUE(VDUAppEnvironmentUtil::isAppStoreReceiptSandbox());
  }
  TempBundle bundle("App.app");
  bundle.setInfo(Value(platform::foundation::Dictionary{{"VurevoreAppStoreReceiptURLCheckEnabled", Value(false)}}));
  EXPECT_FALSE(VDUAppEnvironmentUtil::isAppStoreReceiptSandbox());
  EXPECT_TRUE(VDUAppEnvironmentUtil::isFromAppStore());
}

TEST(VDUAppEnvironmentUtil, DeviceExtensionAndPlatformFacts) {
  {
    TempBundle extension("Share.appex");
    EXPECT_TRUE(VDUAppEnvironmentUtil::isAppExtension());
  }
  TempBundle app("App.app");
  EXPECT_FALSE(VDUAppEnvironmentUtil::isAppExtension());

  SystemFacts facts = phone(false);
  facts.deviceModel.reset();
  facts.phoneAppOnDesktop = true;
  facts.systemVersion = "13.7";
  {
    ScopedSystemFacts scoped(facts);
    EXPECT_FALSE(VDUAppEnvironmentUtil::isSimulator());
    EXPECT_FALSE(VDUAppEnvironmentUtil::deviceModel().has_value());
    EXPECT_EQ(VDUAppEnvironmentUtil::applePlatform(), "ios");
  }
  facts.systemVersion = "14.0";
  facts.deviceModel = "i386";
  ScopedSystemFacts scoped(facts);
  EXPECT_TRUE(VDUAppEnvironmentUtil::isSimulator());
  EXPECT_EQ(VDUAppEnvironmentUtil::applePlatform(), "ios_on_mac");
  EXPECT_EQ(VDUAppEnvironmentUtil::systemVersion(), "14.0");
  EXPECT_EQ(VDUAppEnvironmentUtil::deploymentType(), "cocoapods");
}

TEST(VDUAppEnvironmentUtil, SwiftRuntimeIsKnownByItsRootClass) {
  EXPECT_FALSE(VDUAppEnvironmentUtil::hasSwiftRuntime());
  // Registered classes stay for the life of the process, so this one is only added once.
  using platform::runtime::Class;
  Class* root = Class::allocateClassPair(Class::root(), "_TtCs12_SwiftObject");
  ASSERT_NE(root, nullptr);
  Class::registerClassPair(root);
  EXPECT_TRUE(VDUAppEnvironmentUtil::hasSwiftRuntime());
}
