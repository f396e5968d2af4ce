#include "platform/foundation/ProcessArguments.h"

#include <fstream>
#include <iterator>

namespace platform::foundation {

std::vector<std::string> processArguments() {
  // NUL-separated, one entry per argument, exactly as execve received them.
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    arguments.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

}  // namespace platform::foundation
