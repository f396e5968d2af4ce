#include "platform/foundation/ProcessArguments.h"

#include <fstream>
#include <iterator>
#include <mutex>
#include <set>

namespace platform::foundation {
namespace {

struct DeclaredLaunchArguments {
  std::mutex mutex;
  std::set<std::string, std::less<>> names;
};

// Filled by the libraries' static initialisers, so it must exist before any of them runs; never
// destroyed, as the command line may still be read while statics are torn down.
DeclaredLaunchArguments& declaredNames() {
  static auto* const declared = new DeclaredLaunchArguments;
  return *declared;
}

}  // namespace

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

void declareLaunchArguments(std::initializer_list<std::string_view> names) {
  auto& declared = declaredNames();
  std::lock_guard lock(declared.mutex);
  for (std::string_view name : names) declared.names.emplace(name);
}

bool isDeclaredLaunchArgument(std::string_view name) {
  auto& declared = declaredNames();
  std::lock_guard lock(declared.mutex);
  return declared.names.find(name) != declared.names.end();
}

std::vector<std::string> declaredLaunchArguments() {
  auto& declared = declaredNames();
  std::lock_guard lock(declared.mutex);
  return {declared.names.begin(), declared.names.end()};
}

}  // namespace platform::foundation
