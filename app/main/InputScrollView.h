#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main/InputScrollViewDelegate.h"
#include "app/main/ScaleLabels.h"
#include "app/model/LensSet.h"
#include "app/model/CameraPackage.h"
#include "platform/ui/DelegateRef.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/GradientLayer.h"
#include "platform/ui/Label.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/ScrollView.h"

namespace app::main {

// The horizontal scale the person drags to dial one value of a camera package: focal length (type 0),
// aperture (1) or focus distance (2). The value under the fixed centre marker is the input. The scale
// sits inside its scroller with insets of half the visible width on both sides, so the point of the
// scale under the marker is exactly the content offset: "the position" below.
class InputScrollView : public platform::ui::View, public platform::ui::ScrollViewDelegate {
 public:
  static constexpr double kLabelY = ScaleLabels::kLabelY;

  // --- set-up and scales ---
  void makeSecondCamera() { secondCamera_ = true; }
  bool secondCamera() const { return secondCamera_; }
  // The one entry that (re)builds a scale for the package, lens set and factors as they stand.
  void setInputType(int type);
  void setFLIndex(int index);
  void setApertureAndCloseFocus();
  void makeFocalLength();
  void makeAperture();
  void makeDistance();
  void redrawScrollBarWithAnimation(int type);
  // The view's current subviews become the labels the next cross-fade fades out.
  void listSubviewsOfView(const platform::ui::View& view) { labels_.fadeOutNext(view); }
  void addLabelwithPosition(float position, const std::string& text, int kind) {
    ScaleLabels::add(*scrollBar_, position, text, kind);
  }
  static float linearToNonLinearCurve(float x, float width) { return x * x / width; }
  static float nonLinearToLinearCurve(float y, float width);

  // --- position and value ---
  float focalLengthAt(double position) const;
  float apertureAt(double position) const;
  float distanceAt(double position) const;
  double positionForFocalLength(float focalLength) const;
  double positionForAperture(float fNumber) const;
  double positionForDistance(float meters) const;
  double position() const { return scrollView_->contentOffset().x; }
  double scaleWidth() const { return scrollBarWidthConstraint_.constant(); }
  // Where the marker stands along the scale, 0 at its start and 100 at its end; 0 for a scale without
  // length.
  float zoomPercentage() const;

  // --- behaviour ---
  void scrollUpdateFocalLength();
  void scrollUpdateAperture();
  void scrollUpdateDistance();
  void setFocalLength(float focalLength, bool withAnimation);
  void setAperture(float fNumber, bool withAnimation);
  void setDistance(float meters, bool withAnimation);
  void snapToValueFocalLength(float position, bool didUserTap);
  void snapToValueAperture(float position, bool didUserTap);
  void snapToValueDistance(float position, bool didUserTap);
  void updatePrimeLensIndex();
  void primeLensHasChangedWithFLIndex(int index);
  void showOutOfRangeWarning();
  void hideOutOfRangeWarning();
  void abortScrollViewAnimation();
  void tapInScrollBar(platform::ui::GestureRecognizer& tap);
  void tapOutsideScrollBar(platform::ui::GestureRecognizer& tap);

  void scrollViewWillBeginDragging(platform::ui::ScrollView&) override;
  void scrollViewDidScroll(platform::ui::ScrollView&) override;
  void scrollViewDidEndDragging(platform::ui::ScrollView&, bool willDecelerate) override;
  void scrollViewDidEndDecelerating(platform::ui::ScrollView&) override;

  // --- properties ---
  float sensorWidth = 24.0f;
  float anamorphic = 1.0f;
  float adapter = 1.0f;
  bool scrollingProgrammatically = false;
  model::LensSet lensSet;
  std::optional<model::CameraPackage> mCameraPackage;
  void setInputDelegate(InputScrollViewDelegate* delegate) { delegate_.set(delegate); }
  void setInputDelegate(const std::shared_ptr<InputScrollViewDelegate>& delegate) { delegate_.set(delegate); }

