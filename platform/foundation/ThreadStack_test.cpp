#include <gtest/gtest.h>
#include <pthread.h>

#include "platform/foundation/ThreadStack.h"

namespace platform::foundation {
namespace {

// Recurses until less than `reserve` of the stack is left; the depth it reached.
[[gnu::noinline]] int recurseUntilLeft(std::size_t reserve, int depth) {
  volatile char frame[1024] = {};
  if (ThreadStack::bytesLeft() < reserve) return depth + frame[0];
  return recurseUntilLeft(reserve, depth + 1) + frame[1];
}

struct Measured {
  std::size_t atStart = 0;
  int depth = 0;
};

// What is left is measured against the thread's own stack, however small it was made: a thread of
// a megabyte starts with less than that (its thread-local storage takes the top of it, a third of
// it under ThreadSanitizer), and recursing until 64 KB are left neither overflows it nor stops far
// short.
TEST(ThreadStack, MeasuresTheCallingThreadsOwnStack) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 1u << 20);
  Measured measured;
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, [](void* out) -> void* {
    auto& result = *static_cast<Measured*>(out);
    result.atStart = ThreadStack::bytesLeft();
    result.depth = recurseUntilLeft(64u << 10, 0);
    return nullptr;
  }, &measured), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_LT(measured.atStart, 1u << 20);
  ASSERT_GT(measured.atStart, 128u << 10);
  // Frames of a kilobyte and a little more: the recursion used most of what was left above 64 KB.
  const auto room = static_cast<int>((measured.atStart - (64u << 10)) >> 10);
  EXPECT_LE(measured.depth, room);
  EXPECT_GT(measured.depth, room / 4);
  EXPECT_GT(ThreadStack::bytesLeft(), 1u << 20);  // this thread's stack is the process's own
}

}  // namespace
}  // namespace platform::foundation
