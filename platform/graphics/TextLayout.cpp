#include "platform/graphics/TextLayout.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/graphics/TextEngine.h"

namespace platform::graphics {
namespace {

constexpr double kUnits = PANGO_SCALE;

guint16 channel(double c) { return static_cast<guint16>(std::lround(c * 65535)); }

void insert(PangoAttrList* list, PangoAttribute* attr, size_t start, size_t end) {
  attr->start_index = static_cast<guint>(start);
  attr->end_index = static_cast<guint>(end);
  pango_attr_list_insert(list, attr);
}

PangoAttrList* attributesFor(const AttributedString& text) {
  PangoAttrList* list = pango_attr_list_new();
  for (const AttributedString::Run& run : text.runs()) {
    size_t start = text.byteOffset(run.location), end = text.byteOffset(run.location + run.length);
    const TextAttributes& a = run.attributes;
    if (a.font) {
      PangoFontDescription* d = a.font->newPangoDescription();
      insert(list, pango_attr_font_desc_new(d), start, end);
      pango_font_description_free(d);
    }
    if (a.foregroundColor) {
      const Color& c = *a.foregroundColor;
      insert(list, pango_attr_foreground_new(channel(c.red()), channel(c.green()), channel(c.blue())), start, end);
      insert(list, pango_attr_foreground_alpha_new(std::max<guint16>(1, channel(c.alpha()))), start, end);
    }
    if (a.backgroundColor) {
      const Color& c = *a.backgroundColor;
      insert(list, pango_attr_background_new(channel(c.red()), channel(c.green()), channel(c.blue())), start, end);
      insert(list, pango_attr_background_alpha_new(std::max<guint16>(1, channel(c.alpha()))), start, end);
    }
    if (a.kern) insert(list, pango_attr_letter_spacing_new(static_cast<int>(*a.kern * kUnits)), start, end);
  }
  return list;
}

PangoAlignment pangoAlignment(TextAlignment a) {
  switch (a) {
    case TextAlignment::Center: return PANGO_ALIGN_CENTER;
    case TextAlignment::Right: return PANGO_ALIGN_RIGHT;
    default: return PANGO_ALIGN_LEFT;
  }
}

bool truncates(LineBreakMode m) {
  return m == LineBreakMode::TruncateHead || m == LineBreakMode::TruncateTail || m == LineBreakMode::TruncateMiddle;
}

PangoEllipsizeMode ellipsize(LineBreakMode m) {
  switch (m) {
    case LineBreakMode::TruncateHead: return PANGO_ELLIPSIZE_START;
    case LineBreakMode::TruncateMiddle: return PANGO_ELLIPSIZE_MIDDLE;
    case LineBreakMode::TruncateTail: return PANGO_ELLIPSIZE_END;
    default: return PANGO_ELLIPSIZE_NONE;
  }
}

// Height of the first `count` lines, from the layout's top to the bottom of the last of them.
double heightOfLines(PangoLayout* layout, int count) {
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  double bottom = 0;
  int i = 0;
  do {
    int y0, y1;
    pango_layout_iter_get_line_yrange(it, &y0, &y1);
    bottom = y1 / kUnits;
  } while (++i < count && pango_layout_iter_next_line(it));
  pango_layout_iter_free(it);
  return bottom;
}

}  // namespace

TextLayout::TextLayout(const AttributedString& text, const TextStyle& style, double maxWidth)
    : layout_(pango_layout_new(textContext())), style_(style), maxWidth_(maxWidth > 0 ? maxWidth : 0) {
  PangoFontDescription* d = style.font.newPangoDescription();
  pango_layout_set_font_description(layout_, d);
  pango_font_description_free(d);
  const std::string& s = text.string();
  pango_layout_set_text(layout_, s.data(), static_cast<int>(s.size()));
  PangoAttrList* attrs = attributesFor(text);
  pango_layout_set_attributes(layout_, attrs);
  pango_attr_list_unref(attrs);
  pango_layout_set_alignment(layout_, pangoAlignment(style.alignment));
  pango_layout_set_justify(layout_, style.alignment == TextAlignment::Justified);
  pango_layout_set_wrap(layout_, style.lineBreakMode == LineBreakMode::CharWrap ? PANGO_WRAP_CHAR : PANGO_WRAP_WORD);
  if (maxWidth_ > 0) pango_layout_set_width(layout_, static_cast<int>(maxWidth_ * kUnits));
  bool ellipsizing = truncates(style.lineBreakMode) && maxWidth_ > 0;
  if (ellipsizing) {
    pango_layout_set_ellipsize(layout_, ellipsize(style.lineBreakMode));
    // A negative height is a line count: the last allowed line is the one truncated.
    pango_layout_set_height(layout_, style.numberOfLines > 0 ? -style.numberOfLines : -1000000);
  }
  PangoRectangle logical;
  pango_layout_get_extents(layout_, nullptr, &logical);
  lines_ = pango_layout_get_line_count(layout_);
  double height = logical.height / kUnits;
  if (style.numberOfLines > 0 && lines_ > style.numberOfLines) {
    lines_ = style.numberOfLines;
    height = heightOfLines(layout_, lines_);
  }
  size_ = {std::ceil(logical.width / kUnits * 1000) / 1000, height};
  if (s.empty()) size_ = {0, 0};
}

TextLayout::~TextLayout() { g_object_unref(layout_); }

double TextLayout::firstBaseline() const { return pango_layout_get_baseline(layout_) / kUnits; }

bool TextLayout::isTruncated() const {
  return pango_layout_is_ellipsized(layout_) || pango_layout_get_line_count(layout_) > lines_;
}

int TextLayout::unknownGlyphCount() const { return pango_layout_get_unknown_glyphs_count(layout_); }

std::vector<std::string> TextLayout::faces() const {
  std::vector<std::string> names;
  PangoLayoutIter* it = pango_layout_get_iter(layout_);
  do {
    const PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
    if (!run) continue;  // the end of a line
    std::string name = fullFaceName(run->item->analysis.font);
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
  } while (pango_layout_iter_next_run(it));
  pango_layout_iter_free(it);
  return names;
}

void TextLayout::draw(Context* context, Point origin) const {
  if (!context) return;
  cairo_t* cr = context->cairo();
  // Text is drawn beside a path being built (a label over a shape), so the path outlives the text.
  cairo_path_t* path = cairo_copy_path(cr);
  cairo_save(cr);
  cairo_new_path(cr);
  if (pango_layout_get_line_count(layout_) > lines_) {
    // Wrapping modes clip the lines past the limit instead of truncating.
    cairo_rectangle(cr, origin.x - 1e4, origin.y, 2e4, size_.height);
    cairo_clip(cr);
  }
  const Color& c = style_.color;
  cairo_set_source_rgba(cr, c.red(), c.green(), c.blue(), c.alpha() * context->alpha());
  cairo_move_to(cr, origin.x, origin.y);
  pango_cairo_show_layout(cr, layout_);
  cairo_new_path(cr);
  cairo_restore(cr);
  if (path->status == CAIRO_STATUS_SUCCESS) cairo_append_path(cr, path);
  cairo_path_destroy(path);
}

namespace {

// What a measurement depends on: everything but the colours.
struct Measured {
  AttributedString text;
  Font font;
  TextAlignment alignment;
  LineBreakMode lineBreakMode;
  int numberOfLines;
  double maxWidth;
  Size size;

