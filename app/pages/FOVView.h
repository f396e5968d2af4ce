#pragma once

#include <memory>
#include <optional>

#include "app/model/CameraPackage.h"
#include "app/pages/FieldOfView.h"
#include "app/pages/PageContentView.h"
#include "platform/graphics/Path.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/View.h"

namespace app::pages {

// The field-of-view page: the horizontal, vertical and diagonal angles of view of package one at the
// dialled focal length, and the chosen one drawn as an opening cone with the focus distance and the width
// of the scene there. shapeInit runs once before the first drawing; calculateFOV after every change.
class FOVView : public app::pages::PageView {
 public:
  void shapeInit();
  void setFocalLength(float focalLength) { focalLength_ = focalLength; }
  // Shows the new focus distance at once; the width of the scene follows at the next drawing.
  void setDistance(float distance);
  void calculateFOV();
  void drawIllustrationWithAngle(float angle);
  void horizontalBtnPressed();
  void verticalBtnPressed();
  void diagonalBtnPressed();

  const std::optional<model::CameraPackage>& mCameraPackage() const { return package_; }
  void setCameraPackage(std::optional<model::CameraPackage> package) { package_ = std::move(package); }

  float sensorWidth() const { return sensorWidth_; }
  float sensorHeight() const { return sensorHeight_; }
  float horangle() const { return angles_.horizontal; }
  float verangle() const { return angles_.vertical; }
  float diaangle() const { return angles_.diagonal; }
  int selectedAngle() const { return selectedAngle_; }
  const platform::graphics::Path& path() const { return path_; }
  const platform::graphics::Path& pathDistance() const { return pathDistance_; }
  const platform::graphics::Path& pathWidth() const { return pathWidth_; }
  const std::shared_ptr<platform::ui::ShapeLayer>& shapeLayer() const { return shapeLayer_; }
  const std::shared_ptr<platform::ui::ShapeLayer>& shapeLayerDistance() const { return shapeLayerDistance_; }
  const std::shared_ptr<platform::ui::ShapeLayer>& shapeLayerWidth() const { return shapeLayerWidth_; }

  const std::shared_ptr<platform::ui::Label>& fovHorizontalLabel() const { return fovHorizontalLabel_; }
  const std::shared_ptr<platform::ui::Label>& fovVerticalLabel() const { return fovVerticalLabel_; }
  const std::shared_ptr<platform::ui::Label>& fovDiagonalLabel() const { return fovDiagonalLabel_; }
  const std::shared_ptr<platform::ui::Button>& horizontalBtn() const { return horizontalBtn_; }
  const std::shared_ptr<platform::ui::Button>& verticalBtn() const { return verticalBtn_; }
  const std::shared_ptr<platform::ui::Button>& diagonalBtn() const { return diagonalBtn_; }
  const std::shared_ptr<platform::ui::Label>& angleLabel() const { return angleLabel_; }
  const std::shared_ptr<platform::ui::Label>& distanceLabel() const { return distanceLabel_; }
  const std::shared_ptr<platform::ui::Label>& widthLabel() const { return widthLabel_; }
  const std::shared_ptr<platform::ui::View>& angleIllustrationView() const { return angleIllustrationView_; }
  platform::ui::LayoutConstraint& indicatorCenterXConstraint() { return indicatorCenterX_; }

 protected:
  explicit FOVView(const platform::ui::Rect& frame = {});

 private:
  void customInit();
  void layoutContent() override;
  void select(int angle, const std::shared_ptr<platform::ui::Label>& highlighted, double indicatorOffset,
              const char* caption);
  static void animatePath(platform::ui::ShapeLayer& layer, const platform::graphics::Path& from,
                          const platform::graphics::Path& to);

  float sensorWidth_ = 1;
  float sensorHeight_ = 1;
  float focalLength_ = 0;
  float distance_ = 0;
  app::pages::FieldOfView angles_;
  int selectedAngle_ = 0;
  std::optional<model::CameraPackage> package_;
  platform::graphics::Path path_, pathDistance_, pathWidth_;
  std::shared_ptr<platform::ui::ShapeLayer> shapeLayer_, shapeLayerDistance_, shapeLayerWidth_;

  std::shared_ptr<platform::ui::Label> fovHorizontalLabel_, fovVerticalLabel_, fovDiagonalLabel_;
  std::shared_ptr<platform::ui::Button> horizontalBtn_, verticalBtn_, diagonalBtn_;
  std::shared_ptr<platform::ui::Label> angleLabel_, distanceLabel_, widthLabel_;
  std::shared_ptr<platform::ui::View> angleIllustrationView_, indicator_;
  platform::ui::LayoutConstraint indicatorCenterX_;
};

}  // namespace app::pages

