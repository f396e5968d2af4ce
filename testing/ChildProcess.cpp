#include "testing/ChildProcess.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace ostrel::testing {

pid_t spawnTestChild(const std::string& test, const std::vector<std::string>& environment,
                     const std::vector<std::string>& arguments) {
  std::string filter = "--gtest_filter=" + test;
  std::vector<std::string> env = environment;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  std::vector<std::string> extra = arguments;
  std::vector<char*> envp, argv = {const_cast<char*>("/proc/self/exe"), filter.data()};
  for (auto& argument : extra) argv.push_back(argument.data());
  argv.push_back(nullptr);
  for (auto& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  // posix_spawn, not fork: a fork of a threaded test program may inherit a lock another thread held.
  pid_t pid = 0;
  return ::posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), envp.data()) == 0 ? pid : -1;
}

int waitTestChild(pid_t pid) {
  int status = 0;
  if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace ostrel::testing
