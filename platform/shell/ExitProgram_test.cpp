#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/dispatch/ProcessEnd.h"
#include "platform/shell/Shell.h"
#include "testing/ChildProcess.h"

namespace platform::shell {
namespace {

constexpr const char* kRoleVariable = "OSTREL_EXIT_PROGRAM_TEST_ROLE";

// Says so when it is torn down: whether the program's statics were destroyed shows in its output.
struct TornDown {
  ~TornDown() { std::fputs("[statics torn down]", stdout); }
};

TEST(ExitProgramChild, Run) {
  const char* role = std::getenv(kRoleVariable);
  if (!role) GTEST_SKIP() << "runs only as a child process";
  static TornDown watched;
  // Output still in the buffers at the end: a pipe makes stdio hold it until a flush.
  std::cout << "[stream text]";
  std::printf("[stdio text]");
  if (std::string(role) == "ended") dispatch::ProcessEnd::run();
  exitProgram(7);
}

// The child's output and exit status.
std::pair<std::string, int> runChild(const std::string& role) {
  auto environment = ostrel::testing::environmentWithout({kRoleVariable});
  environment.push_back(std::string(kRoleVariable) + "=" + role);
  auto child =
      ostrel::testing::ChildProcess::start({"/proc/self/exe", "--gtest_filter=ExitProgramChild.Run"}, environment);
  if (!child) return {"", -1};
  const int status = child->wait();
  return {child->output(), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(ExitProgram, AfterTheOrderedEndKeepsStatusAndOutputAndSkipsTheTeardown) {
  const auto [output, status] = runChild("ended");
  EXPECT_EQ(status, 7) << output;
  EXPECT_NE(output.find("[stream text]"), std::string::npos) << output;
  EXPECT_NE(output.find("[stdio text]"), std::string::npos) << output;
  EXPECT_EQ(output.find("[statics torn down]"), std::string::npos) << output;
}

TEST(ExitProgram, WithoutTheOrderedEndEndsTheUsualWay) {
  const auto [output, status] = runChild("not-ended");
  EXPECT_EQ(status, 7) << output;
  EXPECT_NE(output.find("[stdio text]"), std::string::npos) << output;
  EXPECT_NE(output.find("[statics torn down]"), std::string::npos) << output;
}

}  // namespace
}  // namespace platform::shell
