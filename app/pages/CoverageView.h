#pragma once

#include <memory>
#include <optional>

#include "app/model/CameraPackage.h"
#include "app/pages/FormatLabelGroups.h"
#include "app/pages/PageContentView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/View.h"

namespace app::pages {

// Draws package one's recording area (and extraction) and, over it, the lens's image circle, all at one
// scale that leaves room for the largest circle of the series.
class CoverageDrawView : public platform::ui::View {
 public:
  // Points per millimetre for the current package and size; 0 when nothing of a size can be drawn.
  void updateScale();
  float scaleFactor() const { return scaleFactor_; }
  // Replaces the circle: `diameter` mm through the adapter, as tall as the lens squeeze makes it.
  void drawImageCircle(float diameter, float anamorphic, float adapter);
  // The circle's layer; null while no circle is drawn.
  std::shared_ptr<platform::ui::ShapeLayer> circleLayer() const { return circle_; }

 protected:
  explicit CoverageDrawView(const platform::ui::Rect& frame = {}) : View(frame) {}
  void drawRect(const platform::ui::Rect& rect) override;
  void layoutSubviews() override;

 private:
  void placeCircle();

  float scaleFactor_ = 0;
  struct Circle {
    float diameter = 0, anamorphic = 1, adapter = 1;
  };
  std::optional<Circle> lastCircle_;
  std::shared_ptr<platform::ui::ShapeLayer> circle_;
};

// The coverage page: whether package one's lens covers its sensor. The image circle at the dialled focal
// length beside the diagonals of the recording area and the extraction, and the drawing of both; a hint
// slides in a second after the page opens and out six seconds later.
class CoverageView : public app::pages::PageView {
 public:
  void updateLabels();
  void drawCoverage();
  void setFLIndex(int index);
  void updateImageCircle();
  void setFocalLength(float focalLength);
  void setFocalLengthZoomPercentage(float percentage) { zoomPercentage_ = percentage; }
  float focalLengthZoomPercentage() const { return zoomPercentage_; }
  void killAnimation();
  void displayShootTestsLabel();

  const std::optional<model::CameraPackage>& mCameraPackage() const { return package_; }
  void setCameraPackage(std::optional<model::CameraPackage> package) { package_ = std::move(package); }
  int currentFLIndex() const { return currentFLIndex_; }
  float currentImageCircle() const { return currentImageCircle_; }
  float currentFocalLength() const { return currentFocalLength_; }

  const std::shared_ptr<platform::ui::Label>& imageCircleLabel() const { return imageCircleLabel_; }
  const std::shared_ptr<platform::ui::Label>& lensAtFocalLengthLabel() const { return lensAtFocalLengthLabel_; }
  const std::shared_ptr<platform::ui::Label>& shootTestsLabel() const { return shootTestsLabel_; }
  platform::ui::LayoutConstraint& shootTestsTopConstraint() { return shootTestsTop_; }
  const app::pages::FormatLabelGroups& formatOne() const { return formatOne_; }
  const std::shared_ptr<CoverageDrawView>& coverageDrawView() const { return coverageDrawView_; }

 protected:
  explicit CoverageView(const platform::ui::Rect& frame = {});

 private:
  void layoutContent() override;
  void slideHint(double constant, double delay, std::function<void(bool)> completion);

  std::optional<model::CameraPackage> package_;
  float zoomPercentage_ = 0;
  int currentFLIndex_ = -1;
  float currentImageCircle_ = 0;
  float currentFocalLength_ = 0;

  std::shared_ptr<platform::ui::Label> imageCircleLabel_, lensAtFocalLengthLabel_, shootTestsLabel_;
  platform::ui::LayoutConstraint shootTestsTop_;
  app::pages::FormatLabelGroups formatOne_;
  std::shared_ptr<CoverageDrawView> coverageDrawView_;
};

}  // namespace app::pages

