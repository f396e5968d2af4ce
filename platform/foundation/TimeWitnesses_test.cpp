#include "platform/foundation/TimeWitnesses.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace platform::foundation {
namespace {

// Witnesses stay for the life of the process: these answer only while the test holds their times.
TEST(TimeWitnesses, TheLatestTimeWithinTheBoundWins) {
  auto times = std::make_shared<std::vector<std::optional<double>>>();
  std::weak_ptr<std::vector<std::optional<double>>> weak = times;
  for (std::size_t i = 0; i < 4; ++i) {
    TimeWitnesses::add([weak, i](double) -> std::optional<double> {
      auto held = weak.lock();
      return held && i < held->size() ? (*held)[i] : std::nullopt;
    });
  }
  TimeWitnesses::add(nullptr);  // nothing to ask
  *times = {1000, std::nullopt, 5000, std::numeric_limits<double>::quiet_NaN()};
  EXPECT_EQ(TimeWitnesses::latestNotAfter(10000), 5000);
  EXPECT_EQ(TimeWitnesses::latestNotAfter(4000), 1000) << "a witness that does not keep to the bound";
  EXPECT_EQ(TimeWitnesses::latestNotAfter(500), std::nullopt);
  times->clear();
  EXPECT_EQ(TimeWitnesses::latestNotAfter(10000), std::nullopt);
}

}  // namespace
}  // namespace platform::foundation