  bool answers(const AttributedString& t, const TextStyle& s, double width) const {
    return font == s.font && alignment == s.alignment && lineBreakMode == s.lineBreakMode &&
           numberOfLines == s.numberOfLines && maxWidth == width && text == t;
  }
};

// Screens measure the same few texts again and again as they lay out (a row of titles on every pass,
// a scale's labels each time it is rebuilt), and each measurement lays the text out anew.
class MeasuredTexts {
 public:
  std::optional<Size> find(const AttributedString& text, const TextStyle& style, double maxWidth) {
    std::lock_guard lock(mutex_);
    const auto found = byText_.find(text.string());
    if (found == byText_.end()) return std::nullopt;
    for (const Measured& one : found->second) {
      if (one.answers(text, style, maxWidth)) return one.size;
    }
    return std::nullopt;
  }

  void keep(const AttributedString& text, const TextStyle& style, double maxWidth, Size size) {
    std::lock_guard lock(mutex_);
    // A bound, not an eviction policy: a screen's texts are far fewer than this.
    if (count_ >= kLimit) {
      byText_.clear();
      count_ = 0;
    }
    byText_[text.string()].push_back({text, style.font, style.alignment, style.lineBreakMode, style.numberOfLines,
                                      maxWidth, size});
    ++count_;
  }

 private:
  static constexpr size_t kLimit = 2048;
  std::mutex mutex_;
  std::unordered_map<std::string, std::vector<Measured>> byText_;
  size_t count_ = 0;
};

MeasuredTexts& measuredTexts() {
  static auto* texts = new MeasuredTexts;  // measured from static destructors too
  return *texts;
}

}  // namespace

Size measureText(const AttributedString& text, const TextStyle& style, double maxWidth) {
  if (const auto known = measuredTexts().find(text, style, maxWidth)) return *known;
  const Size size = TextLayout(text, style, maxWidth).size();
  measuredTexts().keep(text, style, maxWidth, size);
  return size;
}

void drawText(Context* context, const AttributedString& text, const TextStyle& style, const Rect& rect) {
  if (!context) return;
  TextLayout layout(text, style, rect.width());
  context->saveGState();
  context->clipToRect(rect);
  layout.draw(context, rect.origin);
  context->restoreGState();
}

}  // namespace platform::graphics
