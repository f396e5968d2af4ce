#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace sdk::crash {

// The crash reporter's breadcrumbs: the last lines the app went through before a crash, kept in one
// small file in the container so that they survive the crash. The file holds at most kMaxLines
// lines; each new line past that drops the oldest. Each write replaces the file whole, so a crash
// mid-write leaves the previous lines, never a torn one.
class BreadcrumbLog {
 public:
  static constexpr std::size_t kMaxLines = 64;
  static constexpr std::size_t kMaxLineBytes = 4096;

  // The log in the app container's crash reporter folder.
  static std::string defaultPath();
  explicit BreadcrumbLog(std::string path = defaultPath());

  // Longer lines are cut on a character boundary to at most kMaxLineBytes; line breaks inside become
  // spaces, so every entry stays one line.
  void append(const std::string& line);
  std::vector<std::string> lines() const;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  mutable std::mutex mutex_;
  std::deque<std::string> lines_;
};

}  // namespace sdk::crash

