#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"

namespace platform::graphics {

// Attributes of a stretch of text; an unset attribute falls back to the drawing's defaults.
struct TextAttributes {
  std::optional<Font> font{};
  std::optional<Color> foregroundColor{};
  std::optional<double> kern{};  // extra points after each character
  std::optional<Color> backgroundColor{};

  // `other`'s set attributes over this one's.
  TextAttributes mergedWith(const TextAttributes& other) const;
  bool operator==(const TextAttributes&) const = default;
};

// UTF-8 text with attributes over ranges. Ranges count Unicode code points, not bytes; ranges reaching
// past the end are cut at the end. Malformed bytes from outside become U+FFFD on the way in, so the
// text drawn, the ranges and the code-point counts always agree.
class AttributedString {
 public:
  struct Run {
    size_t location;
    size_t length;
    TextAttributes attributes;
    bool operator==(const Run&) const = default;
  };

  AttributedString() = default;
  explicit AttributedString(std::string text, const TextAttributes& attributes = {});

  const std::string& string() const { return text_; }
  size_t length() const { return length_; }
  bool empty() const { return text_.empty(); }

  void addAttributes(const TextAttributes& attributes, size_t location, size_t length);
  void append(const AttributedString& other);
  TextAttributes attributesAt(size_t index) const;
  // Maximal stretches of equal attributes, in order, covering the whole text.
  std::vector<Run> runs() const;
  // Byte offset in string() of the code point at `index` (the byte length for the end or beyond).
  size_t byteOffset(size_t index) const;

  bool operator==(const AttributedString& other) const { return text_ == other.text_ && runs() == other.runs(); }

 private:
  std::string text_;
  size_t length_ = 0;
  std::vector<Run> spans_;  // applied in order, later over earlier
};

}  // namespace platform::graphics
