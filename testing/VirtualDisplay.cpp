#include "testing/VirtualDisplay.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

extern char** environ;

namespace ostrel::testing {

bool VirtualDisplay::available() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

std::unique_ptr<VirtualDisplay> VirtualDisplay::start(int width, int height) {
  int fds[2];
  if (pipe(fds) != 0) return nullptr;
  // Spawned, not forked: a test program has threads (a loopback server's), and a forked child that
  // allocates before its exec can hang for ever on a lock one of them held.
  std::string fd = std::to_string(fds[1]);
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  std::vector<std::string> arguments = {"Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp"};
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (failed) {
    close(fds[0]);
    return nullptr;
  }
  auto display = std::unique_ptr<VirtualDisplay>(new VirtualDisplay(pid));
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  char c;
  // Xvfb writes the number once it accepts connections; a broken install gives up after 20 s.
  while (poll(&p, 1, 20000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) return nullptr;
  display->name = ":" + number;
  return display;
}

std::vector<std::pair<std::string, std::string>> VirtualDisplay::environment() const {
  return {{"DISPLAY", name}, {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ostrel-test-no-session-bus"}};
}

VirtualDisplay::~VirtualDisplay() {
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace ostrel::testing
