#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/AnimationOptions.h"
#include "platform/ui/Forward.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Make.h"
#include "platform/ui/Touch.h"

namespace platform::ui {

// A rectangle of the screen that draws itself and takes touches, in a tree of views. Each view owns a
// layer; the geometry and look below are the layer's, and the subviews' layers are sublayers of it in
// subview order. Views are made with make<T>() and held by their superview.
class View : public std::enable_shared_from_this<View>, protected LayerDelegate {
 public:
  ~View() override;
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // --- geometry ---
  Rect frame() const { return layer_->frame(); }
  void setFrame(const Rect& frame);
  Rect bounds() const { return layer_->bounds(); }
  void setBounds(const Rect& bounds);
  Point center() const { return layer_->position(); }
  void setCenter(Point center) { layer_->setPosition(center); }
  AffineTransform transform() const { return layer_->transform(); }
  void setTransform(const AffineTransform& t) { layer_->setTransform(t); }

  // Points and rectangles between this view's space and another view's; a null view means the
  // window's (the root's) space.
  Point convertPointTo(Point p, const View* to) const;
  Point convertPointFrom(Point p, const View* from) const;
  Rect convertRectTo(const Rect& r, const View* to) const;
  Rect convertRectFrom(const Rect& r, const View* from) const;

  // --- the tree ---
  View* superview() const { return superview_; }
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  Window* window() const;
  void addSubview(const std::shared_ptr<View>& view);
  void insertSubview(const std::shared_ptr<View>& view, size_t index);
  void insertSubviewBelow(const std::shared_ptr<View>& view, const View* sibling);
  void insertSubviewAbove(const std::shared_ptr<View>& view, const View* sibling);
  void bringSubviewToFront(const View* view);
  void sendSubviewToBack(const View* view);
  void removeFromSuperview();
  bool isDescendantOf(const View* ancestor) const;
  // This view or the first descendant, depth first, with the tag.
  View* viewWithTag(int64_t tag);

  // --- look ---
  int64_t tag() const { return tag_; }
  void setTag(int64_t tag) { tag_ = tag; }
  double alpha() const { return layer_->opacity(); }
  void setAlpha(double alpha) { layer_->setOpacity(alpha); }
  bool isHidden() const { return layer_->isHidden(); }
  void setHidden(bool hidden) { layer_->setHidden(hidden); }
  std::optional<Color> backgroundColor() const { return layer_->backgroundColor(); }
  void setBackgroundColor(std::optional<Color> color) { layer_->setBackgroundColor(color); }
  bool clipsToBounds() const { return layer_->masksToBounds(); }
  void setClipsToBounds(bool clips) { layer_->setMasksToBounds(clips); }
  bool isUserInteractionEnabled() const { return interactionEnabled_; }
  void setUserInteractionEnabled(bool enabled) { interactionEnabled_ = enabled; }
  // The view's own tint, else its superview's, else the system blue.
  Color tintColor() const;
  void setTintColor(std::optional<Color> color);
  Layer& layer() const { return *layer_; }
  const std::shared_ptr<Layer>& layerRef() const { return layer_; }
  // The window's safe-area insets where they overlap this view.
  EdgeInsets safeAreaInsets() const;

  // --- layout and drawing ---
  void setNeedsLayout() { needsLayout_ = true; }
  bool needsLayout() const { return needsLayout_; }
  // Runs layoutSubviews for this view if it is marked, then for every marked view below it.
  void layoutIfNeeded();
  void setNeedsDisplay() { layer_->setNeedsDisplay(); }
  virtual Size sizeThatFits(Size size) const { return bounds().size; }
  // Resizes to sizeThatFits(current size), keeping the top-left corner.
  void sizeToFit();
  virtual Size intrinsicContentSize() const { return {-1, -1}; }

  // --- touches ---
  virtual bool pointInside(Point p, const Event* event) const { return bounds().contains(p); }
  // The deepest view under the point (in this view's space) that can take a touch: hidden views, views
  // with alpha below 0.01 and views with interaction off are skipped along with their subviews.
  virtual View* hitTest(Point p, const Event* event);

  // A touch's life as the view it came down on sees it. Unhandled, each passes to the superview, so
  // a row sees touches on its labels.
  virtual void touchesBegan(const Touches& touches, const Event* event);
  virtual void touchesMoved(const Touches& touches, const Event* event);
  virtual void touchesEnded(const Touches& touches, const Event* event);
  virtual void touchesCancelled(const Touches& touches, const Event* event);

