#include "testing/ContainerSnapshot.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace ostrel::testing {
namespace {

namespace fs = std::filesystem;

bool vanished(const std::error_code& code) { return code == std::errc::no_such_file_or_directory; }

void fail(const char* what, const fs::path& path, const std::error_code& code) {
  throw fs::filesystem_error(what, path, code);
}

void copyEntry(const fs::path& from, const fs::path& to);

void copyFolder(const fs::path& from, const fs::path& to) {
  std::error_code code;
  fs::create_directories(to, code);
  if (code) fail("cannot make the copy's folder", to, code);
  fs::directory_iterator entries(from, code);
  if (vanished(code)) return;
  if (code) fail("cannot list the folder to copy", from, code);
  for (const fs::directory_iterator end; entries != end; entries.increment(code)) {
    copyEntry(entries->path(), to / entries->path().filename());
  }
  if (code && !vanished(code)) fail("cannot list the folder to copy", from, code);
}

void copyEntry(const fs::path& from, const fs::path& to) {
  std::error_code code;
  const fs::file_status status = fs::symlink_status(from, code);
  if (vanished(code)) return;
  if (code) fail("cannot look at the entry to copy", from, code);
  switch (status.type()) {
    case fs::file_type::directory: return copyFolder(from, to);
    case fs::file_type::symlink: fs::copy_symlink(from, to, code); break;
    case fs::file_type::fifo:
      if (::mkfifo(to.c_str(), static_cast<mode_t>(status.permissions())) != 0) code.assign(errno, std::generic_category());
      break;
    case fs::file_type::regular: fs::copy_file(from, to, fs::copy_options::overwrite_existing, code); break;
    default: return;  // a socket or a device: nothing a kill leaves to a later start
  }
  if (code && !vanished(code)) fail("cannot copy", from, code);
}

}  // namespace

void copyAsAKillLeavesIt(const std::string& from, const std::string& to) { copyFolder(from, to); }

}  // namespace ostrel::testing
