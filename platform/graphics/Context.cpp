#include "platform/graphics/Context.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/log/Log.h"

namespace platform::graphics {
namespace {

void appendPath(cairo_t* cr, const Path& path) {
  for (const Path::Element& e : path.elements()) {
    switch (e.op) {
      case Path::Op::Move: cairo_move_to(cr, e.points[0].x, e.points[0].y); break;
      case Path::Op::Line: cairo_line_to(cr, e.points[0].x, e.points[0].y); break;
      case Path::Op::Curve:
        cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                       e.points[2].y);
        break;
      case Path::Op::Close: cairo_close_path(cr); break;
    }
  }
}

cairo_line_cap_t toCairo(LineCap cap) {
  switch (cap) {
    case LineCap::Round: return CAIRO_LINE_CAP_ROUND;
    case LineCap::Square: return CAIRO_LINE_CAP_SQUARE;
    default: return CAIRO_LINE_CAP_BUTT;
  }
}

cairo_line_join_t toCairo(LineJoin join) {
  switch (join) {
    case LineJoin::Round: return CAIRO_LINE_JOIN_ROUND;
    case LineJoin::Bevel: return CAIRO_LINE_JOIN_BEVEL;
    default: return CAIRO_LINE_JOIN_MITER;
  }
}

// A dash pattern cairo accepts: no negative lengths and not all zero; anything else draws solid.
void applyDash(cairo_t* cr, double phase, const std::vector<double>& lengths) {
  bool usable = !lengths.empty();
  double total = 0;
  for (double l : lengths) {
    if (!(l >= 0) || !std::isfinite(l)) usable = false;
    total += l;
  }
  if (!usable || total <= 0) {
    cairo_set_dash(cr, nullptr, 0, 0);
    return;
  }
  cairo_set_dash(cr, lengths.data(), static_cast<int>(lengths.size()), phase);
}

// Keeps the context's current path across an operation that needs the path slot for itself.
class SavedPath {
 public:
  explicit SavedPath(cairo_t* cr) : cr_(cr), path_(cairo_copy_path(cr)) { cairo_new_path(cr); }
  ~SavedPath() {
    cairo_new_path(cr_);
    if (path_->status == CAIRO_STATUS_SUCCESS) cairo_append_path(cr_, path_);
    cairo_path_destroy(path_);
  }
  SavedPath(const SavedPath&) = delete;
  SavedPath& operator=(const SavedPath&) = delete;

 private:
  cairo_t* cr_;
  cairo_path_t* path_;
};

}  // namespace

Context::Context(cairo_t* cr) : cr_(cr) {}

Context::~Context() { cairo_destroy(cr_); }

void Context::saveGState() {
  cairo_save(cr_);
  state_.push_back(state_.back());
}

void Context::restoreGState() {
  if (state_.size() <= 1) {
    platform::log::write(platform::log::Warning, "restoreGState without a matching saveGState; ignored");
    return;
  }
  cairo_restore(cr_);
  state_.pop_back();
}

void Context::translate(double x, double y) { cairo_translate(cr_, x, y); }
void Context::scale(double sx, double sy) {
  if (sx != 0 && sy != 0) cairo_scale(cr_, sx, sy);  // a singular matrix would poison the context
}
void Context::rotate(double radians) { cairo_rotate(cr_, radians); }

void Context::concat(const AffineTransform& t) {
  if (t.a * t.d - t.b * t.c == 0) return;
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
  cairo_transform(cr_, &m);
}

AffineTransform Context::ctm() const {
  cairo_matrix_t m;
  cairo_get_matrix(cr_, &m);
  return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

void Context::setAlpha(double alpha) { state_.back().alpha = std::clamp(alpha, 0.0, 1.0); }
void Context::setLineWidth(double width) { cairo_set_line_width(cr_, std::max(0.0, width)); }
double Context::lineWidth() const { return cairo_get_line_width(cr_); }
void Context::setLineDash(double phase, const std::vector<double>& lengths) { applyDash(cr_, phase, lengths); }
void Context::setLineCap(LineCap cap) { cairo_set_line_cap(cr_, toCairo(cap)); }
void Context::setLineJoin(LineJoin join) { cairo_set_line_join(cr_, toCairo(join)); }
void Context::setMiterLimit(double limit) { cairo_set_miter_limit(cr_, limit); }

void Context::setBlendMode(BlendMode mode) {
  switch (mode) {
    case BlendMode::Copy: cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE); break;
    case BlendMode::Clear: cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR); break;
    default: cairo_set_operator(cr_, CAIRO_OPERATOR_OVER); break;
  }
}

