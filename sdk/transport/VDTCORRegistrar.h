#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "platform/dispatch/Queue.h"
#include "sdk/transport/VDTCORLifecycleProtocol.h"
#include "sdk/transport/VDTCORStorageProtocol.h"

// Which uploader and which storage serve each target. Registration is asynchronous on the registrar's
// queue; reads wait behind it, so a read sees every registration made before it on any thread.
class VDTCORRegistrar final : public VDTCORLifecycleProtocol, public std::enable_shared_from_this<VDTCORRegistrar> {
 public:
  using UploaderMap = std::map<std::int64_t, std::shared_ptr<VDTCORUploader>>;
  using StorageMap = std::map<std::int64_t, std::shared_ptr<VDTCORStorageProtocol>>;

  static std::shared_ptr<VDTCORRegistrar> sharedInstance();
  VDTCORRegistrar();

  // A later registration for the same target replaces the earlier one.
  void registerUploader(std::shared_ptr<VDTCORUploader> uploader, std::int64_t target);
  void registerStorage(std::shared_ptr<VDTCORStorageProtocol> storage, std::int64_t target);

  // Copies of the maps.
  UploaderMap targetToUploader() const;
  StorageMap targetToStorage() const;

  // Passed on to every uploader, then every storage entry, in target order.
  void appWillBackground(VDTCORApplicationProtocol& application) override;
  void appWillForeground(VDTCORApplicationProtocol& application) override;
  void appWillTerminate(VDTCORApplicationProtocol& application) override;

 private:
  void forward(const std::function<void(VDTCORLifecycleProtocol&)>& message);

  std::shared_ptr<platform::dispatch::Queue> registrarQueue_;
  UploaderMap targetToUploader_;  // read and written on registrarQueue_
  StorageMap targetToStorage_;
};
