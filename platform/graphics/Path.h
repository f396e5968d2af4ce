#pragma once

#include <vector>

#include "platform/graphics/Geometry.h"

namespace platform::graphics {

class Context;

enum class LineCap { Butt, Round, Square };
enum class LineJoin { Miter, Round, Bevel };

// Which corners of a rectangle are rounded; combine with |.
enum RectCorner : unsigned {
  TopLeft = 1,
  TopRight = 2,
  BottomLeft = 4,
  BottomRight = 8,
  AllCorners = 15,
};

struct Dash {
  double phase = 0;
  std::vector<double> lengths;  // empty: a solid line
  bool operator==(const Dash&) const = default;
};

// A vector path of straight and cubic segments, with the stroke settings a path carries when it draws
// itself. Arcs and ovals are stored as cubic curves so that any transform applies exactly.
class Path {
 public:
  enum class Op { Move, Line, Curve, Close };
  struct Element {
    Op op;
    Point points[3];  // Move/Line use [0]; Curve uses control 1, control 2, end
  };

  Path() = default;
  static Path rect(const Rect& r);
  static Path oval(const Rect& r);
  static Path roundedRect(const Rect& r, double radius);
  static Path roundedRect(const Rect& r, unsigned corners, Size radii);
  // `clockwise` as seen on screen (y down): angles grow clockwise.
  static Path arc(Point center, double radius, double startAngle, double endAngle, bool clockwise);

  void moveTo(Point p);
  void lineTo(Point p);
  void curveTo(Point control1, Point control2, Point end);
  void quadCurveTo(Point control, Point end);
  void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise);
  void addRect(const Rect& r);
  void addOval(const Rect& r);
  void closePath();
  void append(const Path& other);
  void removeAllPoints() { elements_.clear(); }
  void apply(const AffineTransform& t);

  bool isEmpty() const { return elements_.empty(); }
  Point currentPoint() const { return current_; }
  const std::vector<Element>& elements() const { return elements_; }
  Rect bounds() const;  // box of all points, control points included
  // Whether the filled shape holds the point (non-zero rule unless even-odd is set).
  bool contains(Point p) const;

  double lineWidth = 1;
  LineCap lineCap = LineCap::Butt;
  LineJoin lineJoin = LineJoin::Miter;
  double miterLimit = 10;
  Dash dash;
  bool usesEvenOddFillRule = false;

  // Drawing into the current context; each is a no-op when there is none.
  void fill() const;
  void stroke() const;
  void addClip() const;

  bool operator==(const Path& other) const;

 private:
  std::vector<Element> elements_;
  Point current_;
  Point subpathStart_;
};

}  // namespace platform::graphics
