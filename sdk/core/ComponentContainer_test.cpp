#include "sdk/core/ComponentContainer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "testing/RuntimeClasses.h"
#include "sdk/core/App.h"
#include "sdk/core/AssociationRegistration.h"
#include "sdk/core/LibraryStandInsTestSupport.h"
#include "sdk/core/SdkWorldTestSupport.h"
#include "sdk/core/Library.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"

namespace sdk::core {

namespace {

using platform::runtime::Class;
using platform::runtime::Object;
using platform::runtime::Protocol;
using ostrel::testing::freshName;

const Protocol* protocolNamed(const std::string& name) { return Protocol::obtain(name); }

// A component whose block counts its calls and makes an instance conforming to its protocol (or, when
// `conforming` is false, to nothing).
struct CountingComponent {
  const Protocol* protocol;
  std::shared_ptr<std::atomic<int>> made = std::make_shared<std::atomic<int>>(0);

  Component::Ptr component(std::int64_t timing, bool cacheable, bool conforming = true) const {
    auto counter = made;
    const Protocol* wanted = protocol;
    // Each component its own class, declared now so that names are not handed out twice.
    const std::string className = freshName("VURTestService");
    (void)ostrel::testing::makeConformingInstance(className.c_str(), conforming ? wanted : protocolNamed("VURNothing"));
    return Component::componentWithProtocol(
        protocol, timing, {ComponentDependency::dependencyWithProtocol(protocol, false)},
        [=](ComponentContainer&, bool* isCacheable) {
          ++*counter;
          *isCacheable = cacheable;
          return ostrel::testing::makeConformingInstance(className.c_str(), conforming ? wanted : protocolNamed("VURNothing"));
        });
  }
};

Class* libraryWith(std::vector<Component::Ptr> components) {
  return declareLibraryClass(freshName("VURTestLibrary"), [components] { return components; });
}

std::shared_ptr<App> app(const std::string& name) {
  return std::make_shared<App>(App::Private(), name, ostrel::testing::validOptions());
}

TEST(ComponentContainerTest, TimingsDecideWhatIsMadeAtOnce) {
  const CountingComponent lazy{protocolNamed(freshName("VURLazy"))};
  const CountingComponent always{protocolNamed(freshName("VURAlways"))};
  const CountingComponent defaultOnly{protocolNamed(freshName("VURDefaultOnly"))};
  const ComponentContainer::Registrants registrants{
      libraryWith({lazy.component(kInstantiationTimingLazy, true), always.component(kInstantiationTimingAlwaysEager, true),
                   defaultOnly.component(kInstantiationTimingEagerInDefaultApp, true)})};

  const auto defaultApp = app(App::kDefaultAppName);
  ComponentContainer forDefault(defaultApp, registrants);
  forDefault.instantiateEagerComponents();
  EXPECT_EQ(*lazy.made, 0);
  EXPECT_EQ(*always.made, 1);
  EXPECT_EQ(*defaultOnly.made, 1);
  EXPECT_EQ(forDefault.app(), defaultApp);

  ComponentContainer forOther(app("other"), registrants);
  forOther.instantiateEagerComponents();
  EXPECT_EQ(*always.made, 2);
  EXPECT_EQ(*defaultOnly.made, 1) << "lazy for other apps";
  EXPECT_NE(forOther.instanceForProtocol(defaultOnly.protocol), nullptr);
  EXPECT_EQ(*defaultOnly.made, 2);
  forOther.instantiateEagerComponents();
  EXPECT_EQ(*always.made, 2) << "eager creation happens once";
}

TEST(ComponentContainerTest, CachedInstancesAreSharedAndOthersMadeAfresh) {
  const CountingComponent cached{protocolNamed(freshName("VURCached"))};
  const CountingComponent fresh{protocolNamed(freshName("VURFresh"))};
  ComponentContainer container(app("a"), {libraryWith({cached.component(0, true), fresh.component(0, false)})});
  EXPECT_EQ(container.instanceForProtocol(cached.protocol), container.instanceForProtocol(cached.protocol));
  EXPECT_EQ(*cached.made, 1);
  EXPECT_NE(container.instanceForProtocol(fresh.protocol), container.instanceForProtocol(fresh.protocol));
  EXPECT_EQ(*fresh.made, 2);
  EXPECT_EQ(container.instanceForProtocol(protocolNamed(freshName("VURUnknown"))), nullptr);
  EXPECT_EQ(container.instanceForProtocol(nullptr), nullptr);
}

TEST(ComponentContainerTest, TheFirstRegistrantOfAProtocolWinsAndNonConformingInstancesAreRefused) {
  ostrel::testing::LoggedLines log;
  const auto* shared = protocolNamed(freshName("VURShared"));
  const CountingComponent first{shared}, second{shared};
  const CountingComponent liar{protocolNamed(freshName("VURLiar"))};
  ComponentContainer container(
      app("a"), {libraryWith({first.component(0, true)}), libraryWith({second.component(0, true), liar.component(0, true, false)})});
  EXPECT_NE(container.instanceForProtocol(shared), nullptr);
  EXPECT_EQ(*first.made, 1);
  EXPECT_EQ(*second.made, 0);
  EXPECT_TRUE(log.contains("I-COR000029"));
  EXPECT_TRUE(log.contains("Attempted to register protocol " + shared->name()));

  EXPECT_EQ(container.instanceForProtocol(liar.protocol), nullptr);
  EXPECT_EQ(container.instanceForProtocol(liar.protocol), nullptr);
  EXPECT_EQ(*liar.made, 2) << "a refused instance is never cached";
  EXPECT_TRUE(log.contains("I-COR000030"));
}

TEST(ComponentContainerTest, ABlockMayLookUpAnotherProtocolOfItsContainer) {
  const CountingComponent inner{protocolNamed(freshName("VURInner"))};
  const auto* outerProtocol = protocolNamed(freshName("VUROuter"));
  const std::string outerClass = freshName("VUROuterService");
  (void)ostrel::testing::makeConformingInstance(outerClass.c_str(), outerProtocol);
  std::shared_ptr<Object> seen;
  auto outer = Component::componentWithProtocol(outerProtocol, kInstantiationTimingAlwaysEager, {},
                                                   [&](ComponentContainer& container, bool* isCacheable) {
                                                     *isCacheable = true;
                                                     seen = container.instanceForProtocol(inner.protocol);
                                                     return ostrel::testing::makeConformingInstance(outerClass.c_str(), outerProtocol);
                                                   });
  ComponentContainer container(app("a"), {libraryWith({outer, inner.component(0, true)})});
  container.instantiateEagerComponents();
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(seen, container.instanceForProtocol(inner.protocol));
}

TEST(ComponentContainerTest, RemovalTellsMaintainersAndEmptiesTheContainer) {
  const auto* protocol = protocolNamed(freshName("VURMaintained"));
  const std::string className = freshName("VURMaintainedService");
  Class* cls = Class::allocateClassPair(Class::root(), className);
  cls->addProtocol(const_cast<Protocol*>(protocol));
  cls->addProtocol(const_cast<Protocol*>(componentLifecycleMaintainerProtocol()));
  auto told = std::make_shared<std::vector<std::string>>();
  cls->addMethod(kAppWillBeDeleted,
                 [told](Object&, const std::shared_ptr<App>& app) { told->push_back(app ? app->name() : "(none)"); });
  Class::registerClassPair(cls);
  auto component = Component::componentWithProtocol(protocol, [cls](ComponentContainer&, bool* isCacheable) {
    *isCacheable = true;
    return cls->createInstance();
  });
  const auto owner = app("owner");
  ComponentContainer container(owner, {libraryWith({component})});
  ASSERT_NE(container.instanceForProtocol(protocol), nullptr);
  container.removeAllComponents();
  EXPECT_NE(container.instanceForProtocol(protocol), nullptr) << "the cache still answers";
  container.removeAllCachedInstances();
  EXPECT_EQ(*told, std::vector<std::string>{"owner"});
  EXPECT_EQ(container.instanceForProtocol(protocol), nullptr);
}

TEST(ComponentContainerTest, RegistrantsKeepTheirOrderAndLookupsMayRaceRegistration) {
  ComponentContainer::Registrants set;
  Class* a = libraryWith({});
  Class* b = libraryWith({});
  for (Class* cls : {b, a, b}) ComponentContainer::registerAsComponentRegistrant(cls, set);
  EXPECT_EQ(set, (ComponentContainer::Registrants{b, a}));

  const CountingComponent shared{protocolNamed(freshName("VURRaced"))};
  ComponentContainer container(app("a"), {libraryWith({shared.component(0, true)})});
  std::vector<std::thread> threads;
  std::vector<std::shared_ptr<Object>> found(4);
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      ComponentContainer::registerAsComponentRegistrant(libraryWith({}));
      found[i] = container.instanceForProtocol(shared.protocol);
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(*shared.made, 1);
  for (const auto& instance : found) EXPECT_EQ(instance, found[0]);
}

}  // namespace

namespace {

TEST(AssociationRegistrationTest, OneObjectPerHostAndKeyAndNoReentry) {
  auto host = std::make_shared<platform::runtime::Object>();
  auto other = std::make_shared<platform::runtime::Object>();
  int made = 0;
  auto make = [&] { return platform::foundation::Value(++made); };
  EXPECT_EQ(AssociationRegistration::registeredObjectWithHost(*host, "k", make), platform::foundation::Value(1));
  EXPECT_EQ(AssociationRegistration::registeredObjectWithHost(*host, "k", make), platform::foundation::Value(1));
  EXPECT_EQ(AssociationRegistration::registeredObjectWithHost(*other, "k", make), platform::foundation::Value(2));
  EXPECT_TRUE(AssociationRegistration::registeredObjectWithHost(*host, "nil", [] { return platform::foundation::Value(); }).isNil());
  try {
    AssociationRegistration::registeredObjectWithHost(*host, "loop", [&] {
      return AssociationRegistration::registeredObjectWithHost(*host, "loop", make);
    });
    ADD_FAILURE() << "re-entered";
  } catch (const platform::foundation::Exception& e) {
    EXPECT_EQ(e.name(), "Reentering registeredObjectWithHost:key:creationBlock: not allowed");
    EXPECT_NE(e.reason().find("key: loop"), std::string::npos);
  }
  EXPECT_EQ(AssociationRegistration::registeredObjectWithHost(*host, "loop", make), platform::foundation::Value(3))
      << "a failed creation leaves nothing behind";
}

}  // namespace

}  // namespace sdk::core

