#include "sdk/transport/VDTCOREndpoints.h"

#include <mutex>

namespace {

std::map<std::int64_t, std::string> builtInURLs() {
  return {{1000, "https://upl.events.invalid/batch"},
          {1001, "https://vll.events.invalid/batch"},
          {1002, "https://csh.events.invalid/batch"},
          {1003, "https://int.events.invalid/batch"}};
}

struct URLTable {
  std::mutex mutex;
  std::map<std::int64_t, std::string> urls = builtInURLs();
};

URLTable& table() {
  static URLTable instance;
  return instance;
}

}  // namespace

std::map<std::int64_t, std::string> VDTCOREndpoints::uploadURLs() {
  std::lock_guard lock(table().mutex);
  return table().urls;
}

std::optional<std::string> VDTCOREndpoints::uploadURLForTarget(std::int64_t target) {
  std::lock_guard lock(table().mutex);
  auto found = table().urls.find(target);
  if (found == table().urls.end()) return std::nullopt;
  return found->second;
}

bool VDTCOREndpoints::setUploadURLForTarget(std::int64_t target, std::string url) {
  std::lock_guard lock(table().mutex);
  auto found = table().urls.find(target);
  if (found == table().urls.end()) return false;
  found->second = std::move(url);
  return true;
}

void VDTCOREndpoints::resetUploadURLs() {
  std::lock_guard lock(table().mutex);
  table().urls = builtInURLs();
}
