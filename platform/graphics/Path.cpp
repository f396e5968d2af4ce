#include "platform/graphics/Path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/graphics/Context.h"

namespace platform::graphics {
namespace {

constexpr double kHalfPi = std::numbers::pi / 2;

bool samePoint(Point a, Point b) { return a.x == b.x && a.y == b.y; }

}  // namespace

Path Path::rect(const Rect& r) {
  Path p;
  p.addRect(r);
  return p;
}

Path Path::oval(const Rect& r) {
  Path p;
  p.addOval(r);
  return p;
}

Path Path::roundedRect(const Rect& r, double radius) {
  return roundedRect(r, AllCorners, {radius, radius});
}

Path Path::roundedRect(const Rect& r, unsigned corners, Size radii) {
  // Radii never exceed half the side, so opposite corners cannot overlap.
  double rx = std::clamp(radii.width, 0.0, r.width() / 2);
  double ry = std::clamp(radii.height, 0.0, r.height() / 2);
  double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
  Path p;
  // A corner is a quarter ellipse; k places the control points of its cubic approximation.
  constexpr double k = 0.5522847498307936;
  auto corner = [&](bool on, Point cornerPt, Point from, Point to) {
    if (!on || rx == 0 || ry == 0) {
      p.lineTo(cornerPt);
      return;
    }
    p.lineTo(from);
    Point c1{from.x + (cornerPt.x - from.x) * k, from.y + (cornerPt.y - from.y) * k};
    Point c2{to.x + (cornerPt.x - to.x) * k, to.y + (cornerPt.y - to.y) * k};
    p.curveTo(c1, c2, to);
  };
  p.moveTo({x0 + ((corners & TopLeft) ? rx : 0), y0});
  corner(corners & TopRight, {x1, y0}, {x1 - rx, y0}, {x1, y0 + ry});
  corner(corners & BottomRight, {x1, y1}, {x1, y1 - ry}, {x1 - rx, y1});
  corner(corners & BottomLeft, {x0, y1}, {x0 + rx, y1}, {x0, y1 - ry});
  corner(corners & TopLeft, {x0, y0}, {x0, y0 + ry}, {x0 + rx, y0});
  p.closePath();
  return p;
}

Path Path::arc(Point center, double radius, double startAngle, double endAngle, bool clockwise) {
  Path p;
  p.addArc(center, radius, startAngle, endAngle, clockwise);
  return p;
}

void Path::moveTo(Point p) {
  elements_.push_back({Op::Move, {p}});
  current_ = subpathStart_ = p;
}

void Path::lineTo(Point p) {
  if (elements_.empty()) {
    moveTo(p);
    return;
  }
  elements_.push_back({Op::Line, {p}});
  current_ = p;
}

void Path::curveTo(Point c1, Point c2, Point end) {
  if (elements_.empty()) moveTo(c1);
  elements_.push_back({Op::Curve, {c1, c2, end}});
  current_ = end;
}

void Path::quadCurveTo(Point c, Point end) {
  Point s = current_;
  curveTo({s.x + 2.0 / 3 * (c.x - s.x), s.y + 2.0 / 3 * (c.y - s.y)},
          {end.x + 2.0 / 3 * (c.x - end.x), end.y + 2.0 / 3 * (c.y - end.y)}, end);
}

void Path::addArc(Point c, double radius, double start, double end, bool clockwise) {
  // Bring the sweep into one turn in the requested direction, as the phone does.
  double sweep = end - start;
  constexpr double turn = 2 * std::numbers::pi;
  if (clockwise) {
    if (sweep < 0) sweep = std::fmod(sweep, turn) + turn;
    if (sweep > turn) sweep = turn;
  } else {
    if (sweep > 0) sweep = std::fmod(sweep, turn) - turn;
    if (sweep < -turn) sweep = -turn;
  }
  Point first{c.x + radius * std::cos(start), c.y + radius * std::sin(start)};
  if (elements_.empty()) {
    moveTo(first);
  } else if (!samePoint(current_, first)) {
    lineTo(first);
  }
  int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / kHalfPi - 1e-9)));
  double step = sweep / pieces;
  double k = 4.0 / 3 * std::tan(step / 4) * radius;
  double a = start;
  for (int i = 0; i < pieces; ++i) {
    double b = a + step;
    Point p0{c.x + radius * std::cos(a), c.y + radius * std::sin(a)};
    Point p3{c.x + radius * std::cos(b), c.y + radius * std::sin(b)};
    curveTo({p0.x - k * std::sin(a), p0.y + k * std::cos(a)}, {p3.x + k * std::sin(b), p3.y - k * std::cos(b)}, p3);
    a = b;
  }
}

