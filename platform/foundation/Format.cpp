#include "platform/foundation/Format.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <locale.h>

#include "platform/foundation/Utf8.h"
#include "platform/log/Log.h"

namespace platform::foundation {
namespace {

// Widths and precisions beyond this come only from broken format texts; capping them keeps such a text
// from asking for gigabytes.
constexpr int kLargestField = 65536;

struct Spec {
  std::string flags;
  int width = -1;
  int precision = -1;
  std::string length;
  char conversion = 0;
};

// Digits in the C locale whatever the process uses, switched per thread for the length of one call.
class CLocaleScope {
 public:
  CLocaleScope() {
    static locale_t c = ::newlocale(LC_ALL_MASK, "C", nullptr);
    previous_ = c ? ::uselocale(c) : nullptr;
  }
  ~CLocaleScope() {
    if (previous_) ::uselocale(previous_);
  }

 private:
  locale_t previous_;
};

std::string printfOne(const Spec& spec, const char* length, char conversion, auto value) {
  std::string pattern = "%" + spec.flags;
  if (spec.width >= 0) pattern += std::to_string(spec.width);
  if (spec.precision >= 0) pattern += "." + std::to_string(spec.precision);
  pattern += length;
  pattern += conversion;
  char small[128];
  int size = std::snprintf(small, sizeof small, pattern.c_str(), value);
  if (size < 0) return {};
  if (static_cast<size_t>(size) < sizeof small) return std::string(small, static_cast<size_t>(size));
  std::string out(static_cast<size_t>(size) + 1, '\0');
  std::snprintf(out.data(), out.size(), pattern.c_str(), value);
  out.resize(static_cast<size_t>(size));
  return out;
}

std::string hex(std::uintptr_t value) { return printfOne(Spec{}, "l", 'x', static_cast<unsigned long>(value)); }

// What %@ shows for an argument, and what any conversion shows for an argument it cannot take.
std::string describe(const FormatArg& arg) {
  switch (arg.kind()) {
    case FormatArg::Kind::Missing: return "(null)";
    case FormatArg::Kind::Signed: return std::to_string(arg.signedValue());
    case FormatArg::Kind::Unsigned: return std::to_string(arg.unsignedValue());
    case FormatArg::Kind::Real: return Value(arg.realValue()).description();
    case FormatArg::Kind::Text: return arg.isNullText() ? "(null)" : std::string(arg.text());
    case FormatArg::Kind::Pointer:
      return arg.pointer() ? "0x" + hex(reinterpret_cast<std::uintptr_t>(arg.pointer())) : "(null)";
    case FormatArg::Kind::Value: return arg.value().description();
  }
  return {};
}

// Precision and width counted in code points, so that %-8@ lines up text with accents and symbols.
std::string padded(std::string text, const Spec& spec, bool countCodePoints) {
  if (spec.precision >= 0) {
    size_t end = countCodePoints ? Utf8::byteOffset(text, static_cast<size_t>(spec.precision))
                                 : static_cast<size_t>(spec.precision);
    // Never cut a character in half, even where the precision counts bytes.
    text.resize(Utf8::cutOffset(text, end));
  }
  size_t shown = countCodePoints ? Utf8::length(text) : text.size();
  if (spec.width > 0 && shown < static_cast<size_t>(spec.width)) {
    std::string fill(static_cast<size_t>(spec.width) - shown, ' ');
    text = spec.flags.find('-') != std::string::npos ? text + fill : fill + text;
  }
  return text;
}

bool isNumeric(const FormatArg& arg) {
  switch (arg.kind()) {
    case FormatArg::Kind::Signed:
    case FormatArg::Kind::Unsigned:
    case FormatArg::Kind::Real: return true;
    case FormatArg::Kind::Value: return arg.value().isNumber();
    default: return false;
  }
}

std::int64_t clampedToInt64(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 9.2233720368547758e18) return INT64_MAX;
  if (d <= -9.2233720368547758e18) return INT64_MIN;
  return static_cast<std::int64_t>(d);
}

// The argument as C would see it in a signed conversion.
std::int64_t asSigned(const FormatArg& arg) {
  switch (arg.kind()) {
    case FormatArg::Kind::Signed: return arg.signedValue();
    case FormatArg::Kind::Unsigned: {
      std::uint64_t u = arg.unsignedValue();
      if (arg.bits() < 64) {
        std::uint64_t sign = std::uint64_t{1} << (arg.bits() - 1);
        return static_cast<std::int64_t>(u ^ sign) - static_cast<std::int64_t>(sign);
      }
      return static_cast<std::int64_t>(u);
    }
    case FormatArg::Kind::Real: return clampedToInt64(arg.realValue());
    case FormatArg::Kind::Value:
      return arg.value().isReal() ? clampedToInt64(arg.value().toDouble()) : arg.value().toInt64();
    case FormatArg::Kind::Pointer: return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(arg.pointer()));
    default: return 0;
  }
}

