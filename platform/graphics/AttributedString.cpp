#include "platform/graphics/AttributedString.h"

#include <algorithm>
#include <set>

namespace platform::graphics {
namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

size_t countCodePoints(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += isContinuation(c) ? 0 : 1;
  return n;
}

}  // namespace

TextAttributes TextAttributes::mergedWith(const TextAttributes& o) const {
  TextAttributes r = *this;
  if (o.font) r.font = o.font;
  if (o.foregroundColor) r.foregroundColor = o.foregroundColor;
  if (o.kern) r.kern = o.kern;
  if (o.backgroundColor) r.backgroundColor = o.backgroundColor;
  return r;
}

AttributedString::AttributedString(std::string text, const TextAttributes& attributes)
    : text_(std::move(text)), length_(countCodePoints(text_)) {
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

size_t AttributedString::byteOffset(size_t index) const {
  size_t seen = 0;
  for (size_t i = 0; i < text_.size(); ++i) {
    if (isContinuation(static_cast<unsigned char>(text_[i]))) continue;
    if (seen == index) return i;
    ++seen;
  }
  return text_.size();
}

}  // namespace platform::graphics
