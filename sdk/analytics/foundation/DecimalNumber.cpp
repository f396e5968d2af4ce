#include "sdk/analytics/foundation/DecimalNumber.h"

#include <charconv>
#include <vector>

#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::foundation::Value;

std::optional<DecimalNumber> DecimalNumber::parse(std::string_view text) {
  if (!isDecimalNumberString(text)) return std::nullopt;
  DecimalNumber number;
  std::size_t i = 0;
  if (text[0] == '+' || text[0] == '-') number.negative_ = text[i++] == '-';
  bool fraction = false;
  for (; i < text.size(); ++i) {
    if (text[i] == '.') {
      fraction = true;
      continue;
    }
    number.digits_ += text[i];
    if (fraction) --number.exponent_;
  }
  std::size_t leading = number.digits_.find_first_not_of('0');
  number.digits_.erase(0, leading == std::string::npos ? number.digits_.size() : leading);
  if (number.digits_.size() > kMaxDigits) {
    std::size_t extra = number.digits_.size() - kMaxDigits;
    bool roundUp = number.digits_[kMaxDigits] >= '5';
    number.digits_.resize(kMaxDigits);
    number.exponent_ += static_cast<std::int64_t>(extra);
    for (std::size_t k = kMaxDigits; roundUp && k-- > 0;) {
      if (number.digits_[k] == '9') {
        number.digits_[k] = '0';
        if (k == 0) {
          number.digits_.insert(0, "1");
          number.digits_.pop_back();
          ++number.exponent_;
        }
      } else {
        ++number.digits_[k];
        roundUp = false;
      }
    }
  }
  number.normalize();
  return number;
}

DecimalNumber DecimalNumber::fromInt64(std::int64_t value) {
  return *parse(std::to_string(value));
}

DecimalNumber DecimalNumber::multipliedBy(const DecimalNumber& other) const {
  if (digits_.empty() || other.digits_.empty()) return DecimalNumber();
  std::vector<int> sum(digits_.size() + other.digits_.size(), 0);
  for (std::size_t i = digits_.size(); i-- > 0;) {
    for (std::size_t j = other.digits_.size(); j-- > 0;) {
      sum[i + j + 1] += (digits_[i] - '0') * (other.digits_[j] - '0');
    }
  }
  for (std::size_t k = sum.size(); k-- > 1;) {
    sum[k - 1] += sum[k] / 10;
    sum[k] %= 10;
  }
  std::string text = negative_ != other.negative_ ? "-" : "";
  for (int digit : sum) text += static_cast<char>('0' + digit);
  // Reading the digits back as text reuses the rounding to 38 digits; the power of ten follows.
  DecimalNumber product = *parse(text);
  if (!product.digits_.empty()) product.exponent_ += exponent_ + other.exponent_;
  return product;
}

void DecimalNumber::normalize() {
  while (!digits_.empty() && digits_.back() == '0') {
    digits_.pop_back();
    ++exponent_;
  }
  if (digits_.empty()) {
    negative_ = false;
    exponent_ = 0;
  }
}

std::string DecimalNumber::description() const {
  if (digits_.empty()) return "0";
  std::string out = negative_ ? "-" : "";
  auto count = static_cast<std::int64_t>(digits_.size());
  if (exponent_ >= 0) {
    out += digits_ + std::string(static_cast<std::size_t>(exponent_), '0');
  } else if (-exponent_ >= count) {
    out += "0." + std::string(static_cast<std::size_t>(-exponent_ - count), '0') + digits_;
  } else {
    out += digits_.substr(0, static_cast<std::size_t>(count + exponent_)) + "." +
           digits_.substr(static_cast<std::size_t>(count + exponent_));
  }
  return out;
}

double DecimalNumber::doubleValue() const {
  // from_chars ignores the process locale, which strtod would follow.
  std::string text = description();
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

int DecimalNumber::compareMagnitude(const DecimalNumber& other) const {
  if (digits_.empty() || other.digits_.empty()) return digits_.empty() ? (other.digits_.empty() ? 0 : -1) : 1;
  std::int64_t top = exponent_ + static_cast<std::int64_t>(digits_.size());
  std::int64_t otherTop = other.exponent_ + static_cast<std::int64_t>(other.digits_.size());
  if (top != otherTop) return top < otherTop ? -1 : 1;
  std::size_t length = std::max(digits_.size(), other.digits_.size());
  for (std::size_t k = 0; k < length; ++k) {
    char a = k < digits_.size() ? digits_[k] : '0';
    char b = k < other.digits_.size() ? other.digits_[k] : '0';
    if (a != b) return a < b ? -1 : 1;
  }
  return 0;
}

int DecimalNumber::compare(const DecimalNumber& other) const {
  if (negative_ != other.negative_) return negative_ ? -1 : 1;
  int magnitude = compareMagnitude(other);
  return negative_ ? -magnitude : magnitude;
}

// Written out rather than as a regular expression: the standard library's matcher recurses per
// character, and these strings come from downloaded configurations of any length.
bool isDecimalNumberString(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t integerDigits = 0, fractionDigits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++integerDigits;
  bool point = i < text.size() && text[i] == '.';
  if (point) ++i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++fractionDigits;
  if (i != text.size()) return false;
  return (integerDigits > 0 && fractionDigits == 0) || (point && fractionDigits > 0);
}

namespace {

// Whether the number's own text is found again in the text it was read from.
bool keepsPrecision(std::string_view text, const DecimalNumber& number) {
  return text.find(number.description()) != std::string_view::npos;
}

}  // namespace

std::optional<DecimalNumber> exactDecimalNumber(std::string_view text) {
  auto number = DecimalNumber::parse(text);
  if (!number || !keepsPrecision(text, *number)) return std::nullopt;
  return number;
}

std::optional<DecimalNumber> decimalNumberFromString(std::string_view text) {
  auto number = DecimalNumber::parse(text);
  if (!number) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kDecimalFromStringFailed,
                                    "Unable to create a NSDecimalNumber from string value. Value",
                                    Value(std::string(text)));
    return std::nullopt;
  }
  if (!keepsPrecision(text, *number)) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kDecimalFromStringLosesPrecision,
                                    "Unable to create a NSDecimalNumber from string value: loss of precision. Value",
                                    Value(std::string(text)));
    return std::nullopt;
  }
  return number;
}

}  // namespace sdk::analytics

