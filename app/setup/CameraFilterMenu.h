#pragma once

#include "app/setup/CameraListSource.h"

namespace app::setup {

class CameraModeAspectViewController;

// The camera picker's filter menu: the filter button slides it out under the bar, its Cine and Photo
// buttons keep the camera list to one type (at most one at a time), and the button's icon shows
// whether a filter is on. Main thread only.
class CameraFilterMenu {
 public:
  explicit CameraFilterMenu(CameraModeAspectViewController& screen) : screen_(screen) {}

  // The filter button touched down, let go outside, and let go inside (the menu opens or closes).
  void buttonDown();
  void buttonUp();
  void toggle();
  // Slides the menu up; then the create button shows again, unless `keepCreateHidden` or something
  // open over the list hides it.
  void close(bool keepCreateHidden);
  // Closes the menu at once, the filters cleared and the list left as it is.
  void closeAtOnce();
  void cinePressed();
  void photoPressed();
  void clearFilters();
  CameraListSource::Filter filter() const;

  bool filterMenuOpen = false;
  bool filterCineActive = false;
  bool filterPhotoActive = false;

 private:
  void showLooks();
  void reload();

  CameraModeAspectViewController& screen_;
};

}  // namespace app::setup
