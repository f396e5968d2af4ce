#include "sdk/core/Library.h"

#include <gtest/gtest.h>

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

// A lazy component serving `protocol`.
Component::Ptr componentServing(const Protocol* protocol) {
  return Component::componentWithProtocol(protocol, kInstantiationTimingLazy, {}, [protocol](ComponentContainer&, bool*) {
    const std::string name = ostrel::testing::freshName("VURTestInstance");
    return ostrel::testing::makeConformingInstance(name.c_str(), protocol);
  });
}

const Protocol* served() {
  static const Protocol* protocol = Protocol::obtain(ostrel::testing::freshName("VURTestServed"));
  return protocol;
}
std::vector<Component::Ptr> servedComponents() { return {componentServing(served())}; }
std::vector<Component::Ptr> noComponents() { return {}; }

TEST(LibraryTest, ARegisteredLibraryServesEveryAppAndNamesItselfInTheUserAgent) {
  ostrel::testing::SdkWorld world;
  Class* library = ostrel::testing::makeClass(Class::root(), "VURTestRegisteredLibrary");
  registerLibraryClass(library, served(), &servedComponents, "test-registered");
  EXPECT_TRUE(library->conformsTo(served()) && library->conformsTo(libraryProtocol()));
  EXPECT_NE(App::userAgentString().find(std::string("test-registered/") + kSDKVersion), std::string::npos);
  registerLibraryClass(library, served(), &servedComponents, "test-registered", "2.1");
  EXPECT_NE(App::userAgentString().find("test-registered/2.1"), std::string::npos);
  App::configure();
  EXPECT_NE(App::defaultApp()->container()->instanceForProtocol(served()), nullptr);

  // A library class that already lists its components keeps its own list.
  const Protocol* own = Protocol::obtain(ostrel::testing::freshName("VURTestOwnService"));
  Class* declared = declareLibraryClass(ostrel::testing::freshName("VURTestDeclaredLibrary"),
                                        [own] { return std::vector<Component::Ptr>{componentServing(own)}; });
  registerLibraryClass(declared, own, &noComponents, "test-declared");
  App::configureWithName("other", ostrel::testing::validOptions());
  EXPECT_NE(App::appNamed("other")->container()->instanceForProtocol(own), nullptr);
}

}  // namespace

}  // namespace sdk::core