  // Recognisers see a touch before its view does; the view holds them.
  void addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);
  void removeGestureRecognizer(const GestureRecognizer* recognizer);
  const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return recognizers_; }
  // Asked, for a touch that came down on this view or below, before `recognizer` (of this view or an
  // ancestor) takes the touch; false makes it fail. Controls keep their own taps this way.
  virtual bool allowsRecognizerToTakeTouch(const GestureRecognizer& recognizer) const { return true; }

  // The class name shown in view-tree dumps.
  virtual std::string className() const;
  // For a view class renamed in the code: `formerName` when this view is exactly `currentName` (a
  // subclass keeps its own name), so view dumps keep the name they always had.
  std::string classNameKeeping(std::string_view currentName, const char* formerName) const {
    std::string name = View::className();
    return name == currentName ? std::string(formerName) : name;
  }

  // --- animation ---
  // Runs `changes` at once, so every model value takes its end value (layout inside runs at once
  // too), and shows the views' moves, resizes, fades, transforms and colour changes over `duration`
  // after `delay` on the clock. `completion` runs on the main queue after delay plus duration, with
  // finished false when an animation of the block was removed or replaced first.
  static void animate(double duration, double delay, unsigned options, const std::function<void()>& changes,
                      std::function<void(bool finished)> completion = {});
  static void animate(double duration, const std::function<void()>& changes,
                      std::function<void(bool finished)> completion = {});
  // As animate, with a spring's progress: `damping` 1 settles without overshoot, smaller swings;
  // `velocity` is in whole distances per second.
  static void animateWithSpring(double duration, double delay, double damping, double velocity, unsigned options,
                                const std::function<void()>& changes,
                                std::function<void(bool finished)> completion = {});
  // Runs `changes` with no animation, even inside an animation block.
  static void performWithoutAnimation(const std::function<void()>& changes);

  // --- first responder (defined in Responder.cpp) ---
  // One view of the app at a time takes typed text. Only a view in a window whose
  // canBecomeFirstResponder answers true can take the role; leaving the window gives it up.
  virtual bool canBecomeFirstResponder() const { return false; }
  bool becomeFirstResponder();
  bool resignFirstResponder();
  bool isFirstResponder() const;
  // Makes the first responder inside this view's subtree (this view included) resign.
  bool endEditing(bool force);

 protected:
  explicit View(const Rect& frame = {});
  // For views backed by a special layer (a shape or gradient layer).
  View(const Rect& frame, std::shared_ptr<Layer> layer);
  // Asked before the role is given up; a view that answers false keeps it unless forced.
  virtual bool canResignFirstResponder() const { return true; }
  virtual void didBecomeFirstResponder() {}
  virtual void didResignFirstResponder() {}
  virtual void layoutSubviews() {}
  // Draws the view's contents in its bounds space into the current context. Called only when the
  // contents are out of date (setNeedsDisplay, a new size); the result is kept.
  virtual void drawRect(const Rect& rect);
  virtual void willMoveToSuperview(View* newSuperview) {}
  virtual void didMoveToSuperview() {}
  virtual void willMoveToWindow(Window* newWindow) {}
  virtual void didMoveToWindow() {}
  virtual void didAddSubview(View* subview) {}
  virtual void willRemoveSubview(View* subview) {}
  virtual void tintColorDidChange() {}

  bool drawLayer(Layer& layer, Context& context) override;
  bool mayDrawLayer(const Layer& layer) const override;

 private:
  friend class Responder;
  void detachFromSuperview();
  void placeSubview(const std::shared_ptr<View>& view, size_t index);
  void announceWindow(Window* oldWindow, Window* newWindow, bool before);
  void announceTint();
  AffineTransform toRoot() const;
  const View* root() const;

  std::shared_ptr<Layer> layer_;
  View* superview_ = nullptr;  // non-owning: a superview holds its subviews
  std::vector<std::shared_ptr<View>> subviews_;
  int64_t tag_ = 0;
  bool interactionEnabled_ = true;
  bool needsLayout_ = true;
  bool baseDrawRan_ = false;
  std::optional<Color> tint_;
  std::vector<std::shared_ptr<GestureRecognizer>> recognizers_;
};

}  // namespace platform::ui
