#pragma once

#include <optional>

#include "app/storage/GenericLensMigration.h"

namespace app::state {

// The four catalogues as a start finds them: seeded from the bundle where missing, opened once so a
// damaged one is replaced and an update's re-pointing of the packages finished, and brought to the
// built-in version when the stored one differs. Main thread only.
class StartUpCatalogues {
 public:
  // Which catalogues this start seeded from the bundle (and so are the built-in version already).
  struct Fresh {
    bool lenses = false;
    bool formats = false;
    bool adapters = false;
    bool packages = false;
    bool all() const { return lenses && formats && adapters; }
  };
  static Fresh open();

  // Whether the package catalogue holds either standard package; one that cannot be read may hold them.
  static bool standardPackagesStored();

  // The three catalogue updates in order; true only when all of them succeeded. `lensUpdated` tells
  // whether the lens catalogue is now the built-in one.
  static bool migrate(bool& lensUpdated, const Fresh& fresh);

  // The generic-lens migration: its snapshot is taken before the catalogues change, and written into
  // them afterwards unless the lens catalogue could not be brought to the built-in version (nothing
  // then); otherwise whether the migration is complete.
  static std::optional<storage::GenericSeriesSnapshot> prepareGenericLensMigration();
  static std::optional<bool> finishGenericLensMigration(const std::optional<storage::GenericSeriesSnapshot>& snapshot,
                                                        bool lensReady);
};

}  // namespace app::state
