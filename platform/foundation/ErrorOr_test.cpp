#include "platform/foundation/ErrorOr.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using platform::foundation::Error;
using platform::foundation::ErrorOr;

ErrorOr<int> parsePositive(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
    return Error::make("Test", 1, "not a number: " + text);
  return std::stoi(text);
}

ErrorOr<int> sumOfTwo(const std::string& a, const std::string& b) { return TRY(parsePositive(a)) + TRY(parsePositive(b)); }

std::vector<std::string> steps;
ErrorOr<void> step(const std::string& name, bool fails) {
  steps.push_back(name);
  if (fails) return Error::make("Test", 2, name + " failed");
  return {};
}

ErrorOr<void> threeSteps(bool secondFails) {
  TRY(step("one", false));
  TRY(step("two", secondFails));
  TRY(step("three", false));
  return {};
}

TEST(ErrorOrTest, TryHandsTheFirstErrorOnAndStopsThere) {
  EXPECT_EQ(sumOfTwo("2", "40").value(), 42);
  auto failed = sumOfTwo("2", "x");
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.error().code, 1);
  EXPECT_EQ(failed.error().localizedDescription(), "not a number: x");

  steps.clear();
  EXPECT_TRUE(threeSteps(false).ok());
  EXPECT_EQ(steps, (std::vector<std::string>{"one", "two", "three"}));
  steps.clear();
  auto stopped = threeSteps(true);
  ASSERT_FALSE(stopped.ok());
  EXPECT_EQ(stopped.error().code, 2);
  EXPECT_EQ(steps, (std::vector<std::string>{"one", "two"})) << "nothing runs after the failing step";
}

TEST(ErrorOrTest, ValuesThatOnlyMoveTravelThroughTry) {
  auto make = [](bool fails) -> ErrorOr<std::unique_ptr<int>> {
    if (fails) return Error::make("Test", 3);
    return std::make_unique<int>(7);
  };
  auto unwrap = [&](bool fails) -> ErrorOr<int> {
    std::unique_ptr<int> owned = TRY(make(fails));
    return *owned;
  };
  EXPECT_EQ(unwrap(false).value(), 7);
  EXPECT_EQ(unwrap(true).error().code, 3);
  EXPECT_EQ(make(true).errorIfAny()->code, 3);
  EXPECT_FALSE(make(false).errorIfAny());
  EXPECT_EQ(parsePositive("x").valueOr(-1), -1);
}

}  // namespace
