#pragma once

#include <functional>
#include <memory>

#include "platform/dispatch/Queue.h"

namespace sdk::analytics {

class PersistedConfig;

// What the engine asks of the search-ad reporter, which sits above the engine among the automatic
// reporters. The engine owns one for its life, made at start through the factory the reporters
// install.
class SearchAdReporting {
 public:
  using Factory = std::function<std::shared_ptr<SearchAdReporting>(std::shared_ptr<platform::dispatch::Queue>,
                                                                   std::shared_ptr<PersistedConfig>)>;

  virtual ~SearchAdReporting() = default;

  virtual void setSearchAdReporterEnabled(bool enabled) = 0;
  virtual void start() = 0;

  // nullptr when the reporters are not linked in, or when no lookup is due ever again.
  static std::shared_ptr<SearchAdReporting> create(std::shared_ptr<platform::dispatch::Queue> workerQueue,
                                                   std::shared_ptr<PersistedConfig> persistedConfig);
  static void setFactory(Factory factory);
};

}  // namespace sdk::analytics

