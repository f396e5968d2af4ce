#include "platform/runtime/Class.h"

#include <gtest/gtest.h>

#include "platform/runtime/Protocol.h"
#include "platform/runtime/Send.h"

namespace platform::runtime {
namespace {

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

// Forgot its own kRuntimeClass: it must not pass for a Gadget in the class tree.
struct Forgetful : Gadget {};

// The name, or the name and a number when an earlier run in this process took it.
std::string freshName(const std::string& base) {
  for (int n = 1;; ++n) {
    std::string name = n == 1 ? base : base + std::to_string(n);
    if (!Class::named(name) && !Protocol::named(name)) return name;
  }
}

struct Squatted : Object {
  static constexpr NativeClass<Object> kRuntimeClass{"ClassTestSquatted"};
};

TEST(ClassRegistry, RunTimeSubclassIsFoundOnlyOnceRegisteredAndItsNameIsThenTaken) {
  const std::string kRegistryPending = freshName("RegistryPending");
  const std::string kRegistryFromMeta = freshName("RegistryFromMeta");
  Class* cls = Class::allocateClassPair(nullptr, kRegistryPending);
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(Class::named(kRegistryPending), nullptr);
  EXPECT_EQ(Class::allocateClassPair(nullptr, kRegistryPending), nullptr) << "a pending name is taken too";
  EXPECT_EQ(cls->superclass(), Class::root());
  EXPECT_EQ(cls->metaclass()->superclass(), Class::root()->metaclass());

  Class::registerClassPair(cls);
  EXPECT_EQ(Class::named(kRegistryPending), cls);
  EXPECT_TRUE(cls->isRegistered());
  EXPECT_EQ(Class::allocateClassPair(nullptr, kRegistryPending), nullptr);
  EXPECT_FALSE(Class::disposeClassPair(cls)) << "a registered class stays";
  EXPECT_EQ(Class::allocateClassPair(nullptr, ""), nullptr);
  EXPECT_EQ(Class::allocateClassPair(Class::root()->metaclass(), kRegistryFromMeta), nullptr);
}

TEST(ClassRegistry, DisposedPairGivesItsNameBackAndCannotBeRegistered) {
  const std::string kRegistryDisposed = freshName("RegistryDisposed");
  Class* first = Class::allocateClassPair(nullptr, kRegistryDisposed);
  ASSERT_TRUE(Class::disposeClassPair(first));
  Class::registerClassPair(first);
  EXPECT_EQ(Class::named(kRegistryDisposed), nullptr);
  Class* second = Class::allocateClassPair(nullptr, kRegistryDisposed);
  ASSERT_NE(second, nullptr);
  Class::registerClassPair(second);
  EXPECT_EQ(Class::named(kRegistryDisposed), second);
}

TEST(ClassRegistry, NativeClassesAreDeclaredOnceWithTheirImageAndSize) {
  Class* gadget = classOf<Gadget>();
  EXPECT_EQ(Class::named("ClassTestGadget"), gadget);
  EXPECT_EQ(classOf<Gadget>(), gadget);
  EXPECT_EQ(gadget->image(), Image::Platform);
  EXPECT_EQ(gadget->instanceSize(), sizeof(Gadget));
  Class* widget = classOf<Widget>();
  EXPECT_EQ(widget->superclass(), gadget);
  EXPECT_EQ(widget->image(), Image::App) << "the image defaults to the app's";
  EXPECT_EQ(Class::root()->image(), Image::Platform);
}

TEST(ClassRegistry, NativeDeclarationRefusesANameTakenByAnotherClass) {
  Class* squatter = Class::allocateClassPair(nullptr, "ClassTestSquatted");
  Class::registerClassPair(squatter);
  EXPECT_THROW(classOf<Squatted>(), foundation::Exception);
  classOf<Gadget>();
  EXPECT_THROW(classOf<Forgetful>(), foundation::Exception);
}

TEST(ClassInstances, CreateInstanceMakesTheNearestNativeTypeWithTheRequestedClass) {
  const std::string kInstancesGadgetSub = freshName("InstancesGadgetSub");
  auto gadget = classOf<Gadget>()->createInstance();
  ASSERT_NE(std::dynamic_pointer_cast<Gadget>(gadget), nullptr);
  EXPECT_EQ(gadget->getClass(), classOf<Gadget>());

  Class* sub = Class::allocateClassPair(classOf<Gadget>(), kInstancesGadgetSub);
  Class::registerClassPair(sub);
  EXPECT_EQ(sub->instanceSize(), sizeof(Gadget));
  auto made = Class::named(kInstancesGadgetSub)->createInstance();
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
  const std::string kMethodsBase = freshName("MethodsBase");
  const std::string kMethodsSub = freshName("MethodsSub");
  Class* base = Class::allocateClassPair(nullptr, kMethodsBase);
  Class* sub = Class::allocateClassPair(base, kMethodsSub);
  Class::registerClassPair(base);
  Class::registerClassPair(sub);
  ASSERT_TRUE(base->addMethod(kValue, [](Object&) { return 1; }));
  EXPECT_FALSE(base->addMethod(kValue, [](Object&) { return 9; })) << "add never replaces";
  EXPECT_TRUE(sub->instancesRespondTo("value"));
  EXPECT_EQ(sub->ownMethod("value"), nullptr);

  EXPECT_EQ(sub->replaceMethod(kValue, [](Object&) { return 2; }), nullptr) << "nothing of its own was replaced";
  auto baseObject = base->createInstance();
  auto subObject = sub->createInstance();
  EXPECT_EQ(send(*baseObject, kValue), 1);
  EXPECT_EQ(send(*subObject, kValue), 2);
  IMP previous = sub->replaceMethod(kValue, [](Object&) { return 3; });
  ASSERT_NE(previous, nullptr);
  EXPECT_EQ(callImplementation(previous, *subObject, kValue), 2);
  EXPECT_EQ(send(*subObject, kValue), 3);
  EXPECT_EQ(sub->ownMethodNames(), std::vector<std::string>{"value"});
}

TEST(ClassMethods, ClassMethodsLiveInTheMetaclassAndTheirReplacementLeavesInstancesAlone) {
  const std::string kMethodsMeta = freshName("MethodsMeta");
  const std::string kMethodsMetaSub = freshName("MethodsMetaSub");
  Class* cls = Class::allocateClassPair(nullptr, kMethodsMeta);
  Class* sub = Class::allocateClassPair(cls, kMethodsMetaSub);
  Class::registerClassPair(cls);
  Class::registerClassPair(sub);
  cls->addMethod(kKind, [](Object&) { return std::string("instance"); });
  cls->metaclass()->addMethod(kKind, [](Object& self) { return "class " + static_cast<Class&>(self).name(); });
  auto object = cls->createInstance();

  EXPECT_EQ(send(*cls, kKind), "class " + kMethodsMeta);
  EXPECT_EQ(send(*sub, kKind), "class " + kMethodsMetaSub) << "class methods are inherited with the class as receiver";
  cls->metaclass()->replaceMethod(kKind, [](Object&) { return std::string("replaced"); });
  EXPECT_EQ(send(*cls, kKind), "replaced");
  EXPECT_EQ(send(*object, kKind), "instance");
  EXPECT_FALSE(respondsTo(*cls, kValue));
}

TEST(ClassProtocols, ConformanceIsInheritedThroughClassesAndProtocols) {
  const std::string kProtocolsBase = freshName("ProtocolsBase");
  const std::string kProtocolsDerived = freshName("ProtocolsDerived");
  const std::string kProtocolsUnrelated = freshName("ProtocolsUnrelated");
  const std::string kProtocolsAdopter = freshName("ProtocolsAdopter");
  const std::string kProtocolsAdopterSub = freshName("ProtocolsAdopterSub");
  Protocol* base = Protocol::define(kProtocolsBase, {{"value", true}});
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(Protocol::define(kProtocolsBase), nullptr);
  EXPECT_EQ(Protocol::obtain(kProtocolsBase), base);
  Protocol* derived = Protocol::define(kProtocolsDerived, {{"kind", false}}, {base});
  Protocol* unrelated = Protocol::define(kProtocolsUnrelated);

  Class* cls = Class::allocateClassPair(nullptr, kProtocolsAdopter);
  Class* sub = Class::allocateClassPair(cls, kProtocolsAdopterSub);
  Class::registerClassPair(cls);
  Class::registerClassPair(sub);
  EXPECT_TRUE(cls->addProtocol(derived));
  EXPECT_FALSE(cls->addProtocol(derived));
  EXPECT_TRUE(sub->conformsTo(derived));
  EXPECT_TRUE(sub->conformsTo(base));
  EXPECT_FALSE(sub->conformsTo(unrelated));
  EXPECT_FALSE(cls->conformsTo(nullptr));

  ASSERT_TRUE(derived->method("value").has_value());
  EXPECT_TRUE(derived->method("value")->required);
  EXPECT_FALSE(derived->method("kind")->required);
  EXPECT_FALSE(derived->method("kind", false).has_value());
  EXPECT_EQ(Protocol::named(kProtocolsDerived), derived);
}

}  // namespace
}  // namespace platform::runtime
