#pragma once

#include <memory>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "sdk/transport/VDTCORLifecycleProtocol.h"

class VDTCORTransformer;
class VDTCORUploadCoordinator;
class VDTCORRegistrar;

// Hears the transport's life-cycle notifications and passes each on, with the application, to the
// transformer, the upload coordinator and the registrar (which tells every uploader and storage), in
// that order.
class VDTCORLifecycle {
 public:
  static std::shared_ptr<VDTCORLifecycle> sharedInstance();
  VDTCORLifecycle(std::shared_ptr<VDTCORApplicationProtocol> application,
                  std::shared_ptr<VDTCORTransformer> transformer, std::shared_ptr<VDTCORUploadCoordinator> coordinator,
                  std::shared_ptr<VDTCORRegistrar> registrar);

  void applicationDidEnterBackground();
  void applicationWillEnterForeground();
  void applicationWillTerminate();

 private:
  std::vector<std::shared_ptr<VDTCORLifecycleProtocol>> receivers() const;

  std::shared_ptr<VDTCORApplicationProtocol> application_;
  std::shared_ptr<VDTCORTransformer> transformer_;
  std::shared_ptr<VDTCORUploadCoordinator> coordinator_;
  std::shared_ptr<VDTCORRegistrar> registrar_;
  std::vector<platform::foundation::NotificationCenter::Observation> observations_;
};

// What loading the transport does: the application wrapper and the life-cycle listener exist, the
// shared storage is registered for its targets and the uploader for the four upload targets, and the
// core diagnostics connector is declared. The upload timer starts when the SDK has been configured.
void VDTCORRegisterTransport();