  // --- outlets ---
  const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
  const std::shared_ptr<platform::ui::ScrollView>& scrollView() const { return scrollView_; }
  const std::shared_ptr<platform::ui::View>& scrollBar() const { return scrollBar_; }
  const std::shared_ptr<platform::ui::View>& scrollContentView() const { return scrollContentView_; }
  const std::shared_ptr<platform::ui::Label>& titleLabel() const { return titleLabel_; }
  const std::shared_ptr<platform::ui::View>& markerView() const { return markerView_; }
  const platform::ui::LayoutConstraint& scrollBarWidthConstraint() const { return scrollBarWidthConstraint_; }
  const platform::ui::LayoutConstraint& scrollBarLeadingConstraint() const { return scrollBarLeadingConstraint_; }
  const std::shared_ptr<platform::ui::GradientLayer>& gradientLayer() const { return gradient_; }

  // --- state, for the main screen and for checks ---
  int scrollBarType() const { return scrollBarType_; }
  const std::vector<float>& focalLengthArray() const { return focalLengthArray_; }
  const std::vector<float>& focalLengthSelectedArray() const { return focalLengthSelectedArray_; }
  const std::vector<double>& fovArray() const { return fovArray_; }
  const std::vector<double>& fovNotSelectedArrayDisplayed() const { return fovNotSelectedArrayDisplayed_; }
  const std::vector<float>& apertureArrayDisplayed() const { return apertureArrayDisplayed_; }
  const std::vector<float>& distanceArrayDisplayed() const { return distanceArrayDisplayed_; }
  float currentLensAperture() const { return currentLensAperture_; }
  float currentLensApertureClosed() const { return currentLensApertureClosed_; }
  float currentLensCloseFocus() const { return currentLensCloseFocus_; }
  int currentFLIndex() const { return currentFLIndex_; }
  float m() const { return m_; }
  float b() const { return b_; }
  bool snapped() const { return snapped_; }
  double lastFLSnapPosition() const { return lastFLSnapPosition_; }

 protected:
  explicit InputScrollView(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  void customInit();
  void setTitle(const char* key);
  void layOutScale();
  void tick(int style);
  bool hapticsOn() const;
  bool snapOn() const;
  void snapTo(double target);
  void tapFallback(double position, bool updatePrime);
  void moveAnimated(double target, double duration, unsigned options, std::function<void(InputScrollView&)> done);
  // `onScale`: the value lies between the scale's first and last values, so it is shown in range.
  void moveProgrammatically(double target, bool onScale, bool animated, bool silenceTicks);
  void endOfMovement();
  std::vector<float> metricOrImperialDistances() const;
  bool isPrimePackage() const;
  bool isZoomPackage() const;
  double distanceRatio() const;
  double apertureStep() const;

  int scrollBarType_ = 0;
  bool secondCamera_ = false;
  std::vector<float> focalLengthArray_, focalLengthSelectedArray_, focalLengthNotSelectedArray_,
      focalLengthDefaultArray_;
  std::vector<double> fovArray_, fovSelectedArray_, fovNotSelectedArray_, fovNotSelectedArrayDisplayed_;
  float range_ = 0, m_ = 0, b_ = 0;
  std::vector<float> apertureArray_, apertureArrayDisplayed_;
  float minAperture_ = 0, maxAperture_ = 0;
  std::vector<float> distanceArray_, distanceArrayDisplayed_;
  float closeFocusDistance_ = 0;
  float currentLensAperture_ = 0, currentLensApertureClosed_ = 0, currentLensCloseFocus_ = 0;
  int currentFLIndex_ = 0;
  ScaleLabels labels_;
  float lastHapticFeedback_ = 0;
  double lastFLSnapPosition_ = -1000.0;
  double snapFL_ = 0;
  bool snapped_ = false;

  std::shared_ptr<platform::ui::View> contentView_;
  std::shared_ptr<platform::ui::ScrollView> scrollView_;
  std::shared_ptr<platform::ui::View> scrollContentView_;
  std::shared_ptr<platform::ui::View> scrollBar_;
  std::shared_ptr<platform::ui::Label> titleLabel_;
  std::shared_ptr<platform::ui::View> markerView_;
  std::shared_ptr<platform::ui::GradientLayer> gradient_;
  platform::ui::LayoutConstraint scrollBarWidthConstraint_;
  platform::ui::LayoutConstraint scrollBarLeadingConstraint_;
  platform::ui::LayoutConstraint scrollBarTrailingConstraint_;
  platform::ui::DelegateRef<InputScrollViewDelegate> delegate_;
};

}  // namespace app::main

