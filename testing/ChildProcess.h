#pragma once

#include <sys/types.h>

#include <string>
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

}  // namespace ostrel::testing
