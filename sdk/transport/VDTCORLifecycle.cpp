#include "sdk/transport/VDTCORLifecycle.h"

#include "platform/runtime/LoadHooks.h"
#include "sdk/core/REDIri.h"
#include "sdk/transport/VDTCORApplication.h"
#include "sdk/transport/VDTCORFlatFileStorage.h"
#include "sdk/transport/VDTCORRegistrar.h"
#include "sdk/transport/VDTCORTransformer.h"
#include "sdk/transport/VDTCORUploadCoordinator.h"
#include "sdk/transport/VDTNETUploader.h"
#include "sdk/transport/VURCoreDiagnostics.h"

namespace {

using platform::foundation::NotificationCenter;

// Before the SDK core's own registrations, so storage is in place when the first events are sent.
constexpr int kTransportLoadOrder = 40;
const bool registered = (platform::runtime::addLoadHook(kTransportLoadOrder, VDTCORRegisterTransport), true);

}  // namespace

std::shared_ptr<VDTCORLifecycle> VDTCORLifecycle::sharedInstance() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<VDTCORLifecycle>(std::make_shared<VDTCORLifecycle>(
      VDTCORApplication::sharedApplication(), VDTCORTransformer::sharedInstance(),
      VDTCORUploadCoordinator::sharedInstance(), VDTCORRegistrar::sharedInstance()));
  return *instance;
}

VDTCORLifecycle::VDTCORLifecycle(std::shared_ptr<VDTCORApplicationProtocol> application,
                                 std::shared_ptr<VDTCORTransformer> transformer,
                                 std::shared_ptr<VDTCORUploadCoordinator> coordinator,
                                 std::shared_ptr<VDTCORRegistrar> registrar)
    : application_(std::move(application)),
      transformer_(std::move(transformer)),
      coordinator_(std::move(coordinator)),
      registrar_(std::move(registrar)) {
  auto& center = NotificationCenter::defaultCenter();
  observations_.push_back(center.addObserver(kVDTCORApplicationDidEnterBackgroundNotification,
                                             [this](const auto&) { applicationDidEnterBackground(); }));
  observations_.push_back(center.addObserver(kVDTCORApplicationWillEnterForegroundNotification,
                                             [this](const auto&) { applicationWillEnterForeground(); }));
  observations_.push_back(center.addObserver(kVDTCORApplicationWillTerminateNotification,
                                             [this](const auto&) { applicationWillTerminate(); }));
}

std::vector<std::shared_ptr<VDTCORLifecycleProtocol>> VDTCORLifecycle::receivers() const {
  return {transformer_, coordinator_, registrar_};
}

void VDTCORLifecycle::applicationDidEnterBackground() {
  for (auto& receiver : receivers()) receiver->appWillBackground(*application_);
}

void VDTCORLifecycle::applicationWillEnterForeground() {
  for (auto& receiver : receivers()) receiver->appWillForeground(*application_);
}

void VDTCORLifecycle::applicationWillTerminate() {
  // A diagnostics message being built now still reaches storage before the transport winds down.
  VURCoreDiagnostics::drainIfCreated();
  for (auto& receiver : receivers()) receiver->appWillTerminate(*application_);
}

void VDTCORRegisterTransport() {
  VDTCORApplication::sharedApplication();
  VDTCORLifecycle::sharedInstance();
  VDTCORFlatFileStorage::registerSharedInstance();
  VDTNETUploader::registerSharedInstance();
  VURRegisterCoreDiagnosticsConnector();
  // Uploads begin once the SDK is configured, not when the library is loaded.
  static auto configured = NotificationCenter::defaultCenter().addObserver(
      REDIri::kReadyToConfigureSDKNotification, [](const auto&) { VDTCORUploadCoordinator::sharedInstance()->startTimer(); });
}
