#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "sdk/transport/VDTCORFlatFileStorage.h"
#include "sdk/transport/VDTCORPlatform.h"
#include "sdk/transport/VDTCORReachability.h"
#include "sdk/transport/VDTCORRegistrar.h"
#include "sdk/transport/VDTCORTestSupport.h"
#include "sdk/transport/VDTCORUploadCoordinator.h"
#include "testing/MainThreadEnvironment.h"

namespace ostrel::testing {

// A storage of its own in a fresh container, on a manual clock, with a coordinator that records
// forced uploads through a recording uploader on every upload target, on Wi-Fi.
class FlatFileStorageTest : public ::testing::Test {
 protected:
  using Error = platform::foundation::Error;
  using OptionalError = VDTCORStorageProtocol::OptionalError;

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

  std::shared_ptr<VDTCORFlatFileStorage> makeStorage() {
    return std::make_shared<VDTCORFlatFileStorage>(VDTCORRootDirectory(), coordinator, application);
  }

  // Stores and waits for the answer.
  std::pair<bool, OptionalError> store(const std::shared_ptr<VDTCOREvent>& event,
                                       const std::shared_ptr<VDTCORFlatFileStorage>& into = nullptr) {
    std::pair<bool, OptionalError> result{false, std::nullopt};
    auto target = into ? into : storage;
    target->storeEvent(event, [&](bool written, const OptionalError& error) { result = {written, error}; });
    drain(target->storageQueue());
    return result;
  }

  std::pair<std::optional<std::uint32_t>, std::optional<VDTCOREventSet>> batch(
      const VDTCORStorageEventSelector& selector, double expiration = 0) {
    std::pair<std::optional<std::uint32_t>, std::optional<VDTCOREventSet>> result;
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
    return storage->eventDataStoragePath() + "/" + std::to_string(target);
  }

  TempContainer container;
  MainThreadEnvironment environment;
  std::shared_ptr<platform::foundation::ManualClock> clock = environment.clock();
  std::shared_ptr<CountingApplication> application = std::make_shared<CountingApplication>();
  std::shared_ptr<VDTCORRegistrar> registrar = std::make_shared<VDTCORRegistrar>();
  std::shared_ptr<VDTCORReachability> reachability = VDTCORReachability::make(false);
  std::shared_ptr<VDTCORUploadCoordinator> coordinator =
      std::make_shared<VDTCORUploadCoordinator>(registrar, reachability, application);
  std::shared_ptr<RecordingUploader> uploader = std::make_shared<RecordingUploader>();
  std::shared_ptr<VDTCORFlatFileStorage> storage;
};

}  // namespace ostrel::testing
