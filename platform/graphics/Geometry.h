#pragma once

#include <cmath>

namespace platform::graphics {

// Points, sizes and rectangles in points (not pixels). The y axis points down, as on the phone's screen.
struct Point {
  double x = 0;
  double y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0;
  double height = 0;
  bool operator==(const Size&) const = default;
};

struct EdgeInsets {
  double top = 0;
  double left = 0;
  double bottom = 0;
  double right = 0;
  bool operator==(const EdgeInsets&) const = default;
};

struct Rect {
  Point origin;
  Size size;

  Rect() = default;
  Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
  Rect(Point o, Size s) : origin(o), size(s) {}
  bool operator==(const Rect&) const = default;

  // Edges of the standardised rectangle: a negative width or height counts from the other side.
  double minX() const { return std::fmin(origin.x, origin.x + size.width); }
  double maxX() const { return std::fmax(origin.x, origin.x + size.width); }
  double minY() const { return std::fmin(origin.y, origin.y + size.height); }
  double maxY() const { return std::fmax(origin.y, origin.y + size.height); }
  double midX() const { return origin.x + size.width / 2; }
  double midY() const { return origin.y + size.height / 2; }
  double width() const { return std::fabs(size.width); }
  double height() const { return std::fabs(size.height); }
  Point center() const { return {midX(), midY()}; }

  bool isEmpty() const { return size.width == 0 || size.height == 0; }
  // Half-open like the phone's: the left and top edges are inside, the right and bottom are not.
  bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
  bool intersects(const Rect& other) const;
  Rect intersection(const Rect& other) const;  // empty (all zero) when they do not meet
  Rect unionWith(const Rect& other) const;
  Rect insetBy(double dx, double dy) const;
  Rect inset(const EdgeInsets& insets) const;
  Rect offsetBy(double dx, double dy) const { return {origin.x + dx, origin.y + dy, size.width, size.height}; }
  Rect integral() const;  // the smallest rectangle with whole-number edges that holds this one
};

// An affine transform [a b 0; c d 0; tx ty 1] applied to row vectors: x' = a x + c y + tx, y' = b x + d y + ty.
struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  static AffineTransform identity() { return {}; }
  static AffineTransform translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static AffineTransform rotation(double radians);

  bool operator==(const AffineTransform&) const = default;
  bool isIdentity() const { return *this == AffineTransform{}; }
  // This transform followed by `then`.
  AffineTransform concat(const AffineTransform& then) const;
  AffineTransform translated(double x, double y) const { return translation(x, y).concat(*this); }
  AffineTransform scaled(double sx, double sy) const { return scale(sx, sy).concat(*this); }
  AffineTransform rotated(double radians) const { return rotation(radians).concat(*this); }
  // The identity stands for a transform that cannot be inverted, as on the phone.
  AffineTransform inverted() const;

  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  Size apply(Size s) const { return {a * s.width + c * s.height, b * s.width + d * s.height}; }
  Rect apply(const Rect& r) const;  // bounding box of the transformed corners
};

}  // namespace platform::graphics