// Every painting call but the three that set their own source comes through here.
void Context::setSource(const Color& c) {
  drawn_ = true;
  cairo_set_source_rgba(cr_, c.red(), c.green(), c.blue(), c.alpha() * state_.back().alpha);
}

void Context::beginPath() { cairo_new_path(cr_); }
void Context::moveTo(Point p) { cairo_move_to(cr_, p.x, p.y); }

void Context::lineTo(Point p) {
  if (cairo_has_current_point(cr_)) {
    cairo_line_to(cr_, p.x, p.y);
  } else {
    platform::log::write(platform::log::Warning, "lineTo with no current point; ignored");
  }
}

void Context::curveTo(Point c1, Point c2, Point end) {
  if (!cairo_has_current_point(cr_)) return;
  cairo_curve_to(cr_, c1.x, c1.y, c2.x, c2.y, end.x, end.y);
}

void Context::addArc(Point center, double radius, double a0, double a1, bool clockwise) {
  Path p;
  if (cairo_has_current_point(cr_)) {
    double x, y;
    cairo_get_current_point(cr_, &x, &y);
    p.moveTo({x, y});
  }
  p.addArc(center, radius, a0, a1, clockwise);
  addPath(p);
}

void Context::addRect(const Rect& r) { addPath(Path::rect(r)); }
void Context::addEllipse(const Rect& r) { addPath(Path::oval(r)); }
void Context::addPath(const Path& path) { appendPath(cr_, path); }
void Context::closePath() {
  if (cairo_has_current_point(cr_)) cairo_close_path(cr_);
}
bool Context::isPathEmpty() const { return !cairo_has_current_point(cr_); }

void Context::drawPath(PathDrawingMode mode) {
  bool fill = mode != PathDrawingMode::Stroke;
  bool stroke = mode == PathDrawingMode::Stroke || mode == PathDrawingMode::FillStroke ||
                mode == PathDrawingMode::EOFillStroke;
  bool evenOdd = mode == PathDrawingMode::EOFill || mode == PathDrawingMode::EOFillStroke;
  if (fill) {
    cairo_set_fill_rule(cr_, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    setSource(state_.back().fill);
    cairo_fill_preserve(cr_);
  }
  if (stroke) {
    setSource(state_.back().stroke);
    cairo_stroke_preserve(cr_);
  }
  cairo_new_path(cr_);
}

void Context::clip() {
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr_);
}

