#include "sdk/analytics/rules/SpareLargeBlocks.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace sdk::analytics {

namespace {

constexpr std::size_t kLarge = SpareLargeBlocks::kSmallest;

// Each case runs on a thread of its own, whose list starts empty.
template <typename F>
void onFreshThread(F&& body) {
  std::thread(std::forward<F>(body)).join();
}

TEST(SpareLargeBlocks, AFreedBlockServesTheNextListOfItsSizeOnly) {
  onFreshThread([] {
    auto* block = SpareLargeBlocks::take(2 * kLarge);
    SpareLargeBlocks::give(block, 2 * kLarge);
    EXPECT_EQ(SpareLargeBlocks::keptBytes(), 2 * kLarge);
    auto* other = SpareLargeBlocks::take(4 * kLarge);
    EXPECT_NE(other, block);
    EXPECT_EQ(SpareLargeBlocks::take(2 * kLarge), block);
    EXPECT_EQ(SpareLargeBlocks::keptBytes(), 0u);
    SpareLargeBlocks::give(other, 4 * kLarge);
    SpareLargeBlocks::give(block, 2 * kLarge);
  });
}

TEST(SpareLargeBlocks, KeepsAFewMegabytesAndDropsTheOldestFirst) {
  onFreshThread([] {
    const auto half = SpareLargeBlocks::kKeptBytes / 2;
    auto* first = SpareLargeBlocks::take(half);
    auto* second = SpareLargeBlocks::take(half);
    auto* third = SpareLargeBlocks::take(half);
    SpareLargeBlocks::give(first, half);
    SpareLargeBlocks::give(second, half);
    SpareLargeBlocks::give(third, half);
    EXPECT_EQ(SpareLargeBlocks::keptBytes(), SpareLargeBlocks::kKeptBytes);
    // The two kept are the last two freed.
    const auto* a = SpareLargeBlocks::take(half);
    const auto* b = SpareLargeBlocks::take(half);
    EXPECT_TRUE((a == third && b == second) || (a == second && b == third));
    SpareLargeBlocks::give(const_cast<void*>(a), half);
    SpareLargeBlocks::give(const_cast<void*>(b), half);
    // A block larger than all that may be kept is freed at once; so is one past the count.
    SpareLargeBlocks::give(SpareLargeBlocks::take(2 * SpareLargeBlocks::kKeptBytes), 2 * SpareLargeBlocks::kKeptBytes);
    EXPECT_EQ(SpareLargeBlocks::keptBytes(), SpareLargeBlocks::kKeptBytes);
    std::vector<void*> many;
    for (std::size_t i = 0; i <= SpareLargeBlocks::kKeptBlocks; ++i) many.push_back(SpareLargeBlocks::take(kLarge + i * 16));
    for (std::size_t i = 0; i < many.size(); ++i) SpareLargeBlocks::give(many[i], kLarge + i * 16);
    EXPECT_LE(SpareLargeBlocks::keptBytes(), SpareLargeBlocks::kKeptBytes);
    // The first of them went: a list of its size comes from malloc, not from what is kept (malloc
    // itself may well hand back the same address, so the address says nothing).
    const auto keptBefore = SpareLargeBlocks::keptBytes();
    auto* taken = SpareLargeBlocks::take(kLarge);
    EXPECT_EQ(SpareLargeBlocks::keptBytes(), keptBefore);
    SpareLargeBlocks::give(taken, kLarge);
  });
}

TEST(SpareLargeBlocks, SmallListsGoThroughMallocAndEveryListStillWorks) {
  onFreshThread([] {
    std::vector<int, LargeListAllocator<int>> values;
    for (int i = 0; i < 100'000; ++i) values.push_back(i);
    const auto* data = values.data();
    const auto capacity = values.capacity();
    values = decltype(values)();
    EXPECT_GT(SpareLargeBlocks::keptBytes(), 0u);
    std::vector<int, LargeListAllocator<int>> again;
    again.reserve(capacity);
    EXPECT_EQ(again.data(), data);
    again.push_back(7);
    EXPECT_EQ(again[0], 7);
    const auto kept = SpareLargeBlocks::keptBytes();
    std::vector<int, LargeListAllocator<int>> small(10, 1);
    small = decltype(small)();
    EXPECT_EQ(SpareLargeBlocks::keptBytes(), kept);
  });
}

}  // namespace

}  // namespace sdk::analytics
