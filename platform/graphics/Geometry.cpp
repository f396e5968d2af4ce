#include "platform/graphics/Geometry.h"

#include <algorithm>

namespace platform::graphics {

bool Rect::intersects(const Rect& other) const {
  return !intersection(other).isEmpty();
}

Rect Rect::intersection(const Rect& other) const {
  double x1 = std::max(minX(), other.minX());
  double y1 = std::max(minY(), other.minY());
  double x2 = std::min(maxX(), other.maxX());
  double y2 = std::min(maxY(), other.maxY());
  if (x2 <= x1 || y2 <= y1) return {};
  return {x1, y1, x2 - x1, y2 - y1};
}

Rect Rect::unionWith(const Rect& other) const {
  if (isEmpty()) return other;
  if (other.isEmpty()) return *this;
  double x1 = std::min(minX(), other.minX());
  double y1 = std::min(minY(), other.minY());
  double x2 = std::max(maxX(), other.maxX());
  double y2 = std::max(maxY(), other.maxY());
  return {x1, y1, x2 - x1, y2 - y1};
}

Rect Rect::insetBy(double dx, double dy) const {
  return {minX() + dx, minY() + dy, width() - 2 * dx, height() - 2 * dy};
}

Rect Rect::inset(const EdgeInsets& e) const {
  return {minX() + e.left, minY() + e.top, width() - e.left - e.right, height() - e.top - e.bottom};
}

Rect Rect::integral() const {
  double x1 = std::floor(minX()), y1 = std::floor(minY());
  double x2 = std::ceil(maxX()), y2 = std::ceil(maxY());
  return {x1, y1, x2 - x1, y2 - y1};
}

AffineTransform AffineTransform::rotation(double radians) {
  double s = std::sin(radians), c = std::cos(radians);
  return {c, s, -s, c, 0, 0};
}

AffineTransform AffineTransform::concat(const AffineTransform& t) const {
  return {a * t.a + b * t.c,
          a * t.b + b * t.d,
          c * t.a + d * t.c,
          c * t.b + d * t.d,
          tx * t.a + ty * t.c + t.tx,
          tx * t.b + ty * t.d + t.ty};
}

AffineTransform AffineTransform::inverted() const {
  double det = a * d - b * c;
  if (det == 0 || !std::isfinite(det)) return {};
  return {d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
}

Rect AffineTransform::apply(const Rect& r) const {
  Point p[4] = {apply(Point{r.minX(), r.minY()}), apply(Point{r.maxX(), r.minY()}),
                apply(Point{r.minX(), r.maxY()}), apply(Point{r.maxX(), r.maxY()})};
  double x1 = p[0].x, x2 = p[0].x, y1 = p[0].y, y2 = p[0].y;
  for (const Point& q : p) {
    x1 = std::min(x1, q.x);
    x2 = std::max(x2, q.x);
    y1 = std::min(y1, q.y);
    y2 = std::max(y2, q.y);
  }
  return {x1, y1, x2 - x1, y2 - y1};
}

}  // namespace platform::graphics
