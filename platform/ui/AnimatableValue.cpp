#include "platform/ui/AnimatableValue.h"

#include <algorithm>

namespace platform::ui {
namespace {

using graphics::AffineTransform;
using graphics::Color;
using graphics::Path;
using graphics::Point;
using graphics::Rect;
using graphics::Size;

double mix(double a, double b, double t) { return a + (b - a) * t; }
Point mix(Point a, Point b, double t) { return {mix(a.x, b.x, t), mix(a.y, b.y, t)}; }
Size mix(Size a, Size b, double t) { return {mix(a.width, b.width, t), mix(a.height, b.height, t)}; }
Rect mix(const Rect& a, const Rect& b, double t) { return {mix(a.origin, b.origin, t), mix(a.size, b.size, t)}; }

AffineTransform mix(const AffineTransform& a, const AffineTransform& b, double t) {
  return {mix(a.a, b.a, t),   mix(a.b, b.b, t),   mix(a.c, b.c, t),
          mix(a.d, b.d, t),   mix(a.tx, b.tx, t), mix(a.ty, b.ty, t)};
}

Color mix(const Color& a, const Color& b, double t) {
  double alpha = mix(a.alpha(), b.alpha(), t);
  auto channel = [&](double ca, double cb) {
    double premultiplied = mix(ca * a.alpha(), cb * b.alpha(), t);
    return alpha > 0 ? std::clamp(premultiplied / alpha, 0.0, 1.0) : 0.0;
  };
  return {channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()),
          std::clamp(alpha, 0.0, 1.0)};
}

bool sameShape(const Path& a, const Path& b) {
  const auto& ea = a.elements();
  const auto& eb = b.elements();
  if (ea.size() != eb.size()) return false;
  for (size_t i = 0; i < ea.size(); ++i) {
    if (ea[i].op != eb[i].op) return false;
  }
  return true;
}

Path mix(const Path& a, const Path& b, double t) {
  if (!sameShape(a, b)) return b;
  Path out;
  for (size_t i = 0; i < a.elements().size(); ++i) {
    const auto& ea = a.elements()[i];
    const auto& eb = b.elements()[i];
    switch (ea.op) {
      case Path::Op::Move: out.moveTo(mix(ea.points[0], eb.points[0], t)); break;
      case Path::Op::Line: out.lineTo(mix(ea.points[0], eb.points[0], t)); break;
      case Path::Op::Curve:
        out.curveTo(mix(ea.points[0], eb.points[0], t), mix(ea.points[1], eb.points[1], t),
                    mix(ea.points[2], eb.points[2], t));
        break;
      case Path::Op::Close: out.closePath(); break;
    }
  }
  out.lineWidth = b.lineWidth;
  out.lineCap = b.lineCap;
  out.lineJoin = b.lineJoin;
  out.miterLimit = b.miterLimit;
  out.dash = b.dash;
  out.usesEvenOddFillRule = b.usesEvenOddFillRule;
  return out;
}

}  // namespace

AnimatableValue interpolate(const AnimatableValue& from, const AnimatableValue& to, double t) {
  if (from.index() != to.index()) return to;
  return std::visit(
      [&](const auto& a) -> AnimatableValue {
        using T = std::decay_t<decltype(a)>;
        return mix(a, std::get<T>(to), t);
      },
      from);
}

}  // namespace platform::ui
