#pragma once

#include <memory>

#include "platform/graphics/Image.h"
#include "platform/ui/View.h"

namespace platform::ui {

enum class ContentMode { ScaleToFill, ScaleAspectFit, ScaleAspectFill, Center, Top, Bottom, Left, Right };

// Shows an image in its bounds by the content mode (stretched to fill by default). Touches pass through
// it unless interaction is turned on.
class ImageView : public View {
 public:
  std::shared_ptr<graphics::Image> image() const { return image_; }
  void setImage(std::shared_ptr<graphics::Image> image);
  ContentMode contentMode() const { return mode_; }
  void setContentMode(ContentMode mode);

  // Where the image lands in the bounds for the current mode.
  Rect imageRect() const;
  Size sizeThatFits(Size size) const override;
  Size intrinsicContentSize() const override;

 protected:
  explicit ImageView(const Rect& frame = {});
  explicit ImageView(std::shared_ptr<graphics::Image> image);
  void drawRect(const Rect& rect) override;

 private:
  std::shared_ptr<graphics::Image> image_;
  ContentMode mode_ = ContentMode::ScaleToFill;
};

}  // namespace platform::ui
