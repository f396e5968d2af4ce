#include "app/storage/connection/SelectionTrust.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/foundation/Check.h"

namespace app::storage {
namespace {

// The record is the main thread's, as every catalogue is: a write noted from another thread stops a
// debug run instead of racing with the screens that read it.
TEST(SelectionTrustDeathTest, IsUsedFromTheThreadThatFirstUsedItOnly) {
#if OSTREL_DCHECK_IS_ON
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EQ(SelectionTrust::refusals("/no/catalogue"), 0);
  EXPECT_DEATH(std::thread([] { SelectionTrust::refused("/no/catalogue", "Lenses"); }).join(), "Check failed");
#else
  GTEST_SKIP() << "checks are off in this build";
#endif
}

}  // namespace
}  // namespace app::storage
