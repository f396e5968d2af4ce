#pragma once

#include "app/main/MainScreenLayout.h"
#include "app/main/ValueDisplayView.h"
#include "platform/graphics/Color.h"

namespace app::main {

// The road of a value on the main screen: what a bar reports and what a person types into a value
// display reaches the displays and the pages, and the other package follows by lens match, in the
// direction the settings give. It keeps the values each package shows. Main thread only.
class MainScreenValueFlow {
 public:
  // `views` are the screen's, filled in once its view is loaded; `blockSwipe` is the screen's flag.
  MainScreenValueFlow(const MainScreenViews& views, bool& blockSwipe) : views_(views), blockSwipe_(blockSwipe) {}

  // What a bar reports.
  void updateFocalLength(float focalLength, bool isSecondCamera, bool isProgrammaticScroll);
  void updateAperture(float aperture, bool isSecondCamera, bool isProgrammaticScroll);
  void updateDistance(float distance);
  void updateScrollBarPercentage();
  void updateMatchPrimeLens(bool isSecondCamera);
  void freeProgrammaticScrollFocalLength(bool isSecondCamera);
  void freeProgrammaticScrollAperture(bool isSecondCamera);
  void switchPrimesLensWithSecondCamera(bool isSecondCamera, int arrayIndex);
  void valuesOutOfRangeFor(int scrollBarType, bool isSecondCamera);
  void valuesWithinOfRangeFor(int scrollBarType, bool isSecondCamera);
  void blockSwipeGesture(bool block);

  // The other package follows by lens match.
  void makeSecondFormatMatchFirstwithFocalLength(float focalLength);
  void makeFirstFormatMatchSecondwithFocalLength(float focalLength);
  void makeSecondFormatMatchFirstwithAperture(float aperture);
  void makeFirstFormatMatchSecondwithAperture(float aperture);
  // The match direction switched: the package the person moved last is the source.
  void lensMatchTypeSwitchUpdate();

  // Typed values from a value display (package two's when `second`, or by its sender).
  void setFocalLengthFromDisplay(float focalLength, bool second);
  void setApertureFromDisplay(float aperture, bool second);
  void setDistanceFromDisplay(float distance);
  void setFocalLength(float focalLength, ValueDisplayView& sender);
  void setAperture(float aperture, ValueDisplayView& sender);

  // The value display's label and text field of a bar type (0 focal length, 1 aperture, 2 distance).
  static void colourValue(ValueDisplayView& display, int type, const platform::graphics::Color& colour);

  float currentFocalLengthFormatOne = 0, currentFocalLengthFormatTwo = 0;
  float currentApertureFormatOne = 0, currentApertureFormatTwo = 0;
  int lastActiveFLScrollbar = 1;

 private:
  const MainScreenViews& views_;
  bool& blockSwipe_;
};

}  // namespace app::main
