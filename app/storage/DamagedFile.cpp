#include "app/storage/DamagedFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"

namespace app::storage {

namespace {

std::string timestamp() {
  const double now = platform::foundation::Clock::current()->now();
  const auto seconds = static_cast<std::time_t>(std::isfinite(now) ? now : 0.0);
  std::tm tm{};
  char text[32] = "unknown";
  if (gmtime_r(&seconds, &tm)) std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &tm);
  return text;
}

}  // namespace

std::string DamagedFile::keepAside(const std::string& path) {
  using platform::foundation::AtomicFile;
  const std::string base = path + ".damaged-" + timestamp();
  std::string kept = base;
  for (int n = 2; AtomicFile::fileExists(kept); ++n) kept = base + "-" + std::to_string(n);
  if (std::rename(path.c_str(), kept.c_str()) != 0) return {};
  // A journal left beside the file belongs to it: rolled into a fresh copy it would corrupt that.
  const std::string journal = path + "-journal";
  if (AtomicFile::fileExists(journal)) std::rename(journal.c_str(), (kept + "-journal").c_str());
  return kept;
}

}  // namespace app::storage

