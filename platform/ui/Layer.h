#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Forward.h"
#include "platform/ui/AnimatableValue.h"
#include "platform/ui/Make.h"

namespace platform::ui {

using graphics::AffineTransform;
using graphics::Color;
using graphics::Context;
using graphics::EdgeInsets;
using graphics::Point;
using graphics::Rect;
using graphics::Size;

class Animation;
class Layer;

// Who draws a layer's cached contents: a view draws itself through drawRect. Answers false when it
// drew nothing, so no bitmap is kept for it.
class LayerDelegate {
 public:
  virtual ~LayerDelegate() = default;
  virtual bool drawLayer(Layer& layer, Context& context) = 0;
  // False when the delegate is known to draw nothing, so no bitmap is even made for it.
  virtual bool mayDrawLayer(const Layer& layer) const { return true; }
  // Draws over the sublayers, in the layer's bounds space, on every render: for what changes from
  // frame to frame without a redraw (a scroll view's indicators).
  virtual void drawLayerOverlay(Layer& layer, Context& context) {}
};

// A node of the drawn tree. Its geometry is bounds (its own coordinate space, with a movable origin),
// position (where its anchor point sits in the superlayer) and a transform about the anchor point.
// Sublayers draw in order, later ones on top; a view's layer holds its subviews' layers among them, so a
// layer inserted at index 0 draws behind every subview.
class Layer : public std::enable_shared_from_this<Layer> {
 public:
  virtual ~Layer();
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;

  // --- geometry ---
  Rect bounds() const { return bounds_; }
  void setBounds(const Rect& bounds);
  Point position() const { return position_; }
  void setPosition(Point p) {
    willChange("position");
    position_ = p;
  }
  Point anchorPoint() const { return anchor_; }
  void setAnchorPoint(Point p) { anchor_ = p; }
  AffineTransform transform() const { return transform_; }
  void setTransform(const AffineTransform& t) {
    willChange("transform");
    transform_ = t;
  }
  // The bounds as the superlayer sees them: the box around the transformed bounds.
  Rect frame() const;
  // Sets bounds size and position so that, untransformed, the layer covers `frame`.
  void setFrame(const Rect& frame);

  // Maps a point of this layer's space to its superlayer's, and back. Going back is nullopt when the
  // transform flattens the layer (a scale of zero): no point of the superlayer lies on it.
  AffineTransform toSuperlayer() const;
  Point convertToSuperlayer(Point p) const { return toSuperlayer().apply(p); }
  std::optional<Point> convertFromSuperlayer(Point p) const;

  // --- appearance ---
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }
  double opacity() const { return opacity_; }
  void setOpacity(double opacity);
  std::optional<Color> backgroundColor() const { return background_; }
  void setBackgroundColor(std::optional<Color> color) {
    willChange("backgroundColor");
    background_ = color;
  }
  double borderWidth() const { return borderWidth_; }
  void setBorderWidth(double w) { borderWidth_ = w > 0 ? w : 0; }
  Color borderColor() const { return borderColor_; }
  void setBorderColor(const Color& c) { borderColor_ = c; }
  double cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(double r) { cornerRadius_ = r > 0 ? r : 0; }
  bool masksToBounds() const { return masksToBounds_; }
  void setMasksToBounds(bool masks) { masksToBounds_ = masks; }
  // A layer whose drawn alpha (for a shape layer: its filled path) cuts this layer and its sublayers.
  // Its geometry is in this layer's space.
  std::shared_ptr<Layer> mask() const { return mask_; }
  void setMask(std::shared_ptr<Layer> mask);
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }

  // --- the tree ---
  const std::vector<std::shared_ptr<Layer>>& sublayers() const { return sublayers_; }
  Layer* superlayer() const { return superlayer_; }
  void addSublayer(const std::shared_ptr<Layer>& layer);
  // An index past the end appends.
  void insertSublayer(const std::shared_ptr<Layer>& layer, size_t index);
  void insertSublayerBelow(const std::shared_ptr<Layer>& layer, const Layer* sibling);
  void insertSublayerAbove(const std::shared_ptr<Layer>& layer, const Layer* sibling);
  void removeFromSuperlayer();
  void removeAllSublayers();
  bool isDescendantOf(const Layer* ancestor) const;

  // --- contents ---
  // Contents are drawn by the delegate into a bitmap kept until setNeedsDisplay or a change of size.
  void setNeedsDisplay() { needsDisplay_ = true; }
  bool needsDisplay() const { return needsDisplay_; }
  // Draws the contents now if they are missing, out of date, or were made for another scale.
  void displayIfNeeded(double scale);
  std::shared_ptr<graphics::Image> contents() const { return contents_; }
  // Fixed contents (an image stretched over the bounds); a delegate's drawing replaces them.
  void setContents(std::shared_ptr<graphics::Image> image) { contents_ = std::move(image); }
  LayerDelegate* delegate() const { return delegate_; }
  void setDelegate(LayerDelegate* delegate) { delegate_ = delegate; }

  // Draws this layer and its sublayers in the layer's own space into `context`, at `scale` pixels per
  // point for cached contents. The layer's own hidden flag, position and transform are not applied.
  void renderInContext(Context& context, double scale);

  // --- animations (defined in Animation.cpp) ---
  // Runs `animation` under `key`, replacing (and stopping) one already there.
  void addAnimation(std::shared_ptr<Animation> animation, const std::string& key);
  void removeAnimation(const std::string& key);
  void removeAllAnimations();
  std::shared_ptr<Animation> animationForKey(const std::string& key) const;
  std::vector<std::string> animationKeys() const;
  // The model value of an animatable property by its key path; nullopt for an unknown key.
  virtual std::optional<AnimatableValue> animatableValue(const std::string& keyPath) const;

 protected:
  Layer() = default;
  // Puts a value on show for drawing only: no animation hook, no redraw request.
  virtual void setShownValue(const std::string& keyPath, const AnimatableValue& value);
  // Called by setters before an animatable property changes, so an animation block can see it.
  void willChange(const char* keyPath);
  // What a layer subclass draws itself, over the background and contents and under the sublayers.
  virtual void drawInContext(Context& context) {}

 private:
  friend class ShownValues;
  void renderInSuperlayer(Context& context, double scale);
  void drawTree(Context& context, double scale);
  void drawOwn(Context& context, double scale);
  void detach(const Layer* layer);

  Rect bounds_;
  Point position_;
  Point anchor_{0.5, 0.5};
  AffineTransform transform_;
  bool hidden_ = false;
  double opacity_ = 1;
  std::optional<Color> background_;
  double borderWidth_ = 0;
  Color borderColor_ = Color::blackColor();
  double cornerRadius_ = 0;
  bool masksToBounds_ = false;
  std::shared_ptr<Layer> mask_;
  std::string name_;

  std::vector<std::shared_ptr<Layer>> sublayers_;
  Layer* superlayer_ = nullptr;  // non-owning: a superlayer outlives its attached sublayers

  bool needsDisplay_ = true;
  bool drawnByDelegate_ = false;
  double contentsScale_ = 0;
  Size contentsSize_;
  std::shared_ptr<graphics::Image> contents_;
  LayerDelegate* delegate_ = nullptr;  // non-owning: the view that owns this layer
  std::vector<std::pair<std::string, std::shared_ptr<Animation>>> animations_;
};

}  // namespace platform::ui
