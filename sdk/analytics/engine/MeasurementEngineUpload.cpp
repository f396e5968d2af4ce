// The engine's way out: the uploader over the components, and the schedule the rest of the engine asks for.
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "platform/foundation/Check.h"
#include "sdk/analytics/engine/MeasurementUploader.h"

namespace sdk::analytics {

std::shared_ptr<sdk::analytics::MeasurementUploader> MeasurementEngine::uploader() const {
  std::lock_guard lock(componentsMutex_);
  return uploader_;
}

void MeasurementEngine::installUploaderOnWorkerQueue() {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  sdk::analytics::MeasurementUploader::Parts parts;
  parts.bundling = {database(), remoteConfigInstance(), audience(), persistedConfig_, identity()};
  parts.network = network_;
  parts.scheduler = scheduler_;
  parts.alarm = alarm_;
  sdk::analytics::MeasurementUploader::Hooks hooks;
  std::shared_ptr<sdk::utilities::HTTPClient> network = network_;
  hooks.isNetworkConnected = [network] { return network && network->isNetworkConnected(); };
  std::weak_ptr<MeasurementEngine> weak = weak_from_this();
  hooks.isBackgroundTaskRunning = [weak] {
    auto self = weak.lock();
    return self && self->backgroundUpdateTask_.isRunning();
  };
  hooks.terminateBackgroundTask = [weak] {
    if (auto self = weak.lock()) self->terminateBackgroundTask();
  };
  auto uploader = sdk::analytics::MeasurementUploader::make(std::move(parts), std::move(hooks));
  std::lock_guard lock(componentsMutex_);
  uploader_ = std::move(uploader);
}

void MeasurementEngine::updateSchedule() {
  if (auto uploader = this->uploader()) uploader->updateSchedule();
}

}  // namespace sdk::analytics