// The argument as C would see it in an unsigned conversion: negative numbers wrap at their own width.
std::uint64_t asUnsigned(const FormatArg& arg) {
  if (arg.kind() == FormatArg::Kind::Unsigned) return arg.unsignedValue();
  std::uint64_t u = static_cast<std::uint64_t>(asSigned(arg));
  if (arg.kind() == FormatArg::Kind::Signed && arg.bits() < 64) u &= (std::uint64_t{1} << arg.bits()) - 1;
  return u;
}

double asReal(const FormatArg& arg) {
  switch (arg.kind()) {
    case FormatArg::Kind::Real: return arg.realValue();
    case FormatArg::Kind::Signed: return static_cast<double>(arg.signedValue());
    case FormatArg::Kind::Unsigned: return static_cast<double>(arg.unsignedValue());
    case FormatArg::Kind::Value: return arg.value().toDouble();
    default: return 0;
  }
}

std::string formatInteger(const Spec& spec, const FormatArg& arg, bool isSigned) {
  if (isSigned) {
    std::int64_t n = asSigned(arg);
    if (spec.length == "hh") n = static_cast<signed char>(n);
    if (spec.length == "h") n = static_cast<short>(n);
    return printfOne(spec, "ll", 'd', static_cast<long long>(n));
  }
  std::uint64_t n = asUnsigned(arg);
  if (spec.length == "hh") n = static_cast<unsigned char>(n);
  if (spec.length == "h") n = static_cast<unsigned short>(n);
  char conversion = spec.conversion == 'O' ? 'o' : spec.conversion == 'U' ? 'u' : spec.conversion;
  return printfOne(spec, "ll", conversion, static_cast<unsigned long long>(n));
}

std::string formatCharacter(const Spec& spec, const FormatArg& arg) {
  std::uint64_t code = asUnsigned(arg);
  std::string text;
  if (code < 0x80) {
    text.push_back(static_cast<char>(code));
  } else {
    Utf8::append(text, code > 0x10FFFF ? Utf8::kReplacement : static_cast<char32_t>(code));
  }
  Spec noPrecision = spec;
  noPrecision.precision = -1;
  return padded(text, noPrecision, true);
}

std::string formatPointer(const Spec& spec, const FormatArg& arg) {
  std::uintptr_t address = arg.kind() == FormatArg::Kind::Pointer ? reinterpret_cast<std::uintptr_t>(arg.pointer())
                                                                   : static_cast<std::uintptr_t>(asUnsigned(arg));
  Spec noPrecision = spec;
  noPrecision.precision = -1;
  return padded("0x" + hex(address), noPrecision, false);
}

std::string convert(const Spec& spec, const FormatArg& arg) {
  const bool missing = arg.kind() == FormatArg::Kind::Missing;
  switch (spec.conversion) {
    case 'd': case 'i': case 'D':
    case 'u': case 'o': case 'x': case 'X': case 'U': case 'O':
      if (!isNumeric(arg) && arg.kind() != FormatArg::Kind::Pointer) return padded(describe(arg), spec, true);
      return formatInteger(spec, arg, spec.conversion == 'd' || spec.conversion == 'i' || spec.conversion == 'D');
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
      if (!isNumeric(arg)) return padded(describe(arg), spec, true);
      return printfOne(spec, "", spec.conversion, asReal(arg));
    case 'c': case 'C':
      if (!isNumeric(arg)) return padded(describe(arg), spec, true);
      return formatCharacter(spec, arg);
    case 'p':
      if (missing || arg.kind() == FormatArg::Kind::Text || arg.kind() == FormatArg::Kind::Value) {
        return padded(describe(arg), spec, true);
      }
      return formatPointer(spec, arg);
    case 's': case 'S': return padded(describe(arg), spec, false);
    case '@': return padded(describe(arg), spec, true);
    default: return {};
  }
}

bool isConversion(char c) {
  return std::string_view("diDuUoOxXfFeEgGaAcCsSp@n").find(c) != std::string_view::npos;
}

// Reads a run of digits at `at`, capped so that no text can overflow the count.
int readNumber(std::string_view text, size_t& at) {
  int value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    value = std::min(value * 10 + (text[at] - '0'), kLargestField + 1);
    ++at;
  }
  return value;
}

