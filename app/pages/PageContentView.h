#pragma once

#include <functional>
#include <memory>

#include "platform/graphics/Font.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace app::pages {

// The root of a page's own views. Its owner places the views in code (there is no constraint solver), so a
// layout pass of the root, which the pages' animations ask for, runs the owner's placement.
class PageContentView : public platform::ui::View {
 public:
  void setLayout(std::function<void()> layout) { layout_ = std::move(layout); }

 protected:
  explicit PageContentView(const platform::ui::Rect& frame = {}) : View(frame) {}
  void layoutSubviews() override {
    if (layout_) layout_();
  }

 private:
  std::function<void()> layout_;
};

// The value display under the bars centres its three columns (focal length, aperture, distance) this far
// left and right of the middle on the depth-of-field page; the pages line their own three columns up with it.
inline constexpr double kValueColumnOffset = 120;
inline constexpr double kValueColumnWidth = 110;

// The pages keep their drawings and texts this far from their sides.
inline constexpr double kPageMargin = 16;

// A page of the main screen: its own views live in a content view that fills it, in the theme's page
// background, and are placed by layoutContent whenever the content view lays out.
class PageView : public platform::ui::View {
 public:
  std::shared_ptr<platform::ui::View> contentView() const { return contentView_; }

 protected:
  explicit PageView(const platform::ui::Rect& frame);
  void layoutSubviews() override;
  virtual void layoutContent() = 0;

  std::shared_ptr<PageContentView> contentView_;
};

// A one-line label of the page: font, colour and alignment as given.
std::shared_ptr<platform::ui::Label> makePageLabel(const platform::graphics::Font& font,
                                                   const platform::graphics::Color& color,
                                                   platform::ui::TextAlignment alignment);

// Sets the centre x offset of a view laid out by hand: its frame centred on `centerX`, keeping its size and y.
void placeCentred(platform::ui::View& view, double centerX, double y, double width, double height);

}  // namespace app::pages

