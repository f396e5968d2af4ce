#include "app/setup/SetupIcons.h"

#include <functional>

#include "platform/graphics/Context.h"

namespace app::setup {

namespace {

using platform::graphics::BitmapContext;
using platform::graphics::Context;
using platform::graphics::LineCap;
using platform::graphics::LineJoin;

std::shared_ptr<platform::graphics::Image> drawn(double side, const platform::graphics::Color& color,
                                                 const std::function<void(Context&)>& draw) {
  auto context = BitmapContext::create({side, side}, 2);
  context->setStrokeColor(color);
  context->setFillColor(color);
  context->setLineWidth(2);
  context->setLineCap(LineCap::Round);
  context->setLineJoin(LineJoin::Round);
  draw(*context);
  return context->makeImage();
}

}  // namespace

std::shared_ptr<platform::graphics::Image> SetupIcons::check(const Color& color) {
  return drawn(20, color, [](Context& c) {
    c.moveTo({4, 10.5});
    c.lineTo({8.5, 15});
    c.lineTo({16, 5.5});
    c.strokePath();
  });
}

std::shared_ptr<platform::graphics::Image> SetupIcons::radio(const Color& color) {
  return drawn(20, color, [](Context& c) {
    c.setLineWidth(1.5);
    c.addEllipse({2.75, 2.75, 14.5, 14.5});
    c.strokePath();
    c.addEllipse({6.5, 6.5, 7, 7});
    c.fillPath();
  });
}

std::shared_ptr<platform::graphics::Image> SetupIcons::filter(const Color& color) {
  return drawn(22, color, [](Context& c) {
    c.setLineWidth(1.5);
    c.moveTo({3.5, 5});
    c.lineTo({18.5, 5});
    c.lineTo({12.5, 12});
    c.lineTo({12.5, 18});
    c.lineTo({9.5, 16.5});
    c.lineTo({9.5, 12});
    c.closePath();
    c.strokePath();
  });
}

std::shared_ptr<platform::graphics::Image> SetupIcons::search(const Color& color) {
  return drawn(22, color, [](Context& c) {
    c.setLineWidth(1.75);
    c.addEllipse({3.5, 3.5, 11, 11});
    c.strokePath();
    c.moveTo({13, 13});
    c.lineTo({18.5, 18.5});
    c.strokePath();
  });
}

std::shared_ptr<platform::graphics::Image> SetupIcons::close(const Color& color) {
  return drawn(22, color, [](Context& c) {
    c.moveTo({5.5, 5.5});
    c.lineTo({16.5, 16.5});
    c.moveTo({16.5, 5.5});
    c.lineTo({5.5, 16.5});
    c.strokePath();
  });
}

std::shared_ptr<platform::graphics::Image> SetupIcons::back(const Color& color) {
  return drawn(22, color, [](Context& c) {
    c.moveTo({14, 4});
    c.lineTo({7, 11});
    c.lineTo({14, 18});
    c.strokePath();
  });
}

std::shared_ptr<platform::graphics::Image> SetupIcons::sortDown(const Color& color) {
  return drawn(14, color, [](Context& c) {
    c.fillRect({0, 2, 8, 2});
    c.fillRect({0, 6, 6, 2});
    c.fillRect({0, 10, 4, 2});
    c.fillRect({10.5, 1.5, 2, 7});
    c.moveTo({9, 8});
    c.lineTo({14, 8});
    c.lineTo({11.5, 12.5});
    c.closePath();
    c.fillPath();
  });
}

}  // namespace app::setup

