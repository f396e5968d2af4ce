#include "platform/ui/KeyboardKeysView.h"

#include "platform/graphics/AttributedString.h"
#include "platform/graphics/Path.h"
#include "platform/graphics/TextLayout.h"
#include "platform/ui/Window.h"

namespace platform::ui {
namespace {

constexpr const char* kDelete = "⌫";

// Rows of letter keys: ten narrow caps to a row, the third and fourth rows with wide function keys
// at either end.
std::vector<KeyboardKeysView::Key> letterKeys(Size size, const std::vector<std::string>& top,
                                              const std::vector<std::string>& middle,
                                              const std::vector<std::string>& bottom, const char* lowerLeft,
                                              const char* switchKey, const char* returnKey) {
  std::vector<KeyboardKeysView::Key> keys;
  constexpr double kRowHeight = 54, kTop = 8, kGap = 6;
  const double pitch = (size.width - kGap) / 10;
  auto row = [&](const std::vector<std::string>& labels, int index, double x, double width) {
    double y = kTop + index * kRowHeight;
    for (size_t i = 0; i < labels.size(); ++i) {
      keys.push_back({{x + i * width + kGap / 2, y + 3, width - kGap, kRowHeight - 12}, labels[i], "", false});
    }
  };
  row(top, 0, kGap / 2, pitch);
  row(middle, 1, (size.width - pitch * middle.size()) / 2, pitch);
  // Lower rows: the wide keys take what the narrow ones leave.
  const double wide = pitch * 1.4;
  double y = kTop + 2 * kRowHeight + 3;
  keys.push_back({{kGap, y, wide - kGap, kRowHeight - 12}, lowerLeft, "", true});
  row(bottom, 2, (size.width - pitch * bottom.size()) / 2, pitch);
  keys.push_back({{size.width - wide, y, wide - kGap, kRowHeight - 12}, kDelete, "", true});
  y = kTop + 3 * kRowHeight + 3;
  const double side = pitch * 2.4;
  keys.push_back({{kGap, y, side - kGap, kRowHeight - 12}, switchKey, "", true});
  keys.push_back({{side + kGap / 2, y, size.width - 2 * side - kGap, kRowHeight - 12}, "space", "", false});
  keys.push_back({{size.width - side, y, side - kGap, kRowHeight - 12}, returnKey, "", true});
  return keys;
}

std::vector<KeyboardKeysView::Key> padKeys(KeyboardType type, Size size) {
  static const char* const kDigits[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
  static const char* const kLetters[] = {"", "ABC", "DEF", "GHI", "JKL", "MNO", "PQRS", "TUV", "WXYZ"};
  constexpr double kGap = 6, kKeyHeight = 46;
  const double width = (size.width - 4 * kGap) / 3;
  auto frame = [&](int column, int row) {
    return Rect{kGap + column * (width + kGap), kGap + row * (kKeyHeight + kGap), width, kKeyHeight};
  };
  std::vector<KeyboardKeysView::Key> keys;
  for (int i = 0; i < 9; ++i) keys.push_back({frame(i % 3, i / 3), kDigits[i], kLetters[i], false});
  // The key left of 0 is what the input needs beside digits; a plain number pad leaves it empty.
  if (type == KeyboardType::DecimalPad) keys.push_back({frame(0, 3), ".", "", false});
  if (type == KeyboardType::PhonePad || type == KeyboardType::NamePhonePad) {
    keys.push_back({frame(0, 3), "+*#", "", true});
  }
  keys.push_back({frame(1, 3), "0", type == KeyboardType::PhonePad ? "+" : "", false});
  keys.push_back({frame(2, 3), kDelete, "", true});
  return keys;
}

std::vector<std::string> characters(const char* text) {
  std::vector<std::string> out;
  for (const char* c = text; *c; ++c) out.emplace_back(1, *c);
  return out;
}

// A key that reads as a word ("space", "go", "done") takes the smaller type; letters, signs and the
// layout switches ("ABC", "#+=") the larger.
bool isWord(const std::string& label) {
  if (label.size() < 2) return false;
  for (char c : label) {
    if (!(c >= 'a' && c <= 'z') && c != ' ') return false;
  }
  return true;
}

void drawCentred(Context* context, const std::string& text, const graphics::Font& font, const Color& color,
                 const Rect& box) {
  graphics::TextStyle style;
  style.font = font;
  style.color = color;
  style.alignment = graphics::TextAlignment::Center;
  style.numberOfLines = 1;
  graphics::TextLayout layout(graphics::AttributedString(text), style, box.width());
  layout.draw(context, {box.minX(), box.minY() + (box.height() - layout.size().height) / 2});
}

}  // namespace

bool KeyboardKeysView::isPad(KeyboardType type) {
  switch (type) {
    case KeyboardType::NumberPad:
    case KeyboardType::DecimalPad:
    case KeyboardType::PhonePad:
    case KeyboardType::NamePhonePad:
    case KeyboardType::ASCIICapableNumberPad: return true;
    default: return false;
  }
}

const char* KeyboardKeysView::returnKeyLabel(ReturnKeyType type) {
  switch (type) {
    case ReturnKeyType::Default: return "return";
    case ReturnKeyType::Go: return "go";
    case ReturnKeyType::Join: return "join";
    case ReturnKeyType::Next: return "next";
    case ReturnKeyType::Route: return "route";
    case ReturnKeyType::Search: return "search";
    case ReturnKeyType::Send: return "send";
    case ReturnKeyType::Done: return "done";
    case ReturnKeyType::EmergencyCall: return "emergency call";
    case ReturnKeyType::Continue: return "continue";
  }
  return "return";
}

std::vector<KeyboardKeysView::Key> KeyboardKeysView::keys(KeyboardType type, Size size, ReturnKeyType returnKey) {
  if (isPad(type)) return padKeys(type, size);
  const char* returnLabel = returnKeyLabel(returnKey);
  if (type == KeyboardType::NumbersAndPunctuation) {
    return letterKeys(size, characters("1234567890"), characters("-/:;()$&@\""), characters(".,?!'"), "#+=", "ABC",
                      returnLabel);
  }
  return letterKeys(size, characters("qwertyuiop"), characters("asdfghjkl"), characters("zxcvbnm"), "⇧", "123",
                    returnLabel);
}

void KeyboardKeysView::setKeys(KeyboardType type, ReturnKeyType returnKey, bool dark) {
  type_ = type;
  returnKey_ = returnKey;
  dark_ = dark;
  setNeedsDisplay();
}

void KeyboardKeysView::drawRect(const Rect&) {
  Context* context = graphics::currentContext();
  if (!context) return;
  const Rect b = bounds();
  context->setFillColor(dark_ ? Color(0.17, 0.17, 0.18) : Color(0.82, 0.84, 0.86));
  context->fillPath(graphics::Path::rect(b));
  const Color cap = dark_ ? Color(0.42, 0.42, 0.43) : Color::whiteColor();
  const Color functionCap = dark_ ? Color(0.27, 0.27, 0.28) : Color(0.67, 0.70, 0.74);
  const Color ink = dark_ ? Color::whiteColor() : Color::blackColor();
  const bool pad = isPad(type_);
  for (const Key& key : keys(type_, b.size, returnKey_)) {
    Rect frame = key.frame.offsetBy(b.minX(), b.minY());
    if (frame.maxY() > b.maxY()) continue;
    // The pad's function keys sit on the keyboard's own grey, as the phone's do.
    if (!(pad && key.function)) {
      context->setFillColor(key.function ? functionCap : cap);
      context->fillPath(graphics::Path::roundedRect(frame, 5));
    }
    const bool word = isWord(key.label);
    const double size = pad ? 25 : word ? 16 : 22;
    // On the pad every digit but 0 stands in the upper part of its key, letters or not.
    const bool raised = pad && (!key.detail.empty() || key.label == "1");
    if (!raised) {
      drawCentred(context, key.label, graphics::Font::systemFont(size), ink, frame);
    } else {
      Rect top{frame.minX(), frame.minY() + 2, frame.width(), frame.height() * 0.62};
      Rect bottom{frame.minX(), frame.minY() + frame.height() * 0.6, frame.width(), frame.height() * 0.34};
      drawCentred(context, key.label, graphics::Font::systemFont(size), ink, top);
      drawCentred(context, key.detail, graphics::Font::systemFont(10, 700), ink, bottom);
    }
  }
}

}  // namespace platform::ui
