#include "testing/ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ostrel::testing {
namespace {

// Each program's peak is its own: a small one reaped after a large one does not take the large one's,
// as the peak of all the children reaped so far (getrusage of RUSAGE_CHILDREN) does.
TEST(ChildProcess, KeepsEachProgramsOwnPeakMemory) {
  const std::vector<std::string> environment = {"PATH=/usr/bin:/bin", "LC_ALL=C"};
  auto large = ChildProcess::start({"/bin/dd", "if=/dev/zero", "of=/dev/null", "bs=192M", "count=1"}, environment);
  ASSERT_TRUE(large);
  EXPECT_EQ(large->peakMemoryKiB(), -1);
  ASSERT_EQ(large->wait(), 0) << large->output();
  auto small = ChildProcess::start({"/bin/true"}, environment);
  ASSERT_TRUE(small);
  ASSERT_EQ(small->wait(), 0) << small->output();
  EXPECT_GE(large->peakMemoryKiB(), 150 * 1024);
  EXPECT_GT(small->peakMemoryKiB(), 0);
  EXPECT_LT(small->peakMemoryKiB(), 64 * 1024);
}

// A library preloaded into a program goes ahead of one the environment already preloaded, and both
// are loaded: two LD_PRELOAD entries would leave one of them out.
TEST(ChildProcess, PreloadsALibraryAheadOfAnInheritedOne) {
  const std::vector<std::string> inherited = {"PATH=/usr/bin:/bin", "LD_PRELOAD=libm.so.6", "ASAN_OPTIONS=detect_leaks=1"};
  const std::vector<std::string> environment = environmentPreloading(inherited, "libz.so.1");
  EXPECT_EQ(std::count_if(environment.begin(), environment.end(),
                          [](const std::string& entry) { return entry.starts_with("LD_PRELOAD="); }),
            1);
  EXPECT_NE(std::find(environment.begin(), environment.end(), "ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0"),
            environment.end());
  const std::string maps = ChildProcess::runToSuccess({"/bin/cat", "/proc/self/maps"}, environment);
  EXPECT_NE(maps.find("/libz.so.1"), std::string::npos) << maps;
  EXPECT_NE(maps.find("/libm.so.6"), std::string::npos) << maps;
  const std::string fresh = ChildProcess::runToSuccess({"/bin/sh", "-c", "printf %s \"$LD_PRELOAD|$ASAN_OPTIONS\""},
                                                       environmentPreloading({"PATH=/usr/bin:/bin"}, "libz.so.1"));
  EXPECT_EQ(fresh, "libz.so.1|verify_asan_link_order=0");
}

}  // namespace
}  // namespace ostrel::testing
