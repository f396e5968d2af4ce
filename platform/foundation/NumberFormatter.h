#pragma once

#include <string>

namespace platform::foundation {

// Turns numbers into display texts. A new formatter has no style: whole numbers, no separators.
// The decimal style allows up to three fraction digits and groups thousands with the grouping
// separator (none when it is empty). Rounding is half to even on the number's exact binary value,
// so 0.125 with two digits gives "0.12" and 2.675 (stored as 2.67499...) gives "2.67".
// Texts are locale-free: the separators are exactly the ones set here.
class NumberFormatter {
 public:
  enum class Style { None, Decimal };

  Style numberStyle() const { return style_; }
  // Also resets the fraction digits and grouping to the style's defaults, as the phone's formatter does.
  void setNumberStyle(Style style);

  int minimumFractionDigits() const { return minimumFractionDigits_; }
  int maximumFractionDigits() const { return maximumFractionDigits_; }
  // Raising the minimum above the maximum raises the maximum too, and lowering the maximum below the
  // minimum lowers the minimum; negative counts read as 0.
  void setMinimumFractionDigits(int digits);
  void setMaximumFractionDigits(int digits);

  const std::string& decimalSeparator() const { return decimalSeparator_; }
  void setDecimalSeparator(std::string separator) { decimalSeparator_ = std::move(separator); }
  const std::string& groupingSeparator() const { return groupingSeparator_; }
  void setGroupingSeparator(std::string separator) { groupingSeparator_ = std::move(separator); }
  bool usesGroupingSeparator() const { return usesGroupingSeparator_; }
  void setUsesGroupingSeparator(bool uses) { usesGroupingSeparator_ = uses; }

  // "NaN", "∞" and "-∞" for the values that have no digits. A value that rounds to zero has no sign.
  std::string stringFromNumber(double value) const;

 private:
  Style style_ = Style::None;
  int minimumFractionDigits_ = 0;
  int maximumFractionDigits_ = 0;
  std::string decimalSeparator_ = ".";
  std::string groupingSeparator_ = ",";
  bool usesGroupingSeparator_ = false;
};

}  // namespace platform::foundation
