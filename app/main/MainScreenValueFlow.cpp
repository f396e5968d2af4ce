#include "app/main/MainScreenValueFlow.h"

#include <cmath>
#include <cstdio>

#include "app/kit/UIConstants.h"
#include "app/optics/LensLimits.h"
#include "app/optics/LensMatchCalc.h"
#include "app/pages/PageState.h"
#include "platform/dispatch/Queue.h"
#include "platform/log/Log.h"

using app::optics::LensLimits;

namespace app::main {

namespace {

// Longer than a bar's own animated move (0.4 s): by then every report of a match-direction switch is in.
constexpr double kSwitchSettle = 0.5;

struct Match {
  float focalLength = 0;
  float aperture = 0;
};

std::string formatted(const char* format, double a, double b = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// The focal length (and, with an aperture, the aperture) on `target` that matches `source`, in the
// settings' direction: 0 matches widths, anything else heights. Both directions are computed.
// A format without size gives no match at all (not a number or infinity): the target then stays where it is.
Match lensMatch(const model::CameraPackage& source, float focalLength, float aperture, const model::CameraPackage& target) {
  const int cocFactor = app::pages::framesObject()->settings.cocFactor;
  const double horizontal = optics::LensMatchCalc::horMatchWithPackageSource(source, focalLength, target);
  const double vertical = optics::LensMatchCalc::verMatchWithPackageSource(source, focalLength, target);
  const double horizontalAperture =
      optics::LensMatchCalc::horApertureMatchWithPackageSource(source, focalLength, aperture, target, cocFactor);
  const double verticalAperture =
      optics::LensMatchCalc::verApertureMatchWithPackageSource(source, focalLength, aperture, target, cocFactor);
  const bool widths = app::pages::framesObject()->settings.lensMatchType == 0;
  return {static_cast<float>(widths ? horizontal : vertical),
          static_cast<float>(widths ? horizontalAperture : verticalAperture)};
}

// A matched stop no lens can be set to (the depth would need a lens opening wider than any, or a stop
// behind the lens) has no place on the bar: the display shows no value, in the out-of-range colour the
// bar gives it, and the bar stays where it was.
void moveToMatchedAperture(InputScrollView& bar, float aperture, bool animated) {
  if (LensLimits::isFNumber(aperture)) {
    bar.setAperture(aperture, animated);
  } else {
    bar.showOutOfRangeWarning();
  }
}

}  // namespace

void MainScreenValueFlow::updateFocalLength(float focalLength, bool isSecondCamera, bool isProgrammaticScroll) {
  auto& v = views_;
  if (isSecondCamera) {
    currentFocalLengthFormatTwo = focalLength;
    v.secondValueDisplayView->setFocalLength(focalLength);
    if (!isProgrammaticScroll) {
      v.focalLengthScrollBar->scrollingProgrammatically = true;
      makeFirstFormatMatchSecondwithFocalLength(focalLength);
    }
    return;
  }
  currentFocalLengthFormatOne = focalLength;
  v.valueDisplayView->setFocalLength(focalLength);
  v.DOFResultView->setFocalLength(focalLength);
  v.DOFResultView->calculateDOF();
  v.FOVResultView->setFocalLength(focalLength);
  v.FOVResultView->calculateFOV();
  v.coverageView->setFocalLength(focalLength);
  if (!isProgrammaticScroll) {
    v.SecondFocalLengthScrollBar->scrollingProgrammatically = true;
    makeSecondFormatMatchFirstwithFocalLength(focalLength);
  }
  const auto& one = app::pages::framesObject()->packageOne;
  if (one && one->lensManufacturer && one->lensManufacturer->lensType == "Zoom Lens") updateScrollBarPercentage();
}

void MainScreenValueFlow::makeSecondFormatMatchFirstwithFocalLength(float focalLength) {
  auto frames = app::pages::framesObject();
  if (!frames->packageOne || !frames->packageTwo) return;
  const float m = lensMatch(*frames->packageOne, focalLength, currentApertureFormatOne, *frames->packageTwo).focalLength;
  if (!std::isfinite(m)) return;
  currentFocalLengthFormatTwo = m;
  views_.SecondFocalLengthScrollBar->setFocalLength(m, false);
  views_.secondValueDisplayView->setFocalLength(m);
  lastActiveFLScrollbar = 1;
}

void MainScreenValueFlow::makeFirstFormatMatchSecondwithFocalLength(float focalLength) {
  auto frames = app::pages::framesObject();
  if (!frames->packageOne || !frames->packageTwo) return;
  const float m = lensMatch(*frames->packageTwo, focalLength, currentApertureFormatTwo, *frames->packageOne).focalLength;
  platform::log::write(platform::log::Debug, formatted("FL. %f MATCH: %f", focalLength, m));
  if (!std::isfinite(m)) return;
  currentFocalLengthFormatOne = m;
  views_.focalLengthScrollBar->setFocalLength(m, false);
  views_.valueDisplayView->setFocalLength(m);
  views_.DOFResultView->setFocalLength(m);
  views_.DOFResultView->calculateDOF();
  views_.FOVResultView->setFocalLength(m);
  views_.FOVResultView->calculateFOV();
  lastActiveFLScrollbar = 2;
}

void MainScreenValueFlow::updateScrollBarPercentage() {
  const auto& bar = *views_.focalLengthScrollBar;
  float percent = static_cast<float>(bar.position() / bar.scaleWidth() * 100);
  // A scale without length gives no number at all; it counts as the start.
  if (!(percent > 0)) percent = 0;
  if (percent > 100) percent = 100;
  platform::log::write(platform::log::Debug, formatted("percent %f", percent));
  views_.coverageView->setFocalLengthZoomPercentage(percent);
  views_.coverageView->updateImageCircle();
}

void MainScreenValueFlow::updateMatchPrimeLens(int, bool isSecondCamera) {
  (isSecondCamera ? views_.focalLengthScrollBar : views_.SecondFocalLengthScrollBar)->updatePrimeLensIndex();
}

void MainScreenValueFlow::lensMatchTypeSwitchUpdate() {
  auto frames = app::pages::framesObject();
  if (!frames->packageOne || !frames->packageTwo) return;
  const int last = lastActiveFLScrollbar;
  const bool sourceIsOne = last == 1;
  const model::CameraPackage& source = sourceIsOne ? *frames->packageOne : *frames->packageTwo;
  const model::CameraPackage& target = sourceIsOne ? *frames->packageTwo : *frames->packageOne;
  const float focalLength = sourceIsOne ? currentFocalLengthFormatOne : currentFocalLengthFormatTwo;
  const float aperture = sourceIsOne ? currentApertureFormatOne : currentApertureFormatTwo;
  const Match match = lensMatch(source, focalLength, aperture, target);
  if (!std::isfinite(match.focalLength) || !std::isfinite(match.aperture)) return;
  (sourceIsOne ? currentFocalLengthFormatTwo : currentFocalLengthFormatOne) = match.focalLength;
  (sourceIsOne ? currentApertureFormatTwo : currentApertureFormatOne) = match.aperture;
  auto& targetFocal = sourceIsOne ? views_.SecondFocalLengthScrollBar : views_.focalLengthScrollBar;
  auto& targetAperture = sourceIsOne ? views_.secondApertureScrollBar : views_.apertureScrollBar;
  auto& sourceFocal = sourceIsOne ? views_.focalLengthScrollBar : views_.SecondFocalLengthScrollBar;
  auto& targetDisplay = sourceIsOne ? *views_.secondValueDisplayView : *views_.valueDisplayView;
  // The target bars move as matches: their reports must not match the source back, or a target held
  // at its lens's end would drag the user's own value on the source with it. Each flag is cleared by
  // the source's next report.
  targetFocal->scrollingProgrammatically = true;
  targetAperture->scrollingProgrammatically = true;
  targetFocal->setFocalLength(match.focalLength, true);
  targetDisplay.setFocalLength(match.focalLength);
  targetFocal->updatePrimeLensIndex();
  sourceFocal->hideOutOfRangeWarning();
  moveToMatchedAperture(*targetAperture, match.aperture, true);
  targetDisplay.setAperture(match.aperture);
  lastActiveFLScrollbar = last;
  // A target that did not move, or has finished moving, must answer the person's own drags again.
  std::weak_ptr<InputScrollView> focal = targetFocal, stop = targetAperture;
  platform::dispatch::Queue::main()->after(kSwitchSettle, [focal, stop] {
    for (const auto& weak : {focal, stop}) {
      if (auto bar = weak.lock()) bar->scrollingProgrammatically = false;
    }
  });
}

void MainScreenValueFlow::blockSwipeGesture(bool block) {
  blockSwipe_ = block;
  // Between two steps of the flow no bar is moved on the screen's behalf: a drag that begins while a
  // switch's move is still running takes the bar over.
  if (block) {
    for (const auto& bar : views_.bars()) bar->scrollingProgrammatically = false;
  }
}

void MainScreenValueFlow::updateAperture(float aperture, bool isSecondCamera, bool isProgrammaticScroll) {
  auto& v = views_;
  if (isSecondCamera) {
    currentApertureFormatTwo = aperture;
    v.secondValueDisplayView->setAperture(aperture);
    if (!isProgrammaticScroll) {
      v.apertureScrollBar->scrollingProgrammatically = true;
      makeFirstFormatMatchSecondwithAperture(aperture);
    }
    return;
  }
  currentApertureFormatOne = aperture;
  v.valueDisplayView->setAperture(aperture);
  v.DOFResultView->setAperture(aperture);
  v.DOFResultView->calculateDOF();
  if (!isProgrammaticScroll) {
    v.secondApertureScrollBar->scrollingProgrammatically = true;
    makeSecondFormatMatchFirstwithAperture(aperture);
  }
}

void MainScreenValueFlow::makeSecondFormatMatchFirstwithAperture(float aperture) {
  auto frames = app::pages::framesObject();
  if (!frames->packageOne || !frames->packageTwo) return;
  const float a = lensMatch(*frames->packageOne, currentFocalLengthFormatOne, aperture, *frames->packageTwo).aperture;
  platform::log::write(platform::log::Debug, formatted("Match Format Two: %f.1", a));
  if (!std::isfinite(a)) return;
  currentApertureFormatTwo = a;
  views_.secondValueDisplayView->setAperture(a);
  moveToMatchedAperture(*views_.secondApertureScrollBar, a, false);
}

void MainScreenValueFlow::makeFirstFormatMatchSecondwithAperture(float aperture) {
  auto frames = app::pages::framesObject();
  if (!frames->packageOne || !frames->packageTwo) return;
  const float a = lensMatch(*frames->packageTwo, currentFocalLengthFormatTwo, aperture, *frames->packageOne).aperture;
  platform::log::write(platform::log::Debug, formatted("Match Format One: %f.1", a));
  if (!std::isfinite(a)) return;
  currentApertureFormatOne = a;
  views_.valueDisplayView->setAperture(a);
  moveToMatchedAperture(*views_.apertureScrollBar, a, false);
}

void MainScreenValueFlow::freeProgrammaticScrollFocalLength(bool isSecondCamera) {
  platform::log::write(platform::log::Debug, "FREE");
  (isSecondCamera ? views_.focalLengthScrollBar : views_.SecondFocalLengthScrollBar)->scrollingProgrammatically =
      false;
}

void MainScreenValueFlow::freeProgrammaticScrollAperture(bool isSecondCamera) {
  (isSecondCamera ? views_.apertureScrollBar : views_.secondApertureScrollBar)->scrollingProgrammatically = false;
}

void MainScreenValueFlow::updateDistance(float distance, bool) {
  views_.valueDisplayView->setDistance(distance);
  views_.DOFResultView->setDistance(distance);
  views_.DOFResultView->calculateDOF();
  views_.FOVResultView->setDistance(distance);
  views_.FOVResultView->calculateFOV();
}

void MainScreenValueFlow::switchPrimesLensWithSecondCamera(bool isSecondCamera, int arrayIndex) {
  auto& v = views_;
  if (isSecondCamera) {
    v.secondApertureScrollBar->setFLIndex(arrayIndex);
    v.secondApertureScrollBar->setInputType(1);
    return;
  }
  v.apertureScrollBar->setFLIndex(arrayIndex);
  v.distanceScrollBar->setFLIndex(arrayIndex);
  v.apertureScrollBar->setInputType(1);
  v.distanceScrollBar->setInputType(2);
  v.coverageView->setFLIndex(arrayIndex);
}

void MainScreenValueFlow::colourValue(ValueDisplayView& display, int type, const platform::graphics::Color& colour) {
  switch (type) {
    case 0:
      display.focalLengthLabel()->setTextColor(colour);
      display.focalLengthTextField()->setTextColor(colour);
      break;
    case 1:
      display.apertureLabel()->setTextColor(colour);
      display.apertureTextField()->setTextColor(colour);
      break;
    case 2:
      display.distanceLabel()->setTextColor(colour);
      display.distanceTextField()->setTextColor(colour);
      break;
    default: break;
  }
}

void MainScreenValueFlow::valuesOutOfRangeFor(int scrollBarType, bool isSecondCamera) {
  // There is one distance bar: its warning is always package one's.
  auto& display = isSecondCamera && scrollBarType != 2 ? *views_.secondValueDisplayView : *views_.valueDisplayView;
  colourValue(display, scrollBarType, kit::UIConstants::redWarning());
}

void MainScreenValueFlow::valuesWithinOfRangeFor(int scrollBarType, bool isSecondCamera) {
  const bool second = isSecondCamera && scrollBarType != 2;
  colourValue(second ? *views_.secondValueDisplayView : *views_.valueDisplayView, scrollBarType,
              second ? kit::UIConstants::secondCameraGreen() : kit::UIConstants::blue());
}

void MainScreenValueFlow::setFocalLengthFromDisplay(float focalLength, bool second) {
  if (second) {
    views_.SecondFocalLengthScrollBar->setFocalLength(focalLength, true);
    makeFirstFormatMatchSecondwithFocalLength(focalLength);
    views_.SecondFocalLengthScrollBar->updatePrimeLensIndex();
    lastActiveFLScrollbar = 2;
    return;
  }
  views_.focalLengthScrollBar->setFocalLength(focalLength, true);
  makeSecondFormatMatchFirstwithFocalLength(focalLength);
  views_.focalLengthScrollBar->updatePrimeLensIndex();
  views_.DOFResultView->setFocalLength(focalLength);
  views_.DOFResultView->calculateDOF();
  views_.FOVResultView->setFocalLength(focalLength);
  views_.FOVResultView->calculateFOV();
  lastActiveFLScrollbar = 1;
}

void MainScreenValueFlow::setApertureFromDisplay(float aperture, bool second) {
  if (second) {
    views_.secondApertureScrollBar->setAperture(aperture, true);
    makeFirstFormatMatchSecondwithAperture(aperture);
    lastActiveFLScrollbar = 2;
    return;
  }
  views_.apertureScrollBar->setAperture(aperture, true);
  makeSecondFormatMatchFirstwithAperture(aperture);
  views_.DOFResultView->setAperture(aperture);
  views_.DOFResultView->calculateDOF();
}

void MainScreenValueFlow::setDistance(float distance, ValueDisplayView&) {
  views_.distanceScrollBar->setDistance(distance, true);
  views_.DOFResultView->setDistance(distance);
  views_.DOFResultView->calculateDOF();
  views_.FOVResultView->setDistance(distance);
  views_.FOVResultView->calculateFOV();
  lastActiveFLScrollbar = 1;
}

void MainScreenValueFlow::setFocalLength(float focalLength, ValueDisplayView& sender) {
  if (&sender == views_.secondValueDisplayView.get()) {
    setFocalLengthFromDisplay(focalLength, true);
  } else if (&sender == views_.valueDisplayView.get()) {
    setFocalLengthFromDisplay(focalLength, false);
  }
}

void MainScreenValueFlow::setAperture(float aperture, ValueDisplayView& sender) {
  if (&sender == views_.secondValueDisplayView.get()) {
    setApertureFromDisplay(aperture, true);
  } else if (&sender == views_.valueDisplayView.get()) {
    setApertureFromDisplay(aperture, false);
  }
}

}  // namespace app::main

