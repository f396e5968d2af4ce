#include "platform/foundation/DamagedFile.h"

#include <fcntl.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/log/Log.h"

namespace platform::foundation {

namespace {

std::string timestamp() {
  const double now = Clock::current()->now();
  const auto seconds = static_cast<std::time_t>(std::isfinite(now) ? now : 0.0);
  std::tm tm{};
  char text[32] = "unknown";
  if (gmtime_r(&seconds, &tm)) std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &tm);
  return text;
}

// Files SQLite keeps beside a database: rolled into a fresh file of the same name they would corrupt
// it, and beside the kept copy they are what a person needs to read it.
constexpr const char* kCompanionSuffixes[] = {"-journal", "-wal", "-shm"};

// Renames without ever replacing what is at `to`, even when another process keeps the same file aside
// at the same moment.
bool renameNoReplace(const std::string& from, const std::string& to) {
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

}  // namespace

std::string DamagedFile::keepAside(const std::string& path) {
  const std::string base = path + ".damaged-" + timestamp();
  std::string kept = base;
  for (int n = 2;; ++n) {
    if (renameNoReplace(path, kept)) break;
    if (errno != EEXIST) return {};
    kept = base + "-" + std::to_string(n);
  }
  for (const char* suffix : kCompanionSuffixes) {
    const std::string companion = path + suffix;
    if (AtomicFile::fileExists(companion)) renameNoReplace(companion, kept + suffix);
  }
  return kept;
}

std::string DamagedFile::keepAsideWithWarning(const std::string& path, std::string_view what, std::string_view then) {
  const std::string kept = keepAside(path);
  if (kept.empty()) {
    platform::log::write(platform::log::Error,
                         "The " + std::string(what) + " cannot be read and could not be moved aside (" + path + ")");
  } else {
    platform::log::write(platform::log::Warning, "The " + std::string(what) + " could not be read; it is kept as " +
                                                     kept + " and " + std::string(then));
  }
  return kept;
}

}  // namespace platform::foundation
