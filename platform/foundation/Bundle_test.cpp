#include "platform/foundation/Bundle.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/PropertyList.h"
#include "testing/ScratchFolder.h"

namespace platform::foundation {
namespace {

namespace fs = std::filesystem;

class BundleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AtomicFile::createDirectories(folder_ + "/en.lproj").ok());
    ASSERT_TRUE(AtomicFile::writeAtomically(folder_ + "/LensDatabase.db", "sqlite").ok());
    ASSERT_TRUE(AtomicFile::writeAtomically(folder_ + "/en.lproj/Localizable.strings", "strings").ok());
    Value info(Dictionary{{"CFBundleIdentifier", Value("com.example.ostrel")}, {"Flag", Value(true)}});
    ASSERT_TRUE(PropertyList::writeFile(folder_ + "/Info.plist", info, PropertyList::Format::Xml));
    savedMain_ = Bundle::setMainPath("");
  }
  void TearDown() override {
    Bundle::setMainPath(savedMain_);
    ::unsetenv("OSTREL_BUNDLE");
  }

  ostrel::testing::ScratchFolder scratch_;
  std::string folder_ = scratch_.path();
  std::string savedMain_;
};

TEST_F(BundleTest, FindsResourcesByNameTypeAndSubdirectory) {
  Bundle bundle(folder_ + "/");
  EXPECT_EQ(bundle.bundlePath(), folder_);
  EXPECT_EQ(bundle.pathForResource("LensDatabase", "db"), folder_ + "/LensDatabase.db");
  EXPECT_EQ(bundle.pathForResource("LensDatabase.db", ""), folder_ + "/LensDatabase.db");
  EXPECT_EQ(bundle.pathForResource("Localizable", "strings", "en.lproj"),
            folder_ + "/en.lproj/Localizable.strings");
  EXPECT_EQ(bundle.pathForResource("Localizable", "strings"), "");
  EXPECT_EQ(bundle.pathForResource("", "db"), "");
  // Resource names never reach outside the bundle.
  EXPECT_EQ(bundle.pathForResource("../" + fs::path(folder_).filename().string() + "/LensDatabase", "db"), "");
  EXPECT_EQ(bundle.pathForResource("Localizable", "strings", "/etc"), "");
  EXPECT_EQ(bundle.pathForResource("en", "lproj/../../" + fs::path(folder_).filename().string() + "/LensDatabase.db"),
            "")
      << "a type may not climb either";
}

TEST_F(BundleTest, ReadsTheInfoDictionary) {
  Bundle bundle(folder_);
  EXPECT_EQ(bundle.bundleIdentifier(), "com.example.ostrel");
  EXPECT_TRUE(bundle.objectForInfoDictionaryKey("Flag").toBool());
  EXPECT_EQ(Bundle(folder_ + "/en.lproj").bundleIdentifier(), "");  // no Info.plist

  ASSERT_TRUE(AtomicFile::writeAtomically(folder_ + "/en.lproj/Info.plist", "<plist><dict><key>").ok());
  Bundle broken(folder_ + "/en.lproj");
  EXPECT_TRUE(broken.infoDictionary().isDictionary());
  EXPECT_EQ(broken.infoDictionary().size(), 0u);
}

TEST_F(BundleTest, MainBundlePrecedence) {
  std::string beside = fs::read_symlink("/proc/self/exe").parent_path().string() + "/bundle";
  EXPECT_EQ(Bundle::main()->bundlePath(), beside);

  ::setenv("OSTREL_BUNDLE", (folder_ + "/en.lproj").c_str(), 1);
  EXPECT_EQ(Bundle::main()->bundlePath(), folder_ + "/en.lproj");

  Bundle::setMainPath(folder_);
  auto held = Bundle::main();
  EXPECT_EQ(held->bundleIdentifier(), "com.example.ostrel");
  EXPECT_EQ(Bundle::main(), held);  // the same bundle while the path stays

  EXPECT_EQ(Bundle::setMainPath(""), folder_);
  EXPECT_EQ(Bundle::main()->bundlePath(), folder_ + "/en.lproj");
  EXPECT_EQ(held->bundleIdentifier(), "com.example.ostrel");  // the holder's bundle still works
}

}  // namespace
}  // namespace platform::foundation
