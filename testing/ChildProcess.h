#pragma once

#include <signal.h>
#include <sys/types.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::testing {

// Starts this test program again as a second process that runs only the test named `test` (a gtest
// filter), with `environment` ("NAME=value" entries) put before the current environment so they win.
// Tests that must show what survives a process boundary run one half in such a child. -1 when the
// process cannot be started. `arguments` follow the filter on the child's command line, for code that
// reads its launch arguments.
pid_t spawnTestChild(const std::string& test, const std::vector<std::string>& environment,
                     const std::vector<std::string>& arguments = {});

// Waits for a child; its exit status, or -1 when it could not be waited for or did not exit normally.
int waitTestChild(pid_t pid);

// This process's environment ("NAME=value") without the entries whose names begin with one of
// `prefixes`, for a child that must not inherit them.
std::vector<std::string> environmentWithout(std::initializer_list<std::string_view> prefixes);

// `environment` with `library` preloaded into the program, ahead of whatever it preloaded before (one
// LD_PRELOAD entry: a second one would leave which is taken to the reader). The sanitizers' runtime
// is told to accept a library loaded ahead of it, which it would otherwise refuse to start with.
std::vector<std::string> environmentPreloading(std::vector<std::string> environment, const std::string& library);

// How a raw wait status ended, for a test's message: "exit status 3", "signal 11".
std::string describeWaitStatus(int status);

// A program a test starts, its output (stdout and stderr together) read through a pipe, so the test
// can wait for what the program says instead of sleeping. If it still runs when the object goes, it
// is killed, by its id, and waited for.
class ChildProcess {
 public:
  // Null when the program cannot be started. `arguments` start with the program's path;
  // `environment` is its whole environment.
  static std::unique_ptr<ChildProcess> start(const std::vector<std::string>& arguments,
                                             const std::vector<std::string>& environment);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Reads its output until `text` has appeared `times` times (true), or the program ended or
  // `timeoutSeconds` passed, a safety net for a test that would otherwise hang (false).
  bool waitForOutput(std::string_view text, int times = 1, double timeoutSeconds = 120);
  void signal(int signal) const;
  // Stops the program (SIGSTOP) and waits until every one of its threads has stopped, so that nothing
  // it was writing lands afterwards; false when it ended instead. resume() lets it go on.
  bool stop();
  // Waits until the program has stopped itself (SIGSTOP: every one of its threads stopped), reading its
  // output meanwhile; false when it ended instead, or still ran after `timeoutSeconds`, a safety net
  // for a test that would otherwise hang. resume() lets it go on.
  bool waitForStop(double timeoutSeconds = 120);
  void resume() const { signal(SIGCONT); }
  // Reads the rest of its output and waits for its end: the raw wait status, -1 when it could not be
  // waited for.
  int wait();
  // As wait(), but a program still running after `seconds` is killed (-1): a guard for a test that
  // would otherwise hang, never a measure of speed.
  int waitAtMost(double seconds);
  const std::string& output() const { return output_; }
  // The most memory the program held at once (its peak resident set, KiB), known once it has ended
  // and been waited for; -1 before. Its own, whatever other children this process had.
  long peakMemoryKiB() const { return peakKiB_; }

  // Runs a program to its end, which must be status 0 (otherwise a test failure says how it ended and
  // what it said); its output. With `hangGuardSeconds`, one still running after that long is killed
  // and a failure says it hung.
  static std::string runToSuccess(const std::vector<std::string>& arguments,
                                  const std::vector<std::string>& environment, double hangGuardSeconds = 0);

 private:
  ChildProcess(pid_t pid, int output, int exited) : pid_(pid), outputFD_(output), exitedFD_(exited) {}
  // Reads what the pipe holds, waiting up to `timeoutMs` for something to happen; false once the
  // program has ended and its output is all read.
  bool readSome(int timeoutMs);
  // Reads all the pipe holds now; false once it has reached the end.
  bool drainOutput();
  // waitpid() for the program that also keeps its peak memory once it has ended.
  pid_t reap(int* status, int options);
  // Takes a stop the kernel reported for the program (true), or its end (false, as ended).
  bool tookStop(pid_t waited, int status);

  pid_t pid_;
  int outputFD_;
  int exitedFD_;  // readable once the program has ended
  bool outputOpen_ = true;
  bool ended_ = false;
  bool hung_ = false;  // killed by waitAtMost
  int status_ = -1;
  long peakKiB_ = -1;
  std::string output_;
};

}  // namespace ostrel::testing
