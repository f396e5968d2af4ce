#include "platform/runtime/Class.h"

#include <gtest/gtest.h>

#include "platform/runtime/Protocol.h"
#include "testing/RuntimeClasses.h"
#include "platform/runtime/Send.h"

namespace platform::runtime {
namespace {

using ostrel::testing::freshName;
using ostrel::testing::makeClass;

constexpr Selector<int()> kValue{"value"};
constexpr Selector<std::string()> kKind{"kind"};

class Gadget : public Object {
 public:
  static constexpr NativeClass<Object> kRuntimeClass{"ClassTestGadget", Image::Platform};
  Gadget() : Object(classOf<Gadget>()) {}
  int serial = 7;
};

class Widget : public Gadget {
 public:
  static constexpr NativeClass<Gadget> kRuntimeClass{"ClassTestWidget"};
};

class Needy : public Object {
 public:
  static constexpr NativeClass<Object> kRuntimeClass{"ClassTestNeedy"};
  explicit Needy(int) : Object(classOf<Needy>()) {}
};

class Rig : public Object {
 public:
  static constexpr NativeClass<Object> kRuntimeClass{"ClassTestRig"};
  Rig() : Object(classOf<Rig>()) {}
  std::shared_ptr<Gadget> head;
  std::weak_ptr<Object> seat;
  std::vector<std::shared_ptr<Gadget>> spares;
  std::string label = "A";
  bool locked = true;
  std::int64_t frames = 24;
  float tilt = 0.5f;
};

// Forgot its own kRuntimeClass: it must not pass for a Gadget in the class tree.
struct Forgetful : Gadget {};

struct Squatted : Object {
  static constexpr NativeClass<Object> kRuntimeClass{"ClassTestSquatted"};
};

TEST(ClassRegistry, RunTimeSubclassNameIsTakenWhilePendingAndFreedOnlyByDisposal) {
  const std::string pendingName = freshName("RegistryPending");
  Class* cls = Class::allocateClassPair(nullptr, pendingName);
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(Class::named(pendingName), nullptr);
  EXPECT_EQ(Class::allocateClassPair(nullptr, pendingName), nullptr) << "a pending name is taken too";
  EXPECT_EQ(cls->metaclass()->superclass(), Class::root()->metaclass());
  Class::registerClassPair(cls);
  EXPECT_EQ(Class::named(pendingName), cls);
  EXPECT_FALSE(Class::disposeClassPair(cls)) << "a registered class stays";
  EXPECT_EQ(Class::allocateClassPair(nullptr, ""), nullptr);
  EXPECT_EQ(Class::allocateClassPair(Class::root()->metaclass(), freshName("RegistryFromMeta")), nullptr);

  const std::string disposedName = freshName("RegistryDisposed");
  Class* first = Class::allocateClassPair(nullptr, disposedName);
  ASSERT_TRUE(Class::disposeClassPair(first));
  Class::registerClassPair(first);
  EXPECT_EQ(Class::named(disposedName), nullptr) << "a disposed pair cannot be registered";
  Class* second = Class::allocateClassPair(nullptr, disposedName);
  ASSERT_NE(second, nullptr);
  Class::registerClassPair(second);
  EXPECT_EQ(Class::named(disposedName), second);
}

TEST(ClassRegistry, NativeClassesKeepTheirImageAndRefuseATakenName) {
  EXPECT_EQ(Class::named("ClassTestGadget"), classOf<Gadget>());
  EXPECT_EQ(classOf<Gadget>()->image(), Image::Platform);
  EXPECT_EQ(classOf<Widget>()->superclass(), classOf<Gadget>());
  EXPECT_EQ(classOf<Widget>()->image(), Image::App) << "the image defaults to the app's";

  Class::registerClassPair(Class::allocateClassPair(nullptr, "ClassTestSquatted"));
  EXPECT_THROW(classOf<Squatted>(), foundation::Exception);
  EXPECT_THROW(classOf<Forgetful>(), foundation::Exception);
}

TEST(ClassInstances, CreateInstanceMakesTheNearestNativeTypeWithTheRequestedClass) {
  Class* sub = makeClass(classOf<Gadget>(), "InstancesGadgetSub");
  EXPECT_EQ(sub->instanceSize(), sizeof(Gadget));
  auto made = sub->createInstance();
  auto typed = std::dynamic_pointer_cast<Gadget>(made);
  ASSERT_NE(typed, nullptr);
  EXPECT_EQ(typed->serial, 7);
  EXPECT_EQ(made->getClass(), sub);
  EXPECT_TRUE(made->isKindOf(classOf<Gadget>()));
  EXPECT_FALSE(made->isMemberOf(classOf<Gadget>()));

  EXPECT_EQ(classOf<Needy>()->createInstance(), nullptr) << "no constructor without arguments";
  EXPECT_EQ(Class::root()->metaclass()->createInstance(), nullptr);
}

TEST(ClassMethods, ReplacingAnInheritedMethodAddsAnOverrideAndLeavesTheSuperclassAlone) {
  Class* base = makeClass(nullptr, "MethodsBase");
  Class* sub = makeClass(base, "MethodsSub");
  ASSERT_TRUE(base->addMethod(kValue, [](Object&) { return 1; }));
  EXPECT_FALSE(base->addMethod(kValue, [](Object&) { return 9; })) << "add never replaces";
  EXPECT_TRUE(sub->instancesRespondTo("value"));

  EXPECT_EQ(sub->replaceMethod(kValue, [](Object&) { return 2; }), nullptr) << "nothing of its own was replaced";
  auto baseObject = base->createInstance();
  auto subObject = sub->createInstance();
  EXPECT_EQ(send(*baseObject, kValue), 1);
  EXPECT_EQ(send(*subObject, kValue), 2);
  IMP previous = sub->replaceMethod(kValue, [](Object&) { return 3; });
  ASSERT_NE(previous, nullptr);
  EXPECT_EQ(callImplementation(previous, *subObject, kValue), 2);
  EXPECT_EQ(send(*subObject, kValue), 3);
}

TEST(ClassMethods, ClassMethodsLiveInTheMetaclassAndTheirReplacementLeavesInstancesAlone) {
  Class* cls = makeClass(nullptr, "MethodsMeta");
  Class* sub = makeClass(cls, "MethodsMetaSub");
  cls->addMethod(kKind, [](Object&) { return std::string("instance"); });
  cls->metaclass()->addMethod(kKind, [](Object& self) { return "class " + static_cast<Class&>(self).name(); });
  auto object = cls->createInstance();

  EXPECT_EQ(send(*sub, kKind), "class " + sub->name()) << "class methods are inherited with the class as receiver";
  cls->metaclass()->replaceMethod(kKind, [](Object&) { return std::string("replaced"); });
  EXPECT_EQ(send(*cls, kKind), "replaced");
  EXPECT_EQ(send(*object, kKind), "instance");
  EXPECT_FALSE(respondsTo(*cls, kValue));
}

TEST(ClassIvars, AClassListsItsOwnVariablesInOrderWithThePhonesEncodingsAndReadsThem) {
  Class* cls = classOf<Rig>();
  static const bool added = [cls] {
    return cls->addIvar<Rig>("_head", &Rig::head) && cls->addIvar<Rig>("_seat", &Rig::seat) &&
           cls->addIvar<Rig>("_spares", &Rig::spares) && cls->addIvar<Rig>("_label", &Rig::label) &&
           cls->addIvar<Rig>("_locked", &Rig::locked) && cls->addIvar<Rig>("_frames", &Rig::frames) &&
           cls->addIvar<Rig>("_tilt", &Rig::tilt);
  }();
  ASSERT_TRUE(added);
  EXPECT_FALSE(cls->addIvar<Rig>("_head", &Rig::head)) << "a name is listed once";
  EXPECT_FALSE(cls->addIvar<Rig>("", &Rig::head));
  EXPECT_FALSE(cls->metaclass()->addIvar<Rig>("_classHead", &Rig::head)) << "a metaclass has no instances";

  std::vector<std::pair<std::string, std::string>> listed;
  for (const auto& ivar : cls->ivarList()) listed.emplace_back(ivar.name(), ivar.typeEncoding());
  EXPECT_EQ(listed, (std::vector<std::pair<std::string, std::string>>{{"_head", "@\"ClassTestGadget\""},
                                                                       {"_seat", "@"},
                                                                       {"_spares", "@\"NSArray\""},
                                                                       {"_label", "@\"NSString\""},
                                                                       {"_locked", "B"},
                                                                       {"_frames", "q"},
                                                                       {"_tilt", "f"}}));

  auto rig = std::make_shared<Rig>();
  rig->head = std::make_shared<Gadget>();
  rig->spares = {rig->head, nullptr};
  const auto list = cls->ivarList();
  EXPECT_EQ(list[0].valueIn(*rig).objectAs<Gadget>(), rig->head);
  EXPECT_TRUE(list[1].valueIn(*rig).isNil()) << "a weak variable whose object is gone holds none";
  EXPECT_EQ(list[2].valueIn(*rig), foundation::Value(foundation::Array{foundation::Value(rig->head), {}}));
  EXPECT_EQ(list[3].valueIn(*rig), foundation::Value("A"));
  EXPECT_EQ(list[5].valueIn(*rig), foundation::Value(24));
  EXPECT_TRUE(list[0].valueIn(Object()).isNil()) << "an instance of another class has no such variable";
}

TEST(ClassProtocols, ConformanceIsInheritedThroughClassesAndProtocols) {
  const std::string baseName = freshName("ProtocolsBase");
  Protocol* base = Protocol::define(baseName, {{"value", true}});
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(Protocol::define(baseName), nullptr);
  EXPECT_EQ(Protocol::obtain(baseName), base);
  Protocol* derived = Protocol::define(freshName("ProtocolsDerived"), {{"kind", false}}, {base});
  Protocol* unrelated = Protocol::define(freshName("ProtocolsUnrelated"));

  Class* cls = makeClass(nullptr, "ProtocolsAdopter");
  Class* sub = makeClass(cls, "ProtocolsAdopterSub");
  EXPECT_TRUE(cls->addProtocol(derived));
  EXPECT_FALSE(cls->addProtocol(derived));
  EXPECT_TRUE(sub->conformsTo(base));
  EXPECT_FALSE(sub->conformsTo(unrelated));
  EXPECT_FALSE(cls->conformsTo(nullptr));
  ASSERT_TRUE(derived->method("value").has_value()) << "inherited from the base protocol";
  EXPECT_FALSE(derived->method("kind", false).has_value());
}

}  // namespace
}  // namespace platform::runtime
