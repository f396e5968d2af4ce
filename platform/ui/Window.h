#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/TouchDispatcher.h"
#include "platform/ui/View.h"

namespace platform::ui {

class ViewController;

// The screen of a device the app can be shown on: its size in points, the insets its rounded corners,
// notch and home indicator take, and its pixels per point.
struct Screen {
  std::string name;
  Size size;
  EdgeInsets safeArea;
  double scale = 2;

  // "phone-small" 375x667, "phone" 390x844 (the default), "phone-large" 430x932, "tablet" 834x1194.
  static const std::vector<Screen>& all();
  // The named screen, or the default phone for an unknown name.
  static const Screen& named(const std::string& name);
};

enum class UserInterfaceStyle { Light, Dark };

// Posted with the window as sender when another window becomes key.
inline constexpr const char* kWindowDidResignKeyNotification = "UIWindowDidResignKeyNotification";

// The root of a view tree shown on a screen. It fills the screen, holds the root view controller's view
// full-size, and carries the appearance (light or dark) its controllers see.
class Window : public View {
 public:
  ~Window() override;

  const Screen& screen() const { return screen_; }
  double scale() const { return screen_.scale; }
  EdgeInsets windowSafeAreaInsets() const { return screen_.safeArea; }

  std::shared_ptr<ViewController> rootViewController() const { return root_; }
  void setRootViewController(std::shared_ptr<ViewController> controller);

  // The window made key last is the application's key window; the one before hears
  // kWindowDidResignKeyNotification. It keeps showing its controllers as a key window does, since the
  // shell and the app keep windows they made key earlier on screen.
  void makeKeyAndVisible();
  bool isKeyWindow() const { return key_; }
  // The application's key window; nullptr when none is key or it has gone.
  static std::shared_ptr<Window> keyWindow();

  // A new window takes the system's appearance (SystemFacts::darkAppearance).
  UserInterfaceStyle userInterfaceStyle() const { return style_; }
  // Changing the style tells the root view controller through its trait-change call-back.
  void setUserInterfaceStyle(UserInterfaceStyle style);
  // Takes the system's appearance again after the setting changed (the desktop's dark toggle, a script).
  void followSystemAppearance();

  // --- touches: how the shell and tests put fingers on the screen (points in window space, times
  // from Clock::current()) ---
  // A finger that comes down while touches are refused (see beginRefusingTouches) is not a touch at all.
  void touchDown(Point location, int finger = 0) {
    if (!isRefusingTouches()) touches_.touchDown(location, finger);
  }
  void touchMove(Point location, int finger = 0) { touches_.touchMove(location, finger); }
  void touchUp(Point location, int finger = 0) { touches_.touchUp(location, finger); }
  void touchCancel(int finger = 0) { touches_.touchCancel(finger); }
  // The mouse wheel: moves the scroll view under `location` by (dx, dy) points of content.
  bool scrollWheel(Point location, double dx, double dy) {
    return !isRefusingTouches() && touches_.scrollWheel(location, dx, dy);
  }
  TouchDispatcher& touchDispatcher() { return touches_; }

  // For a short stop before a screen goes away: new touches and the wheel do nothing until every begin
  // has had its end, so a second tap cannot act on a screen that is already closing. A finger already
  // down goes on to its lift.
  void beginRefusingTouches() { ++refusingTouches_; }
  void endRefusingTouches() {
    if (refusingTouches_ > 0) --refusingTouches_;
  }
  bool isRefusingTouches() const { return refusingTouches_ > 0; }

 protected:
  explicit Window(const Screen& screen = Screen::named("phone"));
  void layoutSubviews() override;

 private:
  Screen screen_;
  std::shared_ptr<ViewController> root_;
  bool key_ = false;
  UserInterfaceStyle style_ = UserInterfaceStyle::Light;
  TouchDispatcher touches_{*this};
  int refusingTouches_ = 0;
};

}  // namespace platform::ui
