#pragma once

#include <vector>

#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"

namespace app::setup {

// The lens picker's choices as the lens catalogue keeps them: which series is selected, which of its
// lenses are, and the user's own rows going away. Each operation opens its own connection and closes it
// before returning. None commits: the picker rebuilds the edited package after each of them.
class LensChoices {
 public:
  [[nodiscard]] static bool hasLenses(int seriesId);
  // Leaves exactly this series selected.
  static void chooseSeries(int seriesId);

  // Every lens of the series, shortest first. A series never stays without a selected lens: when none
  // is, the shortest one is selected, in the catalogue and in the list, and the answer says so (the
  // picker then commits). A series without lenses stays as it is.
  struct Lenses {
    std::vector<model::LensObject> lenses;
    bool selectedShortest = false;
  };
  static Lenses lensesOf(int seriesId);

  // One prime per focal length: every other selected prime of the list with the tapped lens's exact
  // focal length is deselected, in the catalogue and in the list. Zooms are left alone.
  static void clearDoubleSelected(const model::LensObject& tapped, std::vector<model::LensObject>& lenses);
  // A prime joins the selection, taking the place of one of the same focal length.
  static void selectPrime(model::LensObject& lens, std::vector<model::LensObject>& lenses);
  // A zoom becomes the only selected lens of its series.
  static void selectZoom(model::LensObject& lens);
  static void deselect(model::LensObject& lens);

  // The user's own lens goes from the catalogue and from the saved packages in one step
  // (CatalogueRowDeletion), unless it is the last lens the series lists (a series keeps at least one
  // lens). Refused: nothing changed, the saved packages included.
  enum class Deleted { Done, LastLens, Refused };
  [[nodiscard]] static Deleted deleteLens(const model::LensObject& lens, size_t lensesListed);
  // The user's own series goes with its lenses and every saved package that uses it, in one step;
  // Refused, with nothing changed, when that could not be.
  [[nodiscard]] static Deleted deleteSeries(int seriesId);
};

}  // namespace app::setup

