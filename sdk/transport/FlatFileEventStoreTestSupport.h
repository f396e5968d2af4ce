#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "sdk/transport/FlatFileEventStore.h"
#include "sdk/transport/TransportEnvironment.h"
#include "sdk/transport/NetworkReachability.h"
#include "sdk/transport/TargetRegistrar.h"
#include "sdk/transport/TransportTestSupport.h"
#include "sdk/transport/UploadCoordinator.h"
#include "testing/MainThreadEnvironment.h"

namespace ostrel::testing {

// A storage of its own in a fresh container, on a manual clock, with a coordinator that records
// forced uploads through a recording uploader on every upload target, on Wi-Fi.
class FlatFileEventStoreTest : public ::testing::Test {
 protected:
  using Error = platform::foundation::Error;
  using OptionalError = sdk::transport::EventStore::OptionalError;

  void SetUp() override {
    reachability->setFlags(platform::net::kReachabilityFlagsReachable);
    for (std::int64_t target : {1000, 1001, 1002, 1003}) registrar->registerUploader(uploader, target);
    storage = makeStorage();
    for (std::int64_t target : {999, 1000, 1001, 1002, 1003}) registrar->registerStorage(storage, target);
  }
  void TearDown() override {
    drain(storage->storageQueue());
    drain(coordinator->coordinationQueue());
  }

  std::shared_ptr<sdk::transport::FlatFileEventStore> makeStorage() {
    return std::make_shared<sdk::transport::FlatFileEventStore>(sdk::transport::transportRootDirectory(), coordinator, application);
  }

  // Stores and waits for the answer.
  std::pair<bool, OptionalError> store(const std::shared_ptr<sdk::transport::TransportEvent>& event,
                                       const std::shared_ptr<sdk::transport::FlatFileEventStore>& into = nullptr) {
    std::pair<bool, OptionalError> result{false, std::nullopt};
    auto target = into ? into : storage;
    target->storeEvent(event, [&](bool written, const OptionalError& error) { result = {written, error}; });
    drain(target->storageQueue());
    return result;
  }

  std::pair<std::optional<std::uint32_t>, std::optional<sdk::transport::EventSet>> batch(
      const sdk::transport::EventSelector& selector, double expiration = 0) {
    std::pair<std::optional<std::uint32_t>, std::optional<sdk::transport::EventSet>> result;
    if (expiration == 0) expiration = clock->now() + 600;
    storage->batchWithEventSelector(selector, expiration, [&](auto id, auto events) { result = {id, events}; });
    drain(storage->storageQueue());
    return result;
  }

  // Names of the files in a folder, hidden ones too.
  static std::set<std::string> filesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      names.insert(it->path().filename().string());
    }
    return names;
  }
  std::string eventFolder(std::int64_t target) const {
    return storage->names().eventDataStoragePath() + "/" + std::to_string(target);
  }

  TempContainer container;
  MainThreadEnvironment environment;
  std::shared_ptr<platform::foundation::ManualClock> clock = environment.clock();
  std::shared_ptr<CountingApplication> application = std::make_shared<CountingApplication>();
  std::shared_ptr<sdk::transport::TargetRegistrar> registrar = std::make_shared<sdk::transport::TargetRegistrar>();
  std::shared_ptr<sdk::transport::NetworkReachability> reachability = sdk::transport::NetworkReachability::make(false);
  std::shared_ptr<sdk::transport::UploadCoordinator> coordinator =
      std::make_shared<sdk::transport::UploadCoordinator>(registrar, reachability, application);
  std::shared_ptr<RecordingUploader> uploader = std::make_shared<RecordingUploader>();
  std::shared_ptr<sdk::transport::FlatFileEventStore> storage;
};

}  // namespace ostrel::testing
