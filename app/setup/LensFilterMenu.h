#pragma once

#include "app/setup/LensFilters.h"

namespace app::setup {

class LensesFocalLengthsViewController;

// The lens picker's filter menu: the filter button slides it out under the filter bar, its four
// buttons keep the series list to primes or zooms and to spherical or anamorphic series, and its
// clear button takes every filter away. The button's icon shows whether a filter is on. Main thread only.
class LensFilterMenu {
 public:
  explicit LensFilterMenu(LensesFocalLengthsViewController& screen) : screen_(screen) {}

  // Opens the menu, or closes it keeping the filters.
  void toggle();
  void primesPressed();
  void zoomsPressed();
  void sphericalPressed();
  void anamorphicPressed();
  // Closes the menu and, once it is closed, clears the filters and lists every series again.
  void clear();

  LensFilters filters;
  bool filterMenuOpen = false;

 private:
  void open();
  void showIcon(bool active);

  LensesFocalLengthsViewController& screen_;
};

}  // namespace app::setup
