#include "platform/graphics/AttributedString.h"

#include <algorithm>
#include <set>

#include "platform/foundation/Utf8.h"

namespace platform::graphics {

using foundation::Utf8;

TextAttributes TextAttributes::mergedWith(const TextAttributes& o) const {
  TextAttributes r = *this;
  if (o.font) r.font = o.font;
  if (o.foregroundColor) r.foregroundColor = o.foregroundColor;
  if (o.kern) r.kern = o.kern;
  if (o.backgroundColor) r.backgroundColor = o.backgroundColor;
  return r;
}

AttributedString::AttributedString(std::string text, const TextAttributes& attributes)
    : text_(Utf8::sanitized(text)), length_(Utf8::length(text_)) {
  if (length_ > 0 && attributes != TextAttributes{}) spans_.push_back({0, length_, attributes});
}

void AttributedString::addAttributes(const TextAttributes& attributes, size_t location, size_t length) {
  if (location >= length_) return;
  length = std::min(length, length_ - location);
  if (length == 0) return;
  spans_.push_back({location, length, attributes});
}

void AttributedString::append(const AttributedString& other) {
  for (const Run& s : other.spans_) spans_.push_back({s.location + length_, s.length, s.attributes});
  text_ += other.text_;
  length_ += other.length_;
}

TextAttributes AttributedString::attributesAt(size_t index) const {
  TextAttributes r;
  for (const Run& s : spans_) {
    if (index >= s.location && index < s.location + s.length) r = r.mergedWith(s.attributes);
  }
  return r;
}

std::vector<AttributedString::Run> AttributedString::runs() const {
  std::set<size_t> cuts{0, length_};
  for (const Run& s : spans_) {
    cuts.insert(s.location);
    cuts.insert(s.location + s.length);
  }
  std::vector<Run> out;
  for (auto it = cuts.begin(); it != cuts.end() && *it < length_; ++it) {
    size_t start = *it, end = *std::next(it);
    TextAttributes a = attributesAt(start);
    if (!out.empty() && out.back().attributes == a) {
      out.back().length += end - start;
    } else {
      out.push_back({start, end - start, a});
    }
  }
  return out;
}

size_t AttributedString::byteOffset(size_t index) const { return Utf8::byteOffset(text_, index); }

}  // namespace platform::graphics
