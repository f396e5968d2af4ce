#include "testing/TreeChanges.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

namespace ostrel::testing {
namespace {

constexpr std::uint32_t kChanges =
    IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

std::string describe(std::uint32_t mask) {
  std::string what;
  const std::pair<std::uint32_t, const char*> names[] = {
      {IN_CREATE, "made"},          {IN_DELETE, "removed"},    {IN_MODIFY, "written"},
      {IN_ATTRIB, "attributes changed"}, {IN_MOVED_FROM, "renamed away"}, {IN_MOVED_TO, "renamed here"},
      {IN_DELETE_SELF, "folder removed"}, {IN_MOVE_SELF, "folder moved"}};
  for (const auto& [bit, name] : names) {
    if (mask & bit) what += (what.empty() ? "" : ", ") + std::string(name);
  }
  return what;
}

}  // namespace

TreeChanges::TreeChanges(const std::string& root) {
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return;
  watching_ = true;
  auto watch = [this](const std::string& folder) {
    const int wd = ::inotify_add_watch(fd_, folder.c_str(), kChanges | IN_ONLYDIR | IN_DONT_FOLLOW);
    if (wd < 0) watching_ = false;
    folders_[wd] = folder;
  };
  watch(root);
  std::error_code error;
  for (auto entry = std::filesystem::recursive_directory_iterator(root, error);
       !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
    if (entry->is_directory(error) && !entry->is_symlink(error)) watch(entry->path().string());
  }
  if (error) watching_ = false;
}

TreeChanges::~TreeChanges() {
  if (fd_ >= 0) ::close(fd_);
}

std::vector<std::string> TreeChanges::take() {
  std::vector<std::string> changes = std::move(unread_);
  unread_.clear();
  read(changes);
  return changes;
}

void TreeChanges::read(std::vector<std::string>& changes) {
  alignas(inotify_event) char buffer[65536];
  for (;;) {
    const ssize_t n = fd_ < 0 ? -1 : ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        changes.push_back("more changes than the kernel kept");
        continue;
      }
      if (!(event->mask & kChanges)) continue;
      const std::string folder = folders_.count(event->wd) ? folders_[event->wd] : "?";
      changes.push_back((event->len ? folder + "/" + event->name : folder) + ": " + describe(event->mask));
    }
  }
}

bool TreeChanges::waitFor(std::string_view fragment, double guardSeconds) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::duration<double>(guardSeconds);
  for (std::size_t looked = 0;;) {
    read(unread_);
    for (; looked < unread_.size(); ++looked) {
      if (unread_[looked].find(fragment) != std::string::npos) return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - std::chrono::steady_clock::now());
    if (fd_ < 0 || left.count() <= 0) return false;
    pollfd ready{fd_, POLLIN, 0};
    ::poll(&ready, 1, static_cast<int>(left.count()));
  }
}

}  // namespace ostrel::testing
