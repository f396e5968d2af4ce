#include "platform/foundation/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/foundation/AtomicFile.h"

namespace platform::foundation {
namespace {

// Never destroyed: SDK queues may still reach their files while the process exits.
std::mutex& rootMutex() {
  static auto* const mutex = new std::mutex;
  return *mutex;
}

std::string& rootOverrideStorage() {
  static auto* const root = new std::string;
  return *root;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string homeFolder() {
  std::string home = environment("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry {};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir) {
    return found->pw_dir;
  }
  return "/tmp";
}

// Relative roots are made absolute at once so that a later change of working folder cannot move them.
std::string normalised(std::string path) {
  if (!path.empty() && path.front() != '/') {
    std::error_code code;
    auto absolute = std::filesystem::absolute(path, code);
    if (!code) path = absolute.lexically_normal().string();
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string ensured(const std::string& relative) {
  std::string path = relative.empty() ? Paths::resolvedRoot() : Paths::resolvedRoot() + "/" + relative;
  (void)AtomicFile::createDirectories(path);  // a folder that cannot be made fails the first write in it
  return path;
}

}  // namespace

std::string Paths::setRoot(const std::string& path) {
  std::lock_guard lock(rootMutex());
  std::string previous = rootOverrideStorage();
  rootOverrideStorage() = path.empty() ? std::string() : normalised(path);
  return previous;
}

std::string Paths::rootOverride() {
  std::lock_guard lock(rootMutex());
  return rootOverrideStorage();
}

std::string Paths::resolvedRoot() {
  std::string overridden = rootOverride();
  if (!overridden.empty()) return overridden;
  std::string home = environment("OSTREL_HOME");
  if (!home.empty()) return normalised(home);
  // The XDG rules say a relative value is invalid and must be ignored.
  std::string data = environment("XDG_DATA_HOME");
  if (!data.empty() && data.front() == '/') return normalised(data) + "/ostrel";
  return normalised(homeFolder()) + "/.local/share/ostrel";
}

std::string Paths::root() { return ensured(""); }
std::string Paths::documents() { return ensured("Documents"); }
std::string Paths::library() { return ensured("Library"); }
std::string Paths::caches() { return ensured("Library/Caches"); }
std::string Paths::applicationSupport() { return ensured("Library/Application Support"); }
std::string Paths::preferences() { return ensured("Library/Preferences"); }
std::string Paths::tmp() { return ensured("tmp"); }

}  // namespace platform::foundation