class Formatter {
 public:
  // With `escaped`, what each conversion puts in has its control characters written out.
  Formatter(std::string_view text, std::span<const FormatArg> args, bool escaped = false)
      : text_(text), args_(args), escaped_(escaped) {}

  std::string run() {
    size_t at = 0;
    while (at < text_.size()) {
      size_t percent = text_.find('%', at);
      if (percent == std::string_view::npos) {
        out_.append(text_.substr(at));
        break;
      }
      out_.append(text_.substr(at, percent - at));
      at = conversionAt(percent);
    }
    return std::move(out_);
  }

 private:
  const FormatArg& argument(size_t index) const {
    static const FormatArg missing = FormatArg::missing();
    return index < args_.size() ? args_[index] : missing;
  }
  const FormatArg& nextArgument() { return argument(next_++); }

  // Handles the conversion that starts at `percent` and returns where the plain text goes on.
  size_t conversionAt(size_t percent) {
    size_t at = percent + 1;
    Spec spec;
    size_t digitsEnd = at;
    int position = readNumber(text_, digitsEnd);
    bool positional = digitsEnd > at && digitsEnd < text_.size() && text_[digitsEnd] == '$';
    if (positional) at = digitsEnd + 1;
    while (at < text_.size() && std::string_view("-+ #0'").find(text_[at]) != std::string_view::npos) {
      spec.flags += text_[at++];
    }
    readWidth(spec, at);
    readPrecision(spec, at);
    readLength(spec, at);
    if (at >= text_.size()) {
      out_.append(text_.substr(percent));  // a lone '%' at the end stays as written
      return text_.size();
    }
    spec.conversion = text_[at];
    if (spec.conversion == '%') {
      out_ += '%';
    } else if (!isConversion(spec.conversion)) {
      out_.append(text_.substr(percent, at + 1 - percent));
    } else {
      if (positional) next_ = static_cast<size_t>(std::max(position, 1));
      const FormatArg& arg = positional ? argument(static_cast<size_t>(std::max(position, 1) - 1)) : nextArgument();
      if (spec.conversion == 'n') return at + 1;  // %n never writes through a pointer
      out_ += escaped_ && !arg.isOwnText() ? platform::log::escapedControlCharacters(convert(spec, arg))
                                           : convert(spec, arg);
    }
    return at + 1;
  }

  void readWidth(Spec& spec, size_t& at) {
    if (at < text_.size() && text_[at] == '*') {
      ++at;
      const FormatArg& arg = nextArgument();
      if (!isNumeric(arg)) return;
      std::int64_t width = asSigned(arg);
      if (width < 0) spec.flags += '-', width = width == INT64_MIN ? INT64_MAX : -width;
      spec.width = static_cast<int>(std::min<std::int64_t>(width, kLargestField));
    } else if (at < text_.size() && text_[at] >= '1' && text_[at] <= '9') {
      spec.width = std::min(readNumber(text_, at), kLargestField);
    }
  }

  void readPrecision(Spec& spec, size_t& at) {
    if (at >= text_.size() || text_[at] != '.') return;
    ++at;
    if (at < text_.size() && text_[at] == '*') {
      ++at;
      const FormatArg& arg = nextArgument();
      std::int64_t precision = isNumeric(arg) ? asSigned(arg) : -1;
      // As in C, a negative precision counts as none.
      spec.precision = precision < 0 ? -1 : static_cast<int>(std::min<std::int64_t>(precision, kLargestField));
    } else {
      spec.precision = std::min(readNumber(text_, at), kLargestField);
    }
  }

  // The argument knows its own type, so the modifier matters only for hh and h narrowing.
  void readLength(Spec& spec, size_t& at) {
    std::string_view rest = text_.substr(std::min(at, text_.size()));
    for (std::string_view length : {"hh", "ll", "h", "l", "q", "j", "z", "t", "L"}) {
      if (rest.substr(0, length.size()) == length) {
        spec.length = std::string(length);
        at += length.size();
        return;
      }
    }
  }

  std::string_view text_;
  std::span<const FormatArg> args_;
  bool escaped_;
  size_t next_ = 0;
  std::string out_;
};

}  // namespace

std::string formatList(std::string_view format, std::span<const FormatArg> args) {
  CLocaleScope locale;
  return Formatter(format, args).run();
}

platform::log::OwnText formatLogTextList(FormatLiteral format, std::span<const FormatArg> args) {
  CLocaleScope locale;
  return platform::log::OwnText(Formatter(format.text(), args, true).run());
}

}  // namespace platform::foundation
