#pragma once

#include <memory>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "sdk/transport/LifecycleObserver.h"

namespace sdk::transport {

class TransformingEventWriter;
class UploadCoordinator;
class TargetRegistrar;

// Hears the transport's life-cycle notifications and passes each on, with the application, to the
// transformer, the upload coordinator and the registrar (which tells every uploader and storage), in
// that order.
class Lifecycle {
 public:
  static std::shared_ptr<Lifecycle> sharedInstance();
  Lifecycle(std::shared_ptr<ApplicationInterface> application,
                  std::shared_ptr<TransformingEventWriter> transformer, std::shared_ptr<UploadCoordinator> coordinator,
                  std::shared_ptr<TargetRegistrar> registrar);

  void applicationDidEnterBackground();
  void applicationWillEnterForeground();
  void applicationWillTerminate();

 private:
  std::vector<std::shared_ptr<LifecycleObserver>> receivers() const;

  std::shared_ptr<ApplicationInterface> application_;
  std::shared_ptr<TransformingEventWriter> transformer_;
  std::shared_ptr<UploadCoordinator> coordinator_;
  std::shared_ptr<TargetRegistrar> registrar_;
  std::vector<platform::foundation::NotificationCenter::Observation> observations_;
};

// What loading the transport does: the application wrapper and the life-cycle listener exist, the
// shared storage is registered for its targets and the uploader for the four upload targets, and the
// core diagnostics connector is declared. The upload timer starts when the SDK has been configured.
void registerTransport();

}  // namespace sdk::transport

