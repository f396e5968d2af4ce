#include "platform/store/AdAttributionClient.h"

#include <mutex>

namespace platform::store {
namespace {

std::mutex& clientMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

std::shared_ptr<AdAttributionClient>& installedClient() {
  static auto* client = new std::shared_ptr<AdAttributionClient>;
  return *client;
}

}  // namespace

std::shared_ptr<AdAttributionClient> AdAttributionClient::sharedClient() {
  std::lock_guard lock(clientMutex());
  return installedClient();
}

void AdAttributionClient::setSharedClient(std::shared_ptr<AdAttributionClient> client) {
  std::lock_guard lock(clientMutex());
  installedClient() = std::move(client);
}

}  // namespace platform::store
