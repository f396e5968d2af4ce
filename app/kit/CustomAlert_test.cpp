// Alerts on a screen in a window, on the manual clock.
#include <gtest/gtest.h>

#include <vector>

#include "app/kit/KitTestSupport.h"
#include "app/kit/PackageAlerts.h"
#include "app/kit/UIConstants.h"
#include "platform/log/Log.h"
#include "platform/shell/ViewTreeDump.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ShownValues.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace app::kit {

namespace {

using ostrel::testing::bytes;
using ostrel::testing::KitTestEnvironment;
using ostrel::testing::Rgb;
using platform::ui::make;
using platform::ui::Point;
using platform::ui::View;

struct Screen : AlertOkayCancelDelegate {
  std::vector<std::string> calls;
  void okClickFromAlert(CustomAlert& alert) override { calls.push_back("ok"); }
  void cancelClickFromAlert(CustomAlert& alert) override { calls.push_back("cancel"); }
  void deleteClickFromAlert(CustomAlert& alert) override { calls.push_back("delete"); }
};

class CustomAlertTest : public ::testing::TestWithParam<bool> {
 protected:
  CustomAlertTest() {
    KitTestEnvironment::setDarkMode(GetParam());
    window = make<platform::ui::Window>();
    window->setRootViewController(controller);
    window->makeKeyAndVisible();
  }
  ~CustomAlertTest() override { platform::ui::Keyboard::shared().reset(); }

  template <class Alert>
  std::shared_ptr<Alert> makeAlert() {
    auto alert = make<Alert>(controller->view()->bounds());
    alert->hostIn(*controller);
    alert->setDelegate(&screen);
    return alert;
  }
  // Where a button of the alert lies in the window.
  Point centerOf(const View& button) {
    auto r = button.convertRectTo(button.bounds(), nullptr);
    return {r.midX(), r.midY()};
  }
  std::string background(const View& view) {
    return platform::shell::ViewTreeDump::describe(view)["backgroundColor"].toString();
  }

