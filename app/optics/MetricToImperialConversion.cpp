#include "app/optics/MetricToImperialConversion.h"

#include <algorithm>
#include <cmath>

#include "app/model/NumericText.h"
#include "platform/foundation/Format.h"
#include "platform/log/Log.h"

using app::model::NumericText;

namespace app::optics {

namespace {

using platform::log::Debug;
using platform::log::write;

struct FeetAndInches {
  std::string_view feet;
  std::string_view inches;
};

std::string_view before(std::string_view text, std::string_view mark) {
  return text.substr(0, text.find(mark));
}

std::string_view after(std::string_view text, std::string_view mark) {
  size_t at = text.find(mark);
  return at == std::string_view::npos ? std::string_view() : text.substr(at + mark.size());
}

// Feet are marked by an apostrophe, inches by a double quote or by two apostrophes. A text that fits no
// known shape has neither part.
FeetAndInches split(std::string_view s) {
  auto a = std::count(s.begin(), s.end(), '\'');
  auto q = std::count(s.begin(), s.end(), '"');
  if (a == 1 && q == 0) return {before(s, "'"), after(s, "'")};  // 5' and 5'6 alike
  if (a == 2 && q == 0) return {"0", before(s, "''")};
  if (a == 0 && q == 1) return {"0", before(s, "\"")};
  if (a == 1 && q == 1) return {before(s, "'"), before(after(s, "'"), "\"")};
  if (a == 3 && q == 0) return {before(s, "'"), before(after(s, "'"), "''")};
  if (a == 0 && q == 0) return {s, "0"};
  return {"0", "0"};
}

}  // namespace

float MetricToImperialConversion::returnFeet(float meters) { return NumericText::toFloat(meters * kFeetPerMeter); }

float MetricToImperialConversion::returnMeters(std::string_view feetInches) {
  write(Debug, platform::foundation::format("Feet/Inch String: %@", feetInches));
  FeetAndInches parts = split(feetInches);
  write(Debug, platform::foundation::format("Feet: %@, Inches: %@", parts.feet, parts.inches));
  float feet = NumericText::floatValue(parts.feet);
  float inches = NumericText::floatValue(parts.inches);
  double meters = feet / kFeetPerMeter + static_cast<double>(inches / 12.0f) / kFeetPerMeter;
  write(Debug, platform::foundation::format("Meters: %f", meters));
  return NumericText::toFloat(meters);
}

std::string MetricToImperialConversion::returnFeetInchesString(float meters) {
  float total = NumericText::toFloat(meters * kFeetPerMeter);
  float feet = std::floor(total);
  float inches = (total - feet) * 12.0f;
  if (inches >= 11.5f) {
    inches = 0.0f;
    feet += 1.0f;
  }
  write(Debug, platform::foundation::format("feet %f inch %f", feet, inches));

  double f = feet;
  double in = inches;
  std::string text;
  if (f == 0.0 && in > 0.95) {
    text = platform::foundation::format("%.0f''", in);
  } else if (f == 0.0) {
    text = in < 0.05 ? "<0.1''" : platform::foundation::format("%.1f''", in);
  } else if (f >= 49.5) {
    text = platform::foundation::format("%.0f'", f);
  } else if (std::round(in) == 0.0) {
    text = platform::foundation::format("%.0f'", f);
  } else {
    text = platform::foundation::format("%.0f' %.0f''", f, in);
  }
  write(Debug, platform::foundation::format("Inches %.2f", in));
  return text;
}

}  // namespace app::optics

