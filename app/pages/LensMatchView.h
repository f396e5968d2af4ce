#pragma once

#include <memory>
#include <optional>

#include "app/kit/TextButton.h"
#include "app/model/CameraPackage.h"
#include "app/pages/AspectFrames.h"
#include "app/pages/PageContentView.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/View.h"

namespace app::pages {

// Told after the user chose horizontal or vertical matching, so the second package is matched again.
class LensMatchDelegate {
 public:
  virtual ~LensMatchDelegate() = default;
  virtual void lensMatchTypeSwitchUpdate() = 0;
};

// The lens-match page: both packages' picture formats as two framed rectangles (package one blue,
// package two green), and the choice between matching the second package's focal length horizontally
// (the same width of view) or vertically (the same height).
class LensMatchView : public app::pages::PageView {
 public:
  // Shows the stored choice; like pressing its button, this saves the preferences and tells the delegate.
  void setupLensMatchView();
  void setupIllustration();
  void changeIllustrationAspectRatio(float width, float height);
  void changeMatchAspectRatio(float width, float height);
  void horizontalBtnPressed();
  void verticalBtnPressed();

  const std::optional<model::CameraPackage>& mCameraPackageOne() const { return packageOne_; }
  void setCameraPackageOne(std::optional<model::CameraPackage> package) { packageOne_ = std::move(package); }
  const std::optional<model::CameraPackage>& mCameraPackageTwo() const { return packageTwo_; }
  void setCameraPackageTwo(std::optional<model::CameraPackage> package) { packageTwo_ = std::move(package); }
  // Not owned: the main screen outlives the page's use of it.
  void setMDelegate(std::weak_ptr<LensMatchDelegate> delegate) { delegate_ = std::move(delegate); }

  const std::shared_ptr<platform::ui::View>& illustrationView() const { return illustrationView_; }
  const std::shared_ptr<platform::ui::View>& matchView() const { return matchView_; }
  const std::shared_ptr<kit::TextButton>& horizontalBtn() const { return horizontalBtn_; }
  const std::shared_ptr<kit::TextButton>& verticalBtn() const { return verticalBtn_; }
  const std::shared_ptr<platform::ui::LayoutConstraint>& illustrationAspectConstraint() const {
    return illustrationAspect_;
  }
  const std::shared_ptr<platform::ui::LayoutConstraint>& matchAspectConstraint() const { return matchAspect_; }
  platform::ui::LayoutConstraint& blueIndicatorCenterXConstraint() { return indicatorCenterX_; }
  // The dashed outline over the inner frame while both formats have the same ratio; null otherwise.
  std::shared_ptr<platform::ui::ShapeLayer> dashedOutline() const;

  static constexpr double kFrameBorder = 2;

 protected:
  explicit LensMatchView(const platform::ui::Rect& frame = {});

 private:
  void customInit();
  void layoutContent() override;
  void choose(int matchType);
  void changeAspect(const std::shared_ptr<platform::ui::View>& view,
                    std::shared_ptr<platform::ui::LayoutConstraint>& current, float width, float height);
  static platform::graphics::Color borderColor(app::pages::AspectFrames::Border border);

  std::optional<model::CameraPackage> packageOne_, packageTwo_;
  std::weak_ptr<LensMatchDelegate> delegate_;
  std::shared_ptr<platform::ui::View> illustrationView_, matchView_, indicator_;
  std::shared_ptr<kit::TextButton> horizontalBtn_, verticalBtn_;
  std::shared_ptr<platform::ui::LayoutConstraint> illustrationAspect_, matchAspect_;
  platform::ui::LayoutConstraint indicatorCenterX_;
  std::shared_ptr<platform::ui::ShapeLayer> yourViewBorder_;
};

}  // namespace app::pages

