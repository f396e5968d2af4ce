#pragma once

#include <memory>
#include <string>

#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

namespace platform::shell {

// A finger-painting pad: it counts the touches that land on it, marks where the finger is and says so
// in its readout, so a script or a person can see that touches arrive where they were aimed.
class TouchPad : public ui::View {
 public:
  explicit TouchPad(const ui::Rect& frame = {});

  int touchesBegun() const { return begun_; }
  int touchesEnded() const { return ended_; }
  const std::string& readout() const { return readout_->text(); }
  void setReadoutColor(const ui::Color& color) { readout_->setTextColor(color); }

  void touchesBegan(const ui::Touches& touches, const ui::Event* event) override;
  void touchesMoved(const ui::Touches& touches, const ui::Event* event) override;
  void touchesEnded(const ui::Touches& touches, const ui::Event* event) override;
  void touchesCancelled(const ui::Touches& touches, const ui::Event* event) override;

 protected:
  void layoutSubviews() override;

 private:
  void follow(const ui::Touches& touches, const char* what);

  std::shared_ptr<ui::Label> readout_;
  std::shared_ptr<ui::View> marker_;
  int begun_ = 0;
  int ended_ = 0;
};

// The screen the tour shows until the app has screens of its own: colour bars, a grey ramp, shapes,
// text in the app's fonts, a text field, a scrolling list of rows and a touch pad, laid out for any
// screen size and redrawn for the dark appearance. Every element sits at a place a probe can find.
class TestCardViewController : public ui::ViewController {
 public:
  static constexpr runtime::NativeClass<ui::ViewController> kRuntimeClass{"TestCardViewController",
                                                                          runtime::Image::Platform};
  TestCardViewController();

  std::shared_ptr<TouchPad> pad() const { return pad_; }
  std::shared_ptr<ui::TextField> field() const { return field_; }
  std::shared_ptr<ui::ScrollView> list() const { return list_; }
  static constexpr int kRows = 30;
  static constexpr double kRowHeight = 40;

  void loadView() override;
  void viewDidLoad() override;
  void traitCollectionDidChange(const ui::TraitCollection& previous) override;

 private:
  void applyAppearance();

  std::shared_ptr<ui::Label> title_;
  std::shared_ptr<ui::Label> glyphs_;
  std::shared_ptr<ui::TextField> field_;
  std::shared_ptr<ui::ScrollView> list_;
  std::shared_ptr<TouchPad> pad_;
};

// A window for `screen` showing the test card, key and visible.
std::shared_ptr<ui::Window> makeTestCardWindow(const ui::Screen& screen = ui::Screen::named("phone"));

}  // namespace platform::shell