  KitTestEnvironment env;
  std::shared_ptr<platform::ui::ViewController> controller = make<platform::ui::ViewController>();
  std::shared_ptr<platform::ui::Window> window;
  Screen screen;
};

TEST_P(CustomAlertTest, ModesChooseSizeAndParts) {
  auto alert = makeAlert<CustomOkayCancelAlert>();
  alert->setupDelete();
  EXPECT_EQ(alert->alertViewHeightConstraint().constant(), 177);
  EXPECT_EQ(alert->alertViewWidthConstraint().constant(), 320);
  EXPECT_EQ(alert->cancelSingleBtn()->alpha(), 0);
  EXPECT_EQ(alert->deleteBtn()->alpha(), 1);
  EXPECT_EQ(alert->cancelBtn()->alpha(), 1);
  EXPECT_EQ(alert->okBtn()->alpha(), 0);
  EXPECT_EQ(alert->borderMakerConstraint().constant(), -1);

  auto okOnly = makeAlert<CustomOkayCancelAlert>();
  okOnly->setupOKOnly();
  EXPECT_EQ(okOnly->alertViewHeightConstraint().constant(), 157);
  EXPECT_EQ(okOnly->okSingleBtn()->alpha(), 1);
  EXPECT_EQ(okOnly->messageLabel()->alpha(), 1);
  EXPECT_EQ(okOnly->okCancelTextFieldView()->alpha(), 0);
  EXPECT_EQ(okOnly->deleteBtn()->currentTitle(), "DELETE");
}

TEST_P(CustomAlertTest, ShowZoomsInAndHideFadesOutAndRemovesTheContent) {
  auto alert = makeAlert<PackageSaveAlert>();
  alert->setupOKCancel();
  alert->showAlert();
  EXPECT_FALSE(platform::ui::Keyboard::shared().isVisible());  // a message mode opens no keyboard
  {
    platform::ui::ShownValues shown(alert->alertView()->layer());
    EXPECT_DOUBLE_EQ(alert->alertView()->layer().transform().a, 0.25);
  }
  env.advance(0.3);
  EXPECT_EQ(alert->contentView()->alpha(), 1);
  EXPECT_DOUBLE_EQ(alert->alertView()->transform().a, 1);
  const auto box = alert->alertView()->frame();
  EXPECT_DOUBLE_EQ(box.midX(), controller->view()->bounds().midX());
  EXPECT_EQ(box.size.height, 157);

  alert->okCancelTextField()->setText("left over");
  alert->hideAlert();
  EXPECT_EQ(alert->contentView()->superview(), controller->view().get());
  env.advance(0.3);
  EXPECT_EQ(alert->contentView()->superview(), nullptr);
  EXPECT_EQ(alert->okCancelTextField()->text(), "");
}

TEST_P(CustomAlertTest, TheContentLeavesTheScreenEvenWhenTheScreenDroppedTheAlert) {
  auto alert = makeAlert<PackageSaveAlert>();
  alert->setupOKCancel();
  alert->showAlert();
  env.advance(0.3);
  alert->hideAlert();
  std::weak_ptr<View> content = alert->contentView();
  alert.reset();
  env.advance(0.3);
  EXPECT_TRUE(content.expired());
  EXPECT_EQ(controller->view()->subviews().size(), 0u);
}

TEST_P(CustomAlertTest, ATextModeRisesByHalfTheKeyboardAndDoneDoesNotPressOk) {
  auto alert = makeAlert<PackageEditAlert>();
  alert->setupTextFieldOKCancel();
  alert->showAlert();
  auto& keyboard = platform::ui::Keyboard::shared();
  ASSERT_TRUE(keyboard.isVisible());
  EXPECT_TRUE(alert->okCancelTextField()->isFirstResponder());
  EXPECT_DOUBLE_EQ(alert->alertCenterYConstraint().constant(), -0.5 * keyboard.frame().size.height);
  env.advance(platform::ui::Keyboard::kAnimationDuration);
  const double centre = controller->view()->bounds().midY();
  EXPECT_DOUBLE_EQ(alert->alertView()->center().y, centre - 0.5 * keyboard.frame().size.height);

  keyboard.typeText("Night");
  keyboard.pressReturn();
  EXPECT_FALSE(alert->okCancelTextField()->isFirstResponder());
  EXPECT_TRUE(screen.calls.empty());
  EXPECT_EQ(alert->okCancelTextField()->text(), "Night");
  EXPECT_EQ(alert->alertCenterYConstraint().constant(), 0);
  env.advance(platform::ui::Keyboard::kAnimationDuration);
  EXPECT_DOUBLE_EQ(alert->alertView()->center().y, centre);
}

TEST_P(CustomAlertTest, DraggingOffAButtonFiresNothingAndRestoresTheRestingLook) {
  auto alert = makeAlert<CustomOkayCancelAlert>();
  alert->setupDelete();
  alert->showAlert();
  env.advance(0.3);
  const auto resting = background(*alert->deleteBtn());
  EXPECT_EQ(bytes(alert->deleteBtn()->currentTitleColor()), (Rgb{252, 62, 48}));

  window->touchDown(centerOf(*alert->deleteBtn()));
  env.advance(0.1);
  EXPECT_EQ(background(*alert->deleteBtn()), "#FC3E30");
  window->touchMove({5, 5});
  window->touchUp({5, 5});
  EXPECT_EQ(background(*alert->deleteBtn()), resting);
  EXPECT_TRUE(screen.calls.empty());

  // Released inside: the button stays pressed until the alert hides, and the screen hears DELETE.
  window->touchDown(centerOf(*alert->deleteBtn()));
  window->touchUp(centerOf(*alert->deleteBtn()));
  EXPECT_EQ(screen.calls, std::vector<std::string>{"delete"});
  EXPECT_EQ(background(*alert->deleteBtn()), "#FC3E30");
  alert->hideAlert();
  env.advance(0.3);
  EXPECT_EQ(background(*alert->deleteBtn()), resting);
}

TEST_P(CustomAlertTest, WithoutADelegateOnlyTheLogLineIsLeft) {
  platform::log::CapturedLines lines;
  auto alert = make<CustomOkayCancelAlert>(controller->view()->bounds());
  alert->hostIn(*controller);
  alert->setupOKOnly();
  alert->showAlert();
  env.advance(0.3);
  window->touchDown(centerOf(*alert->okSingleBtn()));
  window->touchUp(centerOf(*alert->okSingleBtn()));
  alert->alertRemoveEvent();
  EXPECT_TRUE(lines.contains("quorvelCustomAlert - okEvent called!"));
  EXPECT_TRUE(lines.contains("quorvelCustomAlert - removeEvent called!"));
}

TEST_P(CustomAlertTest, InvalidInputDrawsARedBorderAndShowsTheNote) {
  auto alert = makeAlert<PackageSaveAlert>();
  alert->setupTextFieldOKCancel();
  alert->showAlert();
  env.advance(0.3);
  alert->invalidTextFieldInput();
  env.advance(0.2);
  EXPECT_EQ(alert->alertViewHeightConstraint().constant(), 167);
  EXPECT_EQ(alert->invalidInputLabel()->alpha(), 1);
  EXPECT_EQ(alert->alertView()->bounds().size.height, 167);

  auto& field = *alert->okCancelTextField();
  auto image = platform::ui::Renderer::render(field, 1);
  const int midY = image->pixelHeight() / 2;
  EXPECT_EQ(bytes(image->pixel(0, midY)), (Rgb{252, 62, 48}));
  EXPECT_EQ(bytes(image->pixel(1, midY)), (Rgb{252, 62, 48}));
  EXPECT_EQ(bytes(image->pixel(image->pixelWidth() / 2, 0)), (Rgb{252, 62, 48}));
  EXPECT_EQ(bytes(image->pixel(6, midY)), GetParam() ? (Rgb{31, 32, 34}) : (Rgb{255, 255, 255}));
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, CustomAlertTest, ::testing::Bool());

}  // namespace

}  // namespace app::kit