void Context::eoClip() {
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_clip(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
}

void Context::fillRect(const Rect& r) {
  SavedPath keep(cr_);
  cairo_rectangle(cr_, r.minX(), r.minY(), r.width(), r.height());
  setSource(state_.back().fill);
  cairo_fill(cr_);
}

void Context::strokeRect(const Rect& r) {
  SavedPath keep(cr_);
  cairo_rectangle(cr_, r.minX(), r.minY(), r.width(), r.height());
  setSource(state_.back().stroke);
  cairo_stroke(cr_);
}

void Context::clearRect(const Rect& r) {
  drawn_ = true;
  SavedPath keep(cr_);
  cairo_save(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
  cairo_rectangle(cr_, r.minX(), r.minY(), r.width(), r.height());
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void Context::fillEllipse(const Rect& r) {
  SavedPath keep(cr_);
  appendPath(cr_, Path::oval(r));
  setSource(state_.back().fill);
  cairo_fill(cr_);
}

void Context::strokeEllipse(const Rect& r) {
  SavedPath keep(cr_);
  appendPath(cr_, Path::oval(r));
  setSource(state_.back().stroke);
  cairo_stroke(cr_);
}

void Context::clipToRect(const Rect& r) {
  SavedPath keep(cr_);
  cairo_rectangle(cr_, r.minX(), r.minY(), r.width(), r.height());
  cairo_clip(cr_);
}

void Context::fillPath(const Path& path) {
  SavedPath keep(cr_);
  appendPath(cr_, path);
  cairo_set_fill_rule(cr_, path.usesEvenOddFillRule ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  setSource(state_.back().fill);
  cairo_fill(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
}

void Context::strokePath(const Path& path) {
  SavedPath keep(cr_);
  cairo_save(cr_);
  cairo_set_line_width(cr_, std::max(0.0, path.lineWidth));
  cairo_set_line_cap(cr_, toCairo(path.lineCap));
  cairo_set_line_join(cr_, toCairo(path.lineJoin));
  cairo_set_miter_limit(cr_, path.miterLimit);
  applyDash(cr_, path.dash.phase, path.dash.lengths);
  appendPath(cr_, path);
  setSource(state_.back().stroke);
  cairo_stroke(cr_);
  cairo_restore(cr_);
}

void Context::clipToPath(const Path& path) {
  SavedPath keep(cr_);
  appendPath(cr_, path);
  cairo_set_fill_rule(cr_, path.usesEvenOddFillRule ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
}

void Context::drawLinearGradient(const Gradient& g, Point start, Point end, unsigned options) {
  double dx = end.x - start.x, dy = end.y - start.y;
  double len = std::hypot(dx, dy);
  if (g.colors.empty() || len == 0) return;
  drawn_ = true;
  cairo_pattern_t* pattern = cairo_pattern_create_linear(start.x, start.y, end.x, end.y);
  for (size_t i = 0; i < g.colors.size(); ++i) {
    const Color& c = g.colors[i];
    cairo_pattern_add_color_stop_rgba(pattern, std::clamp(g.locationAt(i), 0.0, 1.0), c.red(), c.green(), c.blue(),
                                      c.alpha() * state_.back().alpha);
  }
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  SavedPath keep(cr_);
  cairo_save(cr_);
  // Without an extension flag the gradient stops at its end line: clip to the band between the lines
  // that are not extended, reaching far beyond the clip on the extended sides.
  bool before = options & Gradient::DrawsBeforeStart, after = options & Gradient::DrawsAfterEnd;
  if (!before || !after) {
    double x1, y1, x2, y2;
    cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
    double far = std::hypot(x2 - x1, y2 - y1) + std::hypot(x1 - start.x, y1 - start.y) + len;
    double ux = dx / len, uy = dy / len;  // along the gradient
    double nx = -uy, ny = ux;             // across it
    double t0 = before ? -far : 0, t1 = after ? len + far : len;
    cairo_move_to(cr_, start.x + ux * t0 + nx * far, start.y + uy * t0 + ny * far);
    cairo_line_to(cr_, start.x + ux * t1 + nx * far, start.y + uy * t1 + ny * far);
    cairo_line_to(cr_, start.x + ux * t1 - nx * far, start.y + uy * t1 - ny * far);
    cairo_line_to(cr_, start.x + ux * t0 - nx * far, start.y + uy * t0 - ny * far);
    cairo_close_path(cr_);
    cairo_clip(cr_);
  }
  cairo_set_source(cr_, pattern);
  cairo_paint(cr_);
  cairo_restore(cr_);
  cairo_pattern_destroy(pattern);
}

void Context::drawImage(const Image& image, const Rect& r) {
  drawn_ = true;
  if (r.isEmpty() || image.pixelWidth() == 0 || image.pixelHeight() == 0) return;
  SavedPath keep(cr_);
  cairo_save(cr_);
  cairo_translate(cr_, r.minX(), r.minY());
  cairo_scale(cr_, r.width() / image.pixelWidth(), r.height() / image.pixelHeight());
  cairo_rectangle(cr_, 0, 0, image.pixelWidth(), image.pixelHeight());
  cairo_clip(cr_);
  cairo_set_source_surface(cr_, image.surface(), 0, 0);
  cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
  cairo_paint_with_alpha(cr_, state_.back().alpha);
  cairo_restore(cr_);
}

Rect Context::clipBoundingBox() const {
  double x1, y1, x2, y2;
  cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
  return {x1, y1, x2 - x1, y2 - y1};
}

bool Context::pathContains(const Path& path, Point p) {
  static thread_local cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  cairo_t* cr = cairo_create(scratch);
  appendPath(cr, path);
  cairo_set_fill_rule(cr, path.usesEvenOddFillRule ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  bool inside = cairo_in_fill(cr, p.x, p.y);
  cairo_destroy(cr);
  return inside;
}

}  // namespace platform::graphics
