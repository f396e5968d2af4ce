#pragma once

#include <memory>
#include <optional>

#include "app/model/CameraPackage.h"
#include "app/pages/CoCViewDelegate.h"
#include "app/pages/DepthOfField.h"
#include "app/pages/PageContentView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/View.h"

namespace app::pages {

// The depth-of-field page: for package one at the dialled focal length, aperture and focus distance, the
// circle of confusion, the hyperfocal distance, the near and far limits and the total depth, with a near
// and a far marker on a strip around the focus point. The main screen recalculates it after every change,
// the circle-of-confusion tile after a new factor.
class DOFView : public app::pages::PageView, public CoCViewDelegate {
 public:
  void setFocalLength(float focalLength) { focalLength_ = focalLength; }
  void setAperture(float aperture) { aperture_ = aperture; }
  // Shows the new focus distance at once; the limits follow at the next calculateDOF.
  void setDistance(float distance);
  void calculateDOF() override;

  const std::optional<model::CameraPackage>& mCameraPackage() const { return package_; }
  void setCameraPackage(std::optional<model::CameraPackage> package) { package_ = std::move(package); }

  float sensorWidth() const { return sensorWidth_; }
  float sensorHeight() const { return sensorHeight_; }
  float strictness() const { return strictness_; }
  double circleOfConfusion() const { return dof_.circleOfConfusion; }
  double hyperFocalDistance() const { return dof_.hyperFocalDistance; }
  double nearDistance() const { return dof_.nearDistance; }
  double farDistance() const { return dof_.farDistance; }

  const std::shared_ptr<platform::ui::Label>& dofLabel() const { return dofLabel_; }
  const std::shared_ptr<platform::ui::Label>& hyperFocalLabel() const { return hyperFocalLabel_; }
  const std::shared_ptr<platform::ui::Label>& nearLabel() const { return nearLabel_; }
  const std::shared_ptr<platform::ui::Label>& farLabel() const { return farLabel_; }
  const std::shared_ptr<platform::ui::Label>& distanceLabel() const { return distanceLabel_; }
  const std::shared_ptr<platform::ui::Label>& cocLabel() const { return cocLabel_; }
  const std::shared_ptr<platform::ui::View>& markerContainer() const { return markerContainer_; }
  platform::ui::LayoutConstraint& nearMarkerCenterXConstraint() { return nearMarkerCenterX_; }
  platform::ui::LayoutConstraint& farMarkerCenterXConstraint() { return farMarkerCenterX_; }

 protected:
  explicit DOFView(const platform::ui::Rect& frame = {});

 private:
  void customInit();
  void layoutContent() override;
  void showInfinite(bool infinite);

  float sensorWidth_ = 1;
  float sensorHeight_ = 1;
  float focalLength_ = 0;
  float aperture_ = 0;
  float distance_ = 0;
  float strictness_ = 0;
  app::pages::DepthOfField dof_;
  std::optional<model::CameraPackage> package_;

  std::shared_ptr<platform::ui::Label> dofLabel_, hyperFocalLabel_, nearLabel_, farLabel_, distanceLabel_, cocLabel_;
  std::shared_ptr<platform::ui::Label> dofCaption_, hyperFocalCaption_, nearCaption_, farCaption_;
  std::shared_ptr<platform::ui::View> markerContainer_, stripLine_, focusMark_, nearMarker_, farMarker_;
  platform::ui::LayoutConstraint nearMarkerCenterX_;
  platform::ui::LayoutConstraint farMarkerCenterX_;
};

}  // namespace app::pages

