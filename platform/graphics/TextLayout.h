#pragma once

#include <string>
#include <vector>

#include "platform/graphics/AttributedString.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Geometry.h"

typedef struct _PangoLayout PangoLayout;

namespace platform::graphics {

enum class TextAlignment { Left, Center, Right, Justified, Natural };
enum class LineBreakMode { WordWrap, CharWrap, Clip, TruncateHead, TruncateTail, TruncateMiddle };

// What text without attributes of its own is drawn with, and how it is broken into lines.
struct TextStyle {
  Font font = Font::systemFont(17);
  Color color = Color::blackColor();
  TextAlignment alignment = TextAlignment::Natural;
  LineBreakMode lineBreakMode = LineBreakMode::WordWrap;
  int numberOfLines = 0;  // 0: as many as the text needs
};

// Text laid out for one width through Pango. Measuring and drawing share the layout, so what is
// measured is exactly what is drawn. Lines wrap at `maxWidth` (unbounded when not above zero); with a
// line limit the last line is truncated by the style's mode (or clipped for the wrapping modes).
class TextLayout {
 public:
  TextLayout(const AttributedString& text, const TextStyle& style, double maxWidth = 0);
  ~TextLayout();
  TextLayout(const TextLayout&) = delete;
  TextLayout& operator=(const TextLayout&) = delete;

  // Width of the widest line and height of the lines shown, in points.
  Size size() const { return size_; }
  int lineCount() const { return lines_; }
  // Distance from the top of the layout to the first line's baseline.
  double firstBaseline() const;
  bool isTruncated() const;
  // Characters no installed font could draw (shown as boxes).
  int unknownGlyphCount() const;
  // The faces the text is drawn in, each once, in the order they are first used: the style's font
  // alone unless characters it has no glyphs for fall back to other installed fonts.
  std::vector<std::string> faces() const;

  // Draws with the layout's top left at `origin`. Horizontal alignment works within `maxWidth`.
  void draw(Context* context, Point origin) const;

 private:
  PangoLayout* layout_;
  TextStyle style_;
  Size size_;
  int lines_ = 0;
  double maxWidth_;
};

// One-shot helpers for text in a single style. A measurement is kept and answers the same question
// again without laying the text out anew.
Size measureText(const AttributedString& text, const TextStyle& style, double maxWidth = 0);
// Lays the text out at the rectangle's width and draws it from the rectangle's top, clipped to it.
void drawText(Context* context, const AttributedString& text, const TextStyle& style, const Rect& rect);

}  // namespace platform::graphics
