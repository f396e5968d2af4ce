#include "sdk/transport/Lifecycle.h"

#include "platform/runtime/LoadHooks.h"
#include "sdk/core/App.h"
#include "sdk/transport/ApplicationAdapter.h"
#include "sdk/transport/FlatFileEventStore.h"
#include "sdk/transport/TargetRegistrar.h"
#include "sdk/transport/TransformingEventWriter.h"
#include "sdk/transport/UploadCoordinator.h"
#include "sdk/transport/NetworkUploader.h"
#include "sdk/transport/CoreDiagnostics.h"
#include "sdk/transport/CoreDiagnosticsConnector.h"

namespace sdk::transport {

namespace {

using platform::foundation::NotificationCenter;

// Before the SDK core's own registrations, so storage is in place when the first events are sent.
constexpr int kTransportLoadOrder = 40;
const bool registered = (platform::runtime::addLoadHook(kTransportLoadOrder, registerTransport), true);

}  // namespace

std::shared_ptr<Lifecycle> Lifecycle::sharedInstance() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<Lifecycle>(std::make_shared<Lifecycle>(
      ApplicationAdapter::sharedApplication(), TransformingEventWriter::sharedInstance(),
      UploadCoordinator::sharedInstance(), TargetRegistrar::sharedInstance()));
  return *instance;
}

Lifecycle::Lifecycle(std::shared_ptr<ApplicationInterface> application,
                                 std::shared_ptr<TransformingEventWriter> transformer,
                                 std::shared_ptr<UploadCoordinator> coordinator,
                                 std::shared_ptr<TargetRegistrar> registrar)
    : application_(std::move(application)),
      transformer_(std::move(transformer)),
      coordinator_(std::move(coordinator)),
      registrar_(std::move(registrar)) {
  auto& center = NotificationCenter::defaultCenter();
  observations_.push_back(center.addObserver(kTransportDidEnterBackgroundNotification,
                                             [this](const auto&) { applicationDidEnterBackground(); }));
  observations_.push_back(center.addObserver(kTransportWillEnterForegroundNotification,
                                             [this](const auto&) { applicationWillEnterForeground(); }));
  observations_.push_back(center.addObserver(kTransportWillTerminateNotification,
                                             [this](const auto&) { applicationWillTerminate(); }));
}

std::vector<std::shared_ptr<LifecycleObserver>> Lifecycle::receivers() const {
  return {transformer_, coordinator_, registrar_};
}

void Lifecycle::applicationDidEnterBackground() {
  for (auto& receiver : receivers()) receiver->appWillBackground(*application_);
}

void Lifecycle::applicationWillEnterForeground() {
  for (auto& receiver : receivers()) receiver->appWillForeground(*application_);
}

void Lifecycle::applicationWillTerminate() {
  // A diagnostics message being built now still reaches storage before the transport winds down.
  CoreDiagnostics::drainIfCreated();
  for (auto& receiver : receivers()) receiver->appWillTerminate(*application_);
}

void registerTransport() {
  ApplicationAdapter::sharedApplication();
  Lifecycle::sharedInstance();
  FlatFileEventStore::registerSharedInstance();
  NetworkUploader::registerSharedInstance();
  registerCoreDiagnosticsConnector();
  // Uploads begin once the SDK is configured, not when the library is loaded.
  static auto configured = NotificationCenter::defaultCenter().addObserver(
      sdk::core::App::kReadyToConfigureSDKNotification, [](const auto&) { UploadCoordinator::sharedInstance()->startTimer(); });
}

}  // namespace sdk::transport

