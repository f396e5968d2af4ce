#pragma once

#include <functional>
#include <optional>

namespace platform::foundation {

// Stores of the app's container that keep times of their own (the newest event each store holds, the
// analytics library's last activity and uploads) name the latest of them here, so that how far the
// container's time has gone is known even when its own record of it is lost or was written by a wrong
// clock (see platform/shell/ContainerTime). A store adds its witness while the program loads; witnesses
// are asked on the main thread before the app launches, and read their stores without keeping anything
// open.
class TimeWitnesses {
 public:
  // Seconds since 1970: the latest time the store holds that is not after the bound it is given (one
  // past it was dated by a wrong clock), or nothing.
  using Witness = std::function<std::optional<double>(double bound)>;

  static void add(Witness witness);
  // The latest time any witness holds that is not after `bound`; nothing when none does.
  static std::optional<double> latestNotAfter(double bound);
};

}  // namespace platform::foundation
