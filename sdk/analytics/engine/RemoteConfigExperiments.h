#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"

namespace sdk::analytics {

// What the measurement settings need of the experiments component: the measurement SDK's client
// (registered once with its default flags), its flags, snapshot activation and reset. The
// experiments manager answers through an adapter of this shape.
class RemoteConfigExperiments {
 public:
  // The settings as the client's delegate.
  class Delegate {
   public:
    virtual ~Delegate() = default;
    virtual void clientDidReceiveNewSnapshot() = 0;
    virtual void clientDidReceiveFetchError(const platform::foundation::Error& error) = 0;
    virtual bool shouldFetchExperimentsForClient() = 0;
  };

  virtual ~RemoteConfigExperiments() = default;
  // Registers the SDK property `name` with its version and default flags; the delegate is held weakly.
  virtual void registerClient(const std::string& name, std::int64_t version,
                              const std::map<std::string, std::int64_t>& defaultFlags,
                              std::weak_ptr<Delegate> delegate) = 0;
  // The value an experiment in force (an activated, else a launched snapshot) gives the flag; nothing
  // when no snapshot sets it.
  virtual std::optional<bool> flag(const std::string& name) const = 0;
  virtual std::vector<std::int64_t> experimentIDs() const = 0;
  // Whether a waiting snapshot was activated (false when none waited); the error when it could not be.
  virtual platform::foundation::ErrorOr<bool> activateLatestSnapshot() = 0;
  virtual void reset() = 0;
};

}  // namespace sdk::analytics

