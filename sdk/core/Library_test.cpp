#include "sdk/core/Library.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "sdk/core/App.h"
#include "sdk/core/ComponentContainer.h"
#include "sdk/core/LibraryStandInsTestSupport.h"
#include "sdk/core/SdkWorldTestSupport.h"
#include "testing/RuntimeClasses.h"

namespace sdk::core {

namespace {

using platform::runtime::Class;
using platform::runtime::Protocol;

std::atomic<int> made{0};

// A lazy component serving `protocol`, counting what it makes.
Component::Ptr countedComponent(const Protocol* protocol) {
  return Component::componentWithProtocol(protocol, kInstantiationTimingLazy, {},
                                          [protocol](ComponentContainer&, bool* isCacheable) {
                                            *isCacheable = true;
                                            ++made;
                                            const std::string name = ostrel::testing::freshName("VURTestInstance");
                                            return ostrel::testing::makeConformingInstance(name.c_str(), protocol);
                                          });
}

const Protocol* served() {
  static const Protocol* protocol = Protocol::obtain(ostrel::testing::freshName("VURTestServed"));
  return protocol;
}

std::vector<Component::Ptr> servedComponents() { return {countedComponent(served())}; }
std::vector<Component::Ptr> noComponents() { return {}; }

TEST(LibraryTest, ARegisteredLibraryServesEveryAppAndNamesItselfInTheUserAgent) {
  ostrel::testing::SdkWorld world;
  Class* library = ostrel::testing::makeClass(Class::root(), "VURTestRegisteredLibrary");
  registerLibraryClass(library, served(), &servedComponents, "test-registered");
  EXPECT_TRUE(library->conformsTo(served()));
  EXPECT_TRUE(library->conformsTo(libraryProtocol()));
  EXPECT_NE(App::userAgentString().find(std::string("test-registered/") + kSDKVersion), std::string::npos);

  // Load hooks run again in a later fixture: the library still serves once, under the version now given.
  registerLibraryClass(library, served(), &servedComponents, "test-registered", "2.1");
  EXPECT_NE(App::userAgentString().find("test-registered/2.1"), std::string::npos);
  App::configure();
  const int before = made;
  EXPECT_NE(App::defaultApp()->container()->instanceForProtocol(served()), nullptr);
  EXPECT_NE(App::defaultApp()->container()->instanceForProtocol(served()), nullptr);
  EXPECT_EQ(made, before + 1);
}

TEST(LibraryTest, ALibraryThatListsItsOwnComponentsKeepsThem) {
  ostrel::testing::SdkWorld world;
  const Protocol* own = Protocol::obtain(ostrel::testing::freshName("VURTestOwnService"));
  Class* library = declareLibraryClass(ostrel::testing::freshName("VURTestDeclaredLibrary"),
                                       [own] { return std::vector<Component::Ptr>{countedComponent(own)}; });
  registerLibraryClass(library, own, &noComponents, "test-declared");
  App::configure();
  EXPECT_NE(App::defaultApp()->container()->instanceForProtocol(own), nullptr);
}

}  // namespace

}  // namespace sdk::core
