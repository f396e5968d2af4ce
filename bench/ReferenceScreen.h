#pragma once

// The view system's reference screen: a phone-sized window of 200 views (plain, rounded with a border,
// and labels), the yardstick other screens' frame times are given against.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Label.h"
#include "platform/ui/Window.h"

namespace bench {

using namespace platform;

constexpr int kColumns = 10;
constexpr int kRows = 20;  // 200 views
constexpr double kScale = 2;

struct Cell {
  graphics::Rect frame;
  graphics::Color color;
  bool rounded;
  bool label;
  std::string text;
};

inline std::vector<Cell> cells() {
  std::vector<Cell> out;
  double w = 390.0 / kColumns, h = 844.0 / kRows;
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      int i = r * kColumns + c;
      graphics::Color color = graphics::Color::fromHSB((i % 37) / 37.0, 0.6, 0.9);
      out.push_back({{c * w + 2, r * h + 2, w - 4, h - 4}, color, i % 4 == 0, i % 5 == 0, std::to_string(i * 7)});
    }
  }
  return out;
}

inline std::shared_ptr<ui::Window> buildWindow() {
  auto window = platform::ui::make<ui::Window>(ui::Screen::named("phone"));
  window->setBackgroundColor(graphics::Color::whiteColor());
  for (const Cell& cell : cells()) {
    std::shared_ptr<ui::View> v;
    if (cell.label) {
      auto label = platform::ui::make<ui::Label>(cell.frame);
      label->setFont(graphics::Font::named("Avenir-Medium", 14));
      label->setText(cell.text);
      label->setTextAlignment(graphics::TextAlignment::Center);
      v = label;
    } else {
      v = platform::ui::make<ui::View>(cell.frame);
    }
    v->setBackgroundColor(cell.color);
    if (cell.rounded) {
      v->layer().setCornerRadius(6);
      v->layer().setBorderWidth(1);
      v->layer().setBorderColor(graphics::Color::blackColor());
    }
    window->addSubview(v);
  }
  return window;
}

}  // namespace bench
