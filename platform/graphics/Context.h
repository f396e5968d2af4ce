#pragma once

#include <memory>
#include <vector>

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Gradient.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/Path.h"
#include "platform/graphics/ContextStack.h"

typedef struct _cairo cairo_t;

namespace platform::graphics {

enum class PathDrawingMode { Fill, EOFill, Stroke, FillStroke, EOFillStroke };
enum class BlendMode { Normal, Copy, Clear };

// A drawing context over a cairo surface. Coordinates are points with y down; the context's transform
// maps them to device pixels. Like the phone's contexts it keeps a current path that the fill and
// stroke calls consume, and separate fill and stroke colours.
class Context {
 public:
  // Adopts a reference to `cr`.
  explicit Context(cairo_t* cr);
  virtual ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  void saveGState();
  void restoreGState();

  void translate(double x, double y);
  void scale(double sx, double sy);
  void rotate(double radians);
  void concat(const AffineTransform& t);
  AffineTransform ctm() const;

  void setFillColor(const Color& c) { state_.back().fill = c; }
  void setStrokeColor(const Color& c) { state_.back().stroke = c; }
  void setAlpha(double alpha);
  void setLineWidth(double width);
  void setLineDash(double phase, const std::vector<double>& lengths);
  void setLineCap(LineCap cap);
  void setLineJoin(LineJoin join);
  void setMiterLimit(double limit);
  void setBlendMode(BlendMode mode);
  Color fillColor() const { return state_.back().fill; }
  Color strokeColor() const { return state_.back().stroke; }
  double alpha() const { return state_.back().alpha; }
  double lineWidth() const;

  void beginPath();
  void moveTo(Point p);
  void lineTo(Point p);
  void curveTo(Point c1, Point c2, Point end);
  void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise);
  void addRect(const Rect& r);
  void addEllipse(const Rect& r);
  void addPath(const Path& path);
  void closePath();
  bool isPathEmpty() const;

  // Each consumes the current path.
  void drawPath(PathDrawingMode mode);
  void fillPath() { drawPath(PathDrawingMode::Fill); }
  void eoFillPath() { drawPath(PathDrawingMode::EOFill); }
  void strokePath() { drawPath(PathDrawingMode::Stroke); }
  void clip();
  void eoClip();

  void fillRect(const Rect& r);
  void strokeRect(const Rect& r);
  void clearRect(const Rect& r);
  void fillEllipse(const Rect& r);
  void strokeEllipse(const Rect& r);
  void clipToRect(const Rect& r);

  // A path that brings its own stroke settings (used by Path::fill/stroke and by shape layers); the
  // context's own settings and current path are left as they were.
  void fillPath(const Path& path);
  void strokePath(const Path& path);
  void clipToPath(const Path& path);

  void drawLinearGradient(const Gradient& g, Point start, Point end, unsigned options);
  // Draws the image scaled into the rectangle, at the context's alpha.
  void drawImage(const Image& image, const Rect& r);

  // The clip's bounding box in user space.
  Rect clipBoundingBox() const;
  // Raw access may draw, so it counts as drawing for hasDrawn.
  cairo_t* cairo() const {
    drawn_ = true;
    return cr_;
  }
  // False while nothing has been painted through this context: its pixels are as they were made.
  bool hasDrawn() const { return drawn_; }

  // Shape test without a drawing target, used by Path::contains.
  static bool pathContains(const Path& path, Point p);

 private:
  struct State {
    Color fill = Color::blackColor();
    Color stroke = Color::blackColor();
    double alpha = 1;
  };
  void setSource(const Color& c);
  cairo_t* cr_;
  std::vector<State> state_{State{}};
  mutable bool drawn_ = false;
};

// Null-safe drawing calls for code that holds a possibly absent context.
inline void saveGState(Context* c) { if (c) c->saveGState(); }
inline void restoreGState(Context* c) { if (c) c->restoreGState(); }
inline void translate(Context* c, double x, double y) { if (c) c->translate(x, y); }
inline void scale(Context* c, double sx, double sy) { if (c) c->scale(sx, sy); }
inline void rotate(Context* c, double radians) { if (c) c->rotate(radians); }
inline void setFillColor(Context* c, const Color& color) { if (c) c->setFillColor(color); }
inline void setStrokeColor(Context* c, const Color& color) { if (c) c->setStrokeColor(color); }
inline void setAlpha(Context* c, double alpha) { if (c) c->setAlpha(alpha); }
inline void setLineWidth(Context* c, double w) { if (c) c->setLineWidth(w); }
inline void setLineDash(Context* c, double phase, const std::vector<double>& lengths) {
  if (c) c->setLineDash(phase, lengths);
}
inline void setLineCap(Context* c, LineCap cap) { if (c) c->setLineCap(cap); }
inline void setLineJoin(Context* c, LineJoin join) { if (c) c->setLineJoin(join); }
inline void beginPath(Context* c) { if (c) c->beginPath(); }
inline void moveTo(Context* c, Point p) { if (c) c->moveTo(p); }
inline void lineTo(Context* c, Point p) { if (c) c->lineTo(p); }
inline void addArc(Context* c, Point center, double r, double a0, double a1, bool cw) {
  if (c) c->addArc(center, r, a0, a1, cw);
}
inline void addRect(Context* c, const Rect& r) { if (c) c->addRect(r); }
inline void addEllipse(Context* c, const Rect& r) { if (c) c->addEllipse(r); }
inline void addPath(Context* c, const Path& p) { if (c) c->addPath(p); }
inline void closePath(Context* c) { if (c) c->closePath(); }
inline void drawPath(Context* c, PathDrawingMode mode) { if (c) c->drawPath(mode); }
inline void fillPath(Context* c) { if (c) c->fillPath(); }
inline void strokePath(Context* c) { if (c) c->strokePath(); }
inline void clip(Context* c) { if (c) c->clip(); }
inline void fillRect(Context* c, const Rect& r) { if (c) c->fillRect(r); }
inline void strokeRect(Context* c, const Rect& r) { if (c) c->strokeRect(r); }
inline void clearRect(Context* c, const Rect& r) { if (c) c->clearRect(r); }
inline void fillEllipse(Context* c, const Rect& r) { if (c) c->fillEllipse(r); }
inline void strokeEllipse(Context* c, const Rect& r) { if (c) c->strokeEllipse(r); }
inline void clipToRect(Context* c, const Rect& r) { if (c) c->clipToRect(r); }
inline void drawLinearGradient(Context* c, const Gradient& g, Point s, Point e, unsigned options) {
  if (c) c->drawLinearGradient(g, s, e, options);
}
inline void drawImage(Context* c, const Image* image, const Rect& r) {
  if (c && image) c->drawImage(*image, r);
}

}  // namespace platform::graphics

// Code that draws into its own pixels has always found the bitmap context here.
#include "platform/graphics/BitmapContext.h"
