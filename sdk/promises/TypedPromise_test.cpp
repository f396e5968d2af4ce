#include "sdk/promises/TypedPromise.h"

#include <gtest/gtest.h>

#include "sdk/promises/PromiseTestSupport.h"

namespace sdk::promises {

using ostrel::testing::PromiseTest;

namespace {

struct Installation final : platform::foundation::Object {
  explicit Installation(std::string id) : id(std::move(id)) {}
  std::string id;
};

}  // namespace

TEST_F(PromiseTest, TypedChainsConvertAtTheEdgesAndMixWithErasedOperators) {
  TypedPromise<std::int64_t> count;
  auto text = count.then([](const std::int64_t& n) { return std::to_string(n * 2); });
  auto object = text.then([](const std::string& s) { return std::make_shared<Installation>("id-" + s); });
  auto followed = object.then([](const std::shared_ptr<Installation>& installation) {
    return TypedPromise<std::string>::resolved(installation->id + "!");
  });
  auto checked = count.validate([](const std::int64_t& n) { return n < 0; });
  auto failing = TypedPromise<std::string>::async([this](auto, auto reject) { reject(testError(3)); });
  std::int64_t caught = 0;
  auto recovered = failing.catchError([&](const Error& e) { caught = e.code; }).recover([](const Error& e) {
    return "recovered " + std::to_string(e.code);
  });
  auto failedAgain = failing.then([](const auto&) { return TypedPromise<bool>::rejected(Error{"x", 1, {}}); });
  auto both = Promise::any({recovered, failing});  // typed promises go into the erased combinators as they are
  count.fulfill(21);
  waitForPromises();
  EXPECT_EQ(followed.value(), "id-42!");
  EXPECT_EQ(checked.error()->code, kPromiseErrorCodeValidationFailure);
  EXPECT_EQ(caught, 3);
  EXPECT_EQ(failedAgain.error()->code, 3);
  EXPECT_EQ(both->value().at(0), Value("recovered 3"));
  EXPECT_EQ(errorFromValue(both->value().at(1))->code, 3);
}

}  // namespace sdk::promises

