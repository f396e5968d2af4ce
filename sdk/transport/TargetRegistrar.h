#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "platform/dispatch/Queue.h"
#include "sdk/transport/LifecycleObserver.h"
#include "sdk/transport/EventStore.h"

namespace sdk::transport {

// Which uploader and which storage serve each target. Registration is asynchronous on the registrar's
// queue; reads wait behind it, so a read sees every registration made before it on any thread.
class TargetRegistrar final : public LifecycleObserver, public std::enable_shared_from_this<TargetRegistrar> {
 public:
  using UploaderMap = std::map<std::int64_t, std::shared_ptr<Uploader>>;
  using StorageMap = std::map<std::int64_t, std::shared_ptr<EventStore>>;

  static std::shared_ptr<TargetRegistrar> sharedInstance();
  TargetRegistrar();

  // A later registration for the same target replaces the earlier one.
  void registerUploader(std::shared_ptr<Uploader> uploader, std::int64_t target);
  void registerStorage(std::shared_ptr<EventStore> storage, std::int64_t target);

  // Copies of the maps.
  UploaderMap targetToUploader() const;
  StorageMap targetToStorage() const;

  // Passed on to every uploader, then every storage entry, in target order.
  void appWillBackground(ApplicationInterface& application) override;
  void appWillForeground(ApplicationInterface& application) override;
  void appWillTerminate(ApplicationInterface& application) override;

 private:
  void forward(const std::function<void(LifecycleObserver&)>& message);

  std::shared_ptr<platform::dispatch::Queue> registrarQueue_;
  UploaderMap targetToUploader_;  // read and written on registrarQueue_
  StorageMap targetToStorage_;
};

}  // namespace sdk::transport

