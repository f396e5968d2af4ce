#include "testing/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

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

std::vector<std::string> environmentWithout(std::initializer_list<std::string_view> prefixes) {
  std::vector<std::string> kept;
  for (char** e = environ; *e; ++e) {
    std::string_view entry = *e;
    if (std::none_of(prefixes.begin(), prefixes.end(), [&](std::string_view p) { return entry.starts_with(p); })) {
      kept.emplace_back(entry);
    }
  }
  return kept;
}

std::vector<std::string> environmentPreloading(std::vector<std::string> environment, const std::string& library) {
  constexpr std::string_view kPreload = "LD_PRELOAD=", kSanitizer = "ASAN_OPTIONS=";
  constexpr std::string_view kAnyLinkOrder = "verify_asan_link_order=0";
  std::string preloaded = std::string(kPreload) + library;
  std::string sanitizer = std::string(kSanitizer) + std::string(kAnyLinkOrder);
  std::erase_if(environment, [&](const std::string& entry) {
    if (entry.starts_with(kPreload)) {
      if (entry.size() > kPreload.size()) preloaded += ":" + entry.substr(kPreload.size());
      return true;
    }
    if (entry.starts_with(kSanitizer)) {
      if (entry.size() > kSanitizer.size()) sanitizer = entry + ":" + std::string(kAnyLinkOrder);
      return true;
    }
    return false;
  });
  environment.push_back(std::move(preloaded));
  environment.push_back(std::move(sanitizer));
  return environment;
}

std::string describeWaitStatus(int status) {
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "wait status " + std::to_string(status);
}

std::string ChildProcess::runToSuccess(const std::vector<std::string>& arguments,
                                       const std::vector<std::string>& environment, double hangGuardSeconds) {
  auto program = start(arguments, environment);
  if (!program) {
    ADD_FAILURE() << arguments.front() << " did not start";
    return {};
  }
  const int status = hangGuardSeconds > 0 ? program->waitAtMost(hangGuardSeconds) : program->wait();
  if (program->hung_) {
    ADD_FAILURE() << arguments.front() << " hung: still running after " << hangGuardSeconds << " s\n" << program->output();
    return program->output();
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << describeWaitStatus(status) << "\n" << program->output();
  return program->output();
}

std::unique_ptr<ChildProcess> ChildProcess::start(const std::vector<std::string>& arguments,
                                                  const std::vector<std::string>& environment) {
  if (arguments.empty()) return nullptr;
  std::vector<std::string> args = arguments, env = environment;
  std::vector<char*> argv, envp;
  for (auto& argument : args) argv.push_back(argument.data());
  for (auto& entry : env) envp.push_back(entry.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  // Close-on-exec, so no other program this test starts holds the pipe open; the child's copies are
  // made by dup2, which clears the flag.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return nullptr;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
  pid_t pid = -1;
  const int failed = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  // Called by number: the C library's header of this release declares it without C linkage.
  const int exited = failed ? -1 : static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (failed || exited < 0) {
    if (!failed) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    ::close(fds[0]);
    return nullptr;
  }
  ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
  return std::unique_ptr<ChildProcess>(new ChildProcess(pid, fds[0], exited));
}

ChildProcess::~ChildProcess() {
  if (!ended_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  ::close(outputFD_);
  ::close(exitedFD_);
}

void ChildProcess::signal(int signal) const {
  if (!ended_) ::kill(pid_, signal);
}

bool ChildProcess::stop() {
  if (ended_) return false;
  ::kill(pid_, SIGSTOP);
  // The kernel tells a parent of the stop only once the last of the program's threads has stopped,
  // each after the system call it was in returned.
  int status = -1;
  pid_t waited = -1;
  while ((waited = reap(&status, WUNTRACED)) < 0 && errno == EINTR) {
  }
  return tookStop(waited, status);
}

pid_t ChildProcess::reap(int* status, int options) {
  rusage usage{};
  const pid_t waited = ::wait4(pid_, status, options, &usage);
  if (waited == pid_ && !WIFSTOPPED(*status)) peakKiB_ = usage.ru_maxrss;
  return waited;
}

bool ChildProcess::tookStop(pid_t waited, int status) {
  if (waited == pid_ && WIFSTOPPED(status)) return true;
  if (waited == pid_) {
    status_ = status;
    ended_ = true;
    if (outputOpen_) outputOpen_ = drainOutput();
  }
  return false;
}

bool ChildProcess::waitForStop(double timeoutSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  // Its output is read while it runs: a program blocked on a full pipe would never get to its stop.
  while (!ended_) {
    int status = -1;
    pid_t waited = -1;
    while ((waited = reap(&status, WUNTRACED | WNOHANG)) < 0 && errno == EINTR) {
    }
    if (waited == pid_) {
      const bool stopped = tookStop(waited, status);
      if (stopped && outputOpen_) outputOpen_ = drainOutput();
      return stopped;
    }
    if (std::chrono::steady_clock::now() >= deadline || !readSome(100)) return false;
  }
  return false;
}

bool ChildProcess::drainOutput() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(outputFD_, buffer, sizeof buffer);
    if (n > 0) {
      output_.append(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return n < 0;  // nothing more for now, or every writer gone
    }
  }
}

bool ChildProcess::readSome(int timeoutMs) {
  if (outputOpen_) outputOpen_ = drainOutput();
  if (ended_) return false;
  // A helper the program started may hold the pipe after the program itself has gone, so its end is
  // watched on its own.
  pollfd watched[2] = {{outputOpen_ ? outputFD_ : -1, POLLIN, 0}, {exitedFD_, POLLIN, 0}};
  if (::poll(watched, 2, timeoutMs) > 0 && (watched[1].revents & POLLIN)) {
    int status = -1;
    while (reap(&status, 0) < 0 && errno == EINTR) {
    }
    status_ = status;
    ended_ = true;
    if (outputOpen_) outputOpen_ = drainOutput();  // what it wrote just before it went
  }
  return !ended_;
}

bool ChildProcess::waitForOutput(std::string_view text, int times, double timeoutSeconds) {
  auto seen = [&] {
    int count = 0;
    for (auto at = output_.find(text); at != std::string::npos; at = output_.find(text, at + text.size())) ++count;
    return count >= times;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (!seen()) {
    if (std::chrono::steady_clock::now() >= deadline || !readSome(100)) return seen();
  }
  return true;
}

int ChildProcess::wait() {
  while (readSome(-1)) {
  }
  return status_;
}

int ChildProcess::waitAtMost(double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (readSome(100)) {
    if (std::chrono::steady_clock::now() < deadline) continue;
    ::kill(pid_, SIGKILL);
    wait();
    hung_ = true;
    return -1;
  }
  return status_;
}

}  // namespace ostrel::testing
