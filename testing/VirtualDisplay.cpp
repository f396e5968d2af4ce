#include "testing/VirtualDisplay.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace ostrel::testing {

bool VirtualDisplay::available() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

std::unique_ptr<VirtualDisplay> VirtualDisplay::start() {
  int fds[2];
  if (pipe(fds) != 0) return nullptr;
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1800x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
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

VirtualDisplay::~VirtualDisplay() {
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace ostrel::testing
