#include "platform/runtime/SharedLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace platform::runtime {
namespace {

using Function = double (*)(double, double);

// Two functions of the C maths library, which every process has.
struct Maths {
  void bind(SharedLibrary::Binder& binder) { binder("hypot", hypot)("fmax", fmax); }
  Function hypot = nullptr;
  Function fmax = nullptr;
};

// A table naming a function the maths library does not have.
struct NotMaths {
  void bind(SharedLibrary::Binder& binder) { binder("hypot", hypot)("SDL_GetError", missing)("fmax", fmax); }
  Function hypot = nullptr;
  void (*missing)() = nullptr;
  Function fmax = nullptr;
};

TEST(SharedLibrary, LoadsOnceAndCallsThrough) {
  std::string error;
  const Maths* library = SharedLibrary::load<Maths>("libm.so.6", "the maths library", &error);
  ASSERT_NE(library, nullptr) << error;
  EXPECT_EQ(library->hypot(3, 4), 5);
  EXPECT_EQ(library->fmax(-1, 2), 2);
  EXPECT_EQ(SharedLibrary::load<Maths>("libm.so.6", "the maths library"), library) << "one table a name";
}

TEST(SharedLibrary, SaysWhatIsMissingEveryTimeItIsAsked) {
  std::string error;
  EXPECT_EQ(SharedLibrary::load<Maths>("libostrel-not-installed.so.0", "the test's library", &error), nullptr);
  EXPECT_EQ(error.find("the test's library cannot be loaded: "), 0u) << error;
  EXPECT_NE(error.find("libostrel-not-installed.so.0"), std::string::npos) << error;

  // A library that loads but lacks a function: the first one missing is named, and no half-bound table
  // is handed out, neither now nor at a later ask.
  for (int ask = 0; ask < 2; ++ask) {
    error.clear();
    EXPECT_EQ(SharedLibrary::load<NotMaths>("libm.so.6", "the test's library", &error), nullptr);
    EXPECT_EQ(error, "the test's library libm.so.6 has no SDL_GetError") << "ask " << ask;
  }
}

}  // namespace
}  // namespace platform::runtime
