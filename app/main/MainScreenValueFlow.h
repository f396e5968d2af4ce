#pragma once

#include "app/main/InputScrollViewDelegate.h"
#include "app/main/MainScreenLayout.h"
#include "app/main/ValueDisplayView.h"
#include "app/pages/LensMatchView.h"
#include "platform/graphics/Color.h"

namespace app::main {

// The road of a value on the main screen: what a bar reports and what a person types into a value
// display reaches the displays and the pages, and the other package follows by lens match, in the
// direction the settings give. It keeps the values each package shows. It is the part of the main
// screen that answers the bars, the value displays and the lens match page, so the screen adopts their
// delegate protocols through it and every call lands here at once. Main thread only.
class MainScreenValueFlow : public InputScrollViewDelegate,
                            public ValueDisplayViewDelegate,
                            public pages::LensMatchDelegate {
 public:
  // What a bar reports.
  void updateFocalLength(float focalLength, bool isSecondCamera, bool isProgrammaticScroll) override;
  void updateAperture(float aperture, bool isSecondCamera, bool isProgrammaticScroll) override;
  // There is one distance bar: whose it is does not matter.
  void updateDistance(float distance, bool isSecondCamera) override;
  // The other package's focal length bar looks for the prime under its marker again; `value` is unused.
  void updateMatchPrimeLens(int value, bool isSecondCamera) override;
  void freeProgrammaticScrollFocalLength(bool isSecondCamera) override;
  void freeProgrammaticScrollAperture(bool isSecondCamera) override;
  void switchPrimesLensWithSecondCamera(bool isSecondCamera, int arrayIndex) override;
  void valuesOutOfRangeFor(int scrollBarType, bool isSecondCamera) override;
  void valuesWithinOfRangeFor(int scrollBarType, bool isSecondCamera) override;
  // Sent by a bar when a person starts or stops dragging it.
  void blockSwipeGesture(bool block) override;
  // The zoom's position on package one's focal length bar, to the coverage page.
  void updateScrollBarPercentage();

  // The other package follows by lens match.
  void makeSecondFormatMatchFirstwithFocalLength(float focalLength);
  void makeFirstFormatMatchSecondwithFocalLength(float focalLength);
  void makeSecondFormatMatchFirstwithAperture(float aperture);
  void makeFirstFormatMatchSecondwithAperture(float aperture);
  // The match direction switched: the package the person moved last is the source.
  void lensMatchTypeSwitchUpdate() override;

  // Typed values from a value display, told apart by their sender; one that is neither display is ignored.
  void setFocalLength(float focalLength, ValueDisplayView& sender) override;
  void setAperture(float aperture, ValueDisplayView& sender) override;
  void setDistance(float distance, ValueDisplayView& sender) override;
  // The same by package (package two's when `second`); there is one distance, whichever display sent it.
  void setFocalLengthFromDisplay(float focalLength, bool second);
  void setApertureFromDisplay(float aperture, bool second);

  // The value display's label and text field of a bar type (0 focal length, 1 aperture, 2 distance).
  static void colourValue(ValueDisplayView& display, int type, const platform::graphics::Color& colour);

  float currentFocalLengthFormatOne = 0, currentFocalLengthFormatTwo = 0;
  float currentApertureFormatOne = 0, currentApertureFormatTwo = 0;
  int lastActiveFLScrollbar = 1;

 protected:
  // `views` are the screen's, filled in once its view is loaded; `blockSwipe` is the screen's flag. Both
  // may be members of the screen not yet made: they are only kept here, and used once it is.
  MainScreenValueFlow(const MainScreenViews& views, bool& blockSwipe) : views_(views), blockSwipe_(blockSwipe) {}

 private:
  const MainScreenViews& views_;
  bool& blockSwipe_;
};

}  // namespace app::main
