#include "platform/foundation/SystemFacts.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <thread>
#include <vector>

using platform::foundation::ScopedSystemFacts;
using platform::foundation::SystemFacts;

TEST(SystemFacts, DefaultsDescribeThisMachine) {
  struct utsname record {};
  ASSERT_EQ(uname(&record), 0);
  const SystemFacts& facts = SystemFacts::defaults();
  EXPECT_EQ(facts.deviceModel.value_or(""), record.machine);
  EXPECT_FALSE(facts.systemVersion.empty());
}

TEST(SystemFacts, ScopedOverridesNestAndRestore) {
  const SystemFacts before = SystemFacts::current();
  {
    SystemFacts store = before;
    store.executableEncrypted = true;
    store.deviceModel = "iPhone15,2";
    ScopedSystemFacts outer(store);
    EXPECT_TRUE(SystemFacts::current().executableEncrypted);
    {
      SystemFacts old = store;
      old.systemVersion = "9.3";
      old.deviceModel.reset();
      ScopedSystemFacts inner(old);
      EXPECT_EQ(SystemFacts::current().systemVersion, "9.3");
      EXPECT_FALSE(SystemFacts::current().deviceModel.has_value());
    }
    EXPECT_EQ(SystemFacts::current().deviceModel.value_or(""), "iPhone15,2");
  }
  EXPECT_EQ(SystemFacts::current().deviceModel, before.deviceModel);
}

TEST(SystemFacts, ReadersOnOtherThreadsSeeWholeFacts) {
  // A reader must never see half of one set of facts and half of another.
  std::vector<std::thread> readers;
  for (int i = 0; i < 4; ++i) {
    readers.emplace_back([] {
      for (int n = 0; n < 2000; ++n) {
        SystemFacts seen = SystemFacts::current();
        if (seen.systemVersion == "9.3") {
          EXPECT_EQ(seen.storeReceiptName, "sandboxReceipt");
        } else {
          EXPECT_EQ(seen.storeReceiptName, "receipt");
        }
      }
    });
  }
  for (int n = 0; n < 2000; ++n) {
    SystemFacts facts = SystemFacts::defaults();
    if (n % 2) {
      facts.systemVersion = "9.3";
      facts.storeReceiptName = "sandboxReceipt";
    }
    SystemFacts::setCurrent(facts);
  }
  for (auto& reader : readers) reader.join();
  SystemFacts::reset();
  EXPECT_EQ(SystemFacts::current().storeReceiptName, "receipt");
}
