#include "platform/runtime/Object.h"

#include <gtest/gtest.h>

#include "platform/runtime/Class.h"

namespace platform::runtime {
namespace {

// Counts how many of its kind are alive, so a test can see when an associated value is released.
class Tracked : public foundation::Object {
 public:
  explicit Tracked(int& alive) : alive_(alive) { ++alive_; }
  ~Tracked() override { --alive_; }

 private:
  int& alive_;
};

const char kFirstKey = 0;
const char kSecondKey = 0;

TEST(Associations, RetainedValuesLiveExactlyAsLongAsTheirOwner) {
  int alive = 0;
  auto owner = std::make_shared<Object>();
  {
    auto value = std::make_shared<Tracked>(alive);
    setAssociated(*owner, &kFirstKey, value);
  }
  setAssociated(*owner, &kSecondKey, foundation::Value("label"));
  EXPECT_EQ(alive, 1) << "the owner keeps the value";
  EXPECT_NE(associated(*owner, &kFirstKey).objectAs<Tracked>(), nullptr);
  EXPECT_EQ(associated(*owner, &kSecondKey), foundation::Value("label"));
  owner.reset();
  EXPECT_EQ(alive, 0) << "destroying the owner releases what it held";
}

TEST(Associations, ReplacingOrClearingAKeyReleasesTheOldValueOnlyAndAssignedValuesAreNotKept) {
  int alive = 0;
  auto owner = std::make_shared<Object>();
  setAssociated(*owner, &kFirstKey, std::make_shared<Tracked>(alive));
  setAssociated(*owner, &kSecondKey, std::make_shared<Tracked>(alive));
  setAssociated(*owner, &kFirstKey, std::make_shared<Tracked>(alive));
  EXPECT_EQ(alive, 2);
  setAssociated(*owner, &kFirstKey, foundation::Value());
  EXPECT_EQ(alive, 1);
  removeAssociated(*owner);
  EXPECT_EQ(alive, 0);
  EXPECT_TRUE(associated(*owner, &kSecondKey).isNil());

  auto value = std::make_shared<Tracked>(alive);
  setAssociated(*owner, &kFirstKey, value, Association::Assign);
  EXPECT_EQ(associated(*owner, &kFirstKey).objectAs<Tracked>(), value);
  value.reset();
  EXPECT_EQ(alive, 0);
  EXPECT_TRUE(associated(*owner, &kFirstKey).isNil()) << "a gone assigned object reads as nil";
}

// An owner that is its own associated value's only link back must not dead-lock on release.
TEST(Associations, AValueWhoseReleaseTouchesTheOwnerDoesNotDeadlock) {
  struct Toucher : foundation::Object {
    runtime::Object* owner = nullptr;
    ~Toucher() override { (void)associated(*owner, &kSecondKey); }
  };
  auto owner = std::make_shared<Object>();
  auto toucher = std::make_shared<Toucher>();
  toucher->owner = owner.get();
  setAssociated(*owner, &kFirstKey, toucher);
  toucher.reset();
  setAssociated(*owner, &kFirstKey, foundation::Value(1));
  EXPECT_EQ(associated(*owner, &kFirstKey), foundation::Value(1));
}

TEST(Objects, PlainObjectsBelongToTheRootClassAndIgnoreANullClass) {
  auto object = std::make_shared<Object>();
  EXPECT_EQ(object->getClass()->name(), "NSObject");
  EXPECT_EQ(object->setClass(nullptr), Class::root());
  EXPECT_EQ(object->getClass(), Class::root());
}

}  // namespace
}  // namespace platform::runtime
