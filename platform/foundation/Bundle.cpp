#include "platform/foundation/Bundle.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/PropertyList.h"

namespace platform::foundation {
namespace {

// The main bundle's state is never destroyed: SDK work still running on other threads while the
// process exits may read the bundle after static destructors have run.
std::mutex& mainMutex() {
  static auto* const mutex = new std::mutex;
  return *mutex;
}

std::string& mainOverride() {
  static auto* const path = new std::string;
  return *path;
}

std::string executableFolder() {
  std::error_code code;
  auto executable = std::filesystem::read_symlink("/proc/self/exe", code);
  if (code) return ".";
  return executable.parent_path().string();
}

std::string resolvedMainPath() {
  std::string overridden = mainOverride();
  if (!overridden.empty()) return overridden;
  if (const char* fromEnvironment = std::getenv("OSTREL_BUNDLE"); fromEnvironment && *fromEnvironment) {
    return fromEnvironment;
  }
  static const auto* const beside = new std::string(executableFolder() + "/bundle");
  return *beside;
}

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool climbsOut(const std::string& relative) {
  for (const auto& part : std::filesystem::path(relative)) {
    if (part == "..") return true;
  }
  return !relative.empty() && relative.front() == '/';
}

}  // namespace

Bundle::Bundle(std::string path) : path_(withoutTrailingSlash(std::move(path))) {}

std::shared_ptr<const Bundle> Bundle::main() {
  std::lock_guard lock(mainMutex());
  static auto* const current = new std::shared_ptr<const Bundle>;
  std::string path = withoutTrailingSlash(resolvedMainPath());
  if (!*current || (*current)->bundlePath() != path) *current = std::make_shared<Bundle>(path);
  return *current;
}

std::string Bundle::setMainPath(const std::string& path) {
  std::lock_guard lock(mainMutex());
  std::string previous = mainOverride();
  mainOverride() = path;
  return previous;
}

std::string Bundle::pathForResource(const std::string& name, const std::string& type,
                                    const std::string& subdirectory) const {
  if (name.empty() || climbsOut(subdirectory)) return {};
  std::string file = name;
  if (!type.empty()) file += type.front() == '.' ? type : "." + type;
  if (climbsOut(file)) return {};  // the type is checked too: "x" of type "/../../y" climbs as well
  std::string folder = subdirectory.empty() ? path_ : path_ + "/" + subdirectory;
  std::string full = folder + "/" + file;
  return AtomicFile::fileExists(full) ? full : std::string();
}

const Value& Bundle::infoDictionary() const {
  std::call_once(infoOnce_, [this] {
    std::string path = path_ + "/Info.plist";
    Value read = AtomicFile::fileExists(path) ? PropertyList::readFile(path) : Value();
    info_ = read.isDictionary() ? std::move(read) : Value(Dictionary{});
  });
  return info_;
}

const Value& Bundle::objectForInfoDictionaryKey(const std::string& key) const { return infoDictionary()[key]; }

std::string Bundle::bundleIdentifier() const { return objectForInfoDictionaryKey("CFBundleIdentifier").toString(); }

}  // namespace platform::foundation
