// The program's own log file: what reached the system log, kept where the person can find it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/log/LogFile.h"

namespace platform::log {
namespace {

const char* levelName(int level) {
  switch (level) {
    case Error: return "error";
    case Warning: return "warning";
    case Notice: return "notice";
    case Info: return "info";
    default: return "debug";
  }
}

struct File {
  std::mutex mutex;
  int fd = -1;
  std::string path;
  size_t rotateAt = 0;
  int level = -1;
};

// Never destroyed: the log is the last thing to go, so lines that static destructors write still land.
File& file() {
  static auto* instance = new File;
  return *instance;
}

// Called with the file's mutex held. Only an earlier log (a regular file) is replaced by the rotation:
// anything else at "<path>.1" is someone's, and the file then grows on past its bound instead.
void rotateIfFull(File& f) {
  struct stat info {};
  if (f.rotateAt == 0 || ::fstat(f.fd, &info) != 0 || static_cast<size_t>(info.st_size) < f.rotateAt) return;
  const std::string older = f.path + ".1";
  if (::lstat(older.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return;
  ::close(f.fd);
  std::rename(f.path.c_str(), older.c_str());
  f.fd = ::open(f.path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
}

}  // namespace

std::string readableText(const Line& line) {
  std::string text = line.facility;
  if (!line.facility.empty()) text += ": ";
  const std::string_view message = line.message;
  std::size_t at = 0;
  for (std::size_t feed; (feed = message.find('\n', at)) != std::string_view::npos; at = feed + 1) {
    text.append(message.substr(at, feed + 1 - at)) += '\t';
  }
  text.append(message.substr(at));
  return text;
}

void appendToFile(int fd, const std::string& path, size_t rotateAtBytes, int level) {
  File& f = file();
  std::lock_guard lock(f.mutex);
  if (f.fd >= 0) ::close(f.fd);
  f.fd = fd;
  f.path = path;
  f.rotateAt = rotateAtBytes;
  f.level = level;
}

void closeFile() {
  File& f = file();
  std::lock_guard lock(f.mutex);
  if (f.fd >= 0) ::close(f.fd);
  f.fd = -1;
}

void appendLineToFile(const Line& line, bool asked) {
  File& f = file();
  std::lock_guard lock(f.mutex);
  if (f.fd < 0 || (line.level > f.level && !asked)) return;
  // The date of the line is the wall clock's: the file is read by people, next to other logs.
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  char date[32] = "";
  if (gmtime_r(&now, &tm)) std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &tm);
  std::string text = std::string(date) + " " + levelName(line.level) + " " + readableText(line) + "\n";
  // One write per line, so that lines of two threads never interleave within a line.
  if (::write(f.fd, text.data(), text.size()) < 0) return;
  rotateIfFull(f);
}

}  // namespace platform::log
