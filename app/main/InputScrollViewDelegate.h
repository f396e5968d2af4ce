#pragma once

namespace app::main {

// What a scroll bar tells the main screen. Not retained by the bar; every call is skipped without one.
class InputScrollViewDelegate {
 public:
  virtual ~InputScrollViewDelegate() = default;
  virtual void updateScrollBarPercentage(float percentage) {}
  virtual void updateFocalLength(float focalLength, bool isSecondCamera, bool isProgrammaticScroll) {}
  virtual void updateAperture(float aperture, bool isSecondCamera, bool isProgrammaticScroll) {}
  virtual void updateDistance(float distance, bool isSecondCamera) {}
  virtual void freeProgrammaticScrollFocalLength(bool isSecondCamera) {}
  virtual void freeProgrammaticScrollAperture(bool isSecondCamera) {}
  // The prime under the marker: an index into the lens set's lenses, or -1 for none.
  virtual void switchPrimesLensWithSecondCamera(bool isSecondCamera, int arrayIndex) {}
  virtual void valuesOutOfRangeFor(int scrollBarType, bool isSecondCamera) {}
  virtual void valuesWithinOfRangeFor(int scrollBarType, bool isSecondCamera) {}
  virtual void updateMatchPrimeLens(int value, bool isSecondCamera) {}
  virtual void blockSwipeGesture(bool block) {}
};

}  // namespace app::main

