#include "app/main/SetupPlaceholderViewController.h"

#include "app/kit/UIConstants.h"
#include "app/pages/PageState.h"
#include "platform/ui/NavigationController.h"

using platform::ui::make;

namespace {

class PlaceholderRootView : public platform::ui::View {
 public:
  std::function<void()> layout;

 protected:
  using View::View;
  void layoutSubviews() override {
    if (layout) layout();
  }
};

}  // namespace

SetupPlaceholderViewController::SetupPlaceholderViewController()
    : ViewController(platform::runtime::classOf<SetupPlaceholderViewController>()) {}

void SetupPlaceholderViewController::loadView() {
  auto root = make<PlaceholderRootView>();
  root->setBackgroundColor(UIConstants::primaryBG());
  title_ = make<platform::ui::Label>();
  title_->setFont(UIConstants::heavyFontQuorvelWithSize(14));
  title_->setTextColor(UIConstants::maxContrastText());
  title_->setTextAlignment(platform::ui::TextAlignment::Center);
  auto frames = app::pages::framesObject();
  const auto& package = frames->currentPackageModus == 0 ? frames->packageOne : frames->packageTwo;
  title_->setText(std::string(frames->currentPackageModus == 0 ? "CAMERA ONE" : "CAMERA TWO") +
                  (package ? " · " + package->getCameraFormatLabelString() : std::string()));
  done_ = make<platform::ui::Button>();
  done_->setTitle("DONE");
  done_->setTitleColor(UIConstants::quorvelBlue());
  done_->addTarget(this, &SetupPlaceholderViewController::doneBtnPressed, platform::ui::ControlEvent::TouchUpInside);
  root->addSubview(title_);
  root->addSubview(done_);
  std::weak_ptr<platform::ui::View> weakRoot = root;
  root->layout = [this, weakRoot] {
    auto view = weakRoot.lock();
    if (!view) return;
    const double width = view->bounds().width();
    const double top = view->window() ? view->window()->windowSafeAreaInsets().top : 0;
    title_->setFrame({0, top + 60, width, 24});
    done_->setFrame({(width - 120) / 2, top + 110, 120, 44});
  };
  setView(root);
}

void SetupPlaceholderViewController::doneBtnPressed() {
  app::pages::framesObject()->savePrefs();
  if (auto* navigation = navigationController()) navigation->popViewControllerAnimated(false);
}
