#include "testing/OtherUser.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace ostrel::testing {
namespace {

constexpr const char* kSetpriv = "/usr/bin/setpriv";

const passwd* nobody() { return ::getpwnam("nobody"); }

}  // namespace

bool OtherUser::suiteBypassesModes() { return ::geteuid() == 0; }

bool OtherUser::available() { return suiteBypassesModes() && nobody() && ::access(kSetpriv, X_OK) == 0; }

uid_t OtherUser::uid() { return nobody() ? nobody()->pw_uid : static_cast<uid_t>(-1); }

gid_t OtherUser::gid() { return nobody() ? nobody()->pw_gid : static_cast<gid_t>(-1); }

std::vector<std::string> OtherUser::commandPrefix() {
  if (!available()) return {};
  return {kSetpriv, "--reuid=" + std::to_string(uid()), "--regid=" + std::to_string(gid()), "--clear-groups"};
}

bool OtherUser::handOver(const std::string& folder, const std::string& passableFrom) {
  namespace fs = std::filesystem;
  std::error_code error;
  for (fs::path above = fs::path(folder).parent_path(); !above.empty() && above.string().starts_with(passableFrom);
       above = above.parent_path()) {
    fs::permissions(above, fs::perms::others_exec, fs::perm_options::add, error);
    if (above == above.parent_path()) break;
  }
  bool handed = !error && ::lchown(folder.c_str(), uid(), gid()) == 0;
  for (auto entry = fs::recursive_directory_iterator(folder, error); !error && entry != fs::recursive_directory_iterator();
       entry.increment(error)) {
    handed = ::lchown(entry->path().c_str(), uid(), gid()) == 0 && handed;
  }
  return handed && !error;
}

bool OtherUser::canReach(const std::string& path) {
  namespace fs = std::filesystem;
  for (fs::path above = fs::path(path).parent_path();; above = above.parent_path()) {
    struct stat info {};
    if (::stat(above.c_str(), &info) != 0) return false;
    const bool passable = (info.st_mode & S_IXOTH) || (info.st_uid == uid() && (info.st_mode & S_IXUSR)) ||
                          (info.st_gid == gid() && (info.st_mode & S_IXGRP));
    if (!passable) return false;
    if (above == above.parent_path()) return true;
  }
}

}  // namespace ostrel::testing