void Path::addRect(const Rect& r) {
  moveTo({r.minX(), r.minY()});
  lineTo({r.maxX(), r.minY()});
  lineTo({r.maxX(), r.maxY()});
  lineTo({r.minX(), r.maxY()});
  closePath();
}

void Path::addOval(const Rect& r) {
  constexpr double k = 0.5522847498307936;
  double cx = r.midX(), cy = r.midY(), rx = r.width() / 2, ry = r.height() / 2;
  moveTo({cx + rx, cy});
  curveTo({cx + rx, cy + ry * k}, {cx + rx * k, cy + ry}, {cx, cy + ry});
  curveTo({cx - rx * k, cy + ry}, {cx - rx, cy + ry * k}, {cx - rx, cy});
  curveTo({cx - rx, cy - ry * k}, {cx - rx * k, cy - ry}, {cx, cy - ry});
  curveTo({cx + rx * k, cy - ry}, {cx + rx, cy - ry * k}, {cx + rx, cy});
  closePath();
}

void Path::closePath() {
  if (elements_.empty() || elements_.back().op == Op::Close) return;
  elements_.push_back({Op::Close, {}});
  current_ = subpathStart_;
}

void Path::append(const Path& other) {
  for (const Element& e : other.elements_) elements_.push_back(e);
  current_ = other.current_;
  subpathStart_ = other.subpathStart_;
}

void Path::apply(const AffineTransform& t) {
  for (Element& e : elements_) {
    for (Point& p : e.points) p = t.apply(p);
  }
  current_ = t.apply(current_);
  subpathStart_ = t.apply(subpathStart_);
}

Rect Path::bounds() const {
  bool any = false;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  for (const Element& e : elements_) {
    int n = e.op == Op::Curve ? 3 : (e.op == Op::Close ? 0 : 1);
    for (int i = 0; i < n; ++i) {
      const Point& p = e.points[i];
      if (!any) {
        x1 = x2 = p.x;
        y1 = y2 = p.y;
        any = true;
      }
      x1 = std::min(x1, p.x);
      x2 = std::max(x2, p.x);
      y1 = std::min(y1, p.y);
      y2 = std::max(y2, p.y);
    }
  }
  return {x1, y1, x2 - x1, y2 - y1};
}

bool Path::contains(Point p) const {
  return Context::pathContains(*this, p);
}

void Path::fill() const {
  if (Context* c = currentContext()) c->fillPath(*this);
}

void Path::stroke() const {
  if (Context* c = currentContext()) c->strokePath(*this);
}

void Path::addClip() const {
  if (Context* c = currentContext()) c->clipToPath(*this);
}

bool Path::operator==(const Path& other) const {
  if (elements_.size() != other.elements_.size()) return false;
  for (size_t i = 0; i < elements_.size(); ++i) {
    const Element& a = elements_[i];
    const Element& b = other.elements_[i];
    if (a.op != b.op) return false;
    for (int j = 0; j < 3; ++j) {
      if (!samePoint(a.points[j], b.points[j])) return false;
    }
  }
  return lineWidth == other.lineWidth && dash == other.dash && lineCap == other.lineCap &&
         lineJoin == other.lineJoin && usesEvenOddFillRule == other.usesEvenOddFillRule;
}

}  // namespace platform::graphics
