#include "sdk/crash/reports/BreadcrumbLog.h"

#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Utf8.h"
#include "sdk/core/CoreLogger.h"
#include "sdk/crash/reports/CrashMessageCodes.h"

namespace sdk::crash {

namespace {

constexpr const char* kBreadcrumbService = "[Vurevore/Crashreporter]";

}  // namespace

std::string BreadcrumbLog::defaultPath() {
  return platform::foundation::Paths::applicationSupport() + "/Vurevore/Crashreporter/breadcrumbs.log";
}

BreadcrumbLog::BreadcrumbLog(std::string path) : path_(std::move(path)) {
  using platform::foundation::AtomicFile;
  if (!AtomicFile::fileExists(path_)) return;
  // The most the log is written with, each line ended.
  const auto text = AtomicFile::readText(path_, kMaxLines * (kMaxLineBytes + 1));
  if (!text.ok()) {
    sdk::core::coreLogWarning(kBreadcrumbService, messages::kBreadcrumbLogUnreadable, "Could not read the breadcrumb log %@: %@",
                              path_, text.error().localizedDescription());
    return;
  }
  std::size_t start = 0;
  while (start < text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    if (end > start) lines_.push_back(text->substr(start, end - start));
    start = end + 1;
  }
  while (lines_.size() > kMaxLines) lines_.pop_front();
}

void BreadcrumbLog::append(const std::string& line) {
  std::string entry = line.size() > kMaxLineBytes
                          ? platform::foundation::Utf8::substring(line, 0, kMaxLineBytes / 4)
                          : line;
  for (char& c : entry) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::lock_guard lock(mutex_);
  lines_.push_back(std::move(entry));
  while (lines_.size() > kMaxLines) lines_.pop_front();
  std::string text;
  for (const auto& kept : lines_) text += kept + "\n";
  using platform::foundation::AtomicFile;
  auto written = AtomicFile::createDirectories(std::filesystem::path(path_).parent_path().string());
  if (written.ok()) written = AtomicFile::writeAtomically(path_, text);
  if (!written.ok()) {
    sdk::core::coreLogWarning(kBreadcrumbService, messages::kBreadcrumbLogUnwritable, "Could not write the breadcrumb log %@: %@",
                              path_, written.error().localizedDescription());
  }
}

std::vector<std::string> BreadcrumbLog::lines() const {
  std::lock_guard lock(mutex_);
  return {lines_.begin(), lines_.end()};
}

}  // namespace sdk::crash

