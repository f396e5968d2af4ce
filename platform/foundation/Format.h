#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/foundation/FormatLiteral.h"
#include "platform/foundation/Value.h"
#include "platform/log/OwnText.h"

namespace platform::foundation {

template <typename T>
concept Describable = requires(const T& object) {
  { object.description() } -> std::convertible_to<std::string>;
};

template <typename T>
concept CharacterType = std::is_same_v<std::remove_cv_t<T>, char> || std::is_same_v<std::remove_cv_t<T>, signed char> ||
                        std::is_same_v<std::remove_cv_t<T>, unsigned char> ||
                        std::is_same_v<std::remove_cv_t<T>, char8_t>;

// One argument of format(): remembers the argument's own kind, so that every conversion can check what
// it was given instead of trusting the format text. Text and values are referred to, not copied; an
// argument lives only for the format() call that it is passed to.
class FormatArg {
 public:
  enum class Kind { Missing, Signed, Unsigned, Real, Text, Pointer, Value };

  template <std::integral T>
  FormatArg(T number) : bits_(sizeof(T) * 8) {
    if constexpr (std::is_same_v<T, bool>) {
      kind_ = Kind::Signed, signed_ = number ? 1 : 0, bits_ = 32;
    } else if constexpr (std::is_signed_v<T>) {
      kind_ = Kind::Signed, signed_ = number;
    } else {
      kind_ = Kind::Unsigned, unsigned_ = number;
    }
  }
  template <typename T>
    requires std::is_enum_v<T>
  FormatArg(T value) : FormatArg(static_cast<std::underlying_type_t<T>>(value)) {}
  template <std::floating_point T>
  FormatArg(T number) : kind_(Kind::Real), real_(static_cast<double>(number)) {}

  FormatArg(const char* text) : kind_(Kind::Text), text_(text ? text : ""), nullText_(text == nullptr) {}
  FormatArg(char* text) : FormatArg(static_cast<const char*>(text)) {}
  // Byte strings of the other character types, such as the column text of a database row.
  template <CharacterType T>
  FormatArg(const T* text) : FormatArg(reinterpret_cast<const char*>(text)) {}
  FormatArg(const std::string& text) : kind_(Kind::Text), text_(text) {}
  FormatArg(std::string_view text) : kind_(Kind::Text), text_(text) {}
  FormatArg(const Value& value) : kind_(Kind::Value), value_(&value) {}
  // A text the program worded for the log: formatLogText puts it in as it stands, line breaks and all.
  FormatArg(const platform::log::OwnText& text) : kind_(Kind::Text), text_(text.text()), ownText_(true) {}
  // A missing object: "(null)" for %@ and %s, 0x0 for %p.
  FormatArg(std::nullptr_t) : kind_(Kind::Pointer), pointer_(nullptr) {}

  template <typename T>
    requires(!CharacterType<T>)
  FormatArg(const T* pointer) : kind_(Kind::Pointer), pointer_(pointer) {}

  // Any object with a description() (errors, the runtime's objects) prints that for %@.
  template <Describable T>
  FormatArg(const T& object) : kind_(Kind::Text), owned_(std::make_shared<std::string>(object.description())) {
    text_ = *owned_;
  }
  template <Describable T>
  FormatArg(const std::shared_ptr<T>& object) : FormatArg(static_cast<const char*>(nullptr)) {
    if (object) {
      owned_ = std::make_shared<std::string>(object->description());
      text_ = *owned_, nullText_ = false;
    }
  }

  static FormatArg missing() { return FormatArg(); }

  Kind kind() const { return kind_; }
  int bits() const { return bits_; }
  std::int64_t signedValue() const { return signed_; }
  std::uint64_t unsignedValue() const { return unsigned_; }
  double realValue() const { return real_; }
  std::string_view text() const { return text_; }
  bool isNullText() const { return nullText_; }
  bool isOwnText() const { return ownText_; }
  const void* pointer() const { return pointer_; }
  const Value& value() const { return *value_; }

 private:
  FormatArg() = default;

  Kind kind_ = Kind::Missing;
  int bits_ = 64;
  std::int64_t signed_ = 0;
  std::uint64_t unsigned_ = 0;
  double real_ = 0;
  std::string_view text_;
  bool nullText_ = false;
  bool ownText_ = false;
  const void* pointer_ = nullptr;
  const Value* value_ = nullptr;
  std::shared_ptr<std::string> owned_;
};

// printf-style formatting that cannot be crashed by its arguments. Every conversion of C's printf works
// with its flags, width, precision and length modifiers (%d %i %u %o %x %X %c %s %f %F %e %E %g %G %a
// %A %p %%), digits in the C locale whatever the process locale, plus %@ for any value's description
// and positional arguments such as %1$@. An argument that does not fit its conversion is shown as text
// (a string given to %d prints the string, a number given to %s prints the number), a missing one as
// "(null)", and %n writes nothing. Integers print at their full width unless an hh or h modifier asks
// for narrowing, and unsigned conversions of negative numbers wrap at the argument's own width, as
// C does for matching types.
std::string formatList(std::string_view format, std::span<const FormatArg> args);

template <typename... Args>
std::string format(std::string_view text, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return formatList(text, {});
  } else {
    const FormatArg list[] = {FormatArg(args)...};
    return formatList(text, list);
  }
}

// A message for the log, formatted as above from a format written in the program, whose line breaks
// stand: every text put in (by %@, %s or %c, or a conversion shown as text) has its control characters
// written out, so that what came from outside stays within its line (see log::escapedControlCharacters);
// an OwnText goes in as it stands.
platform::log::OwnText formatLogTextList(FormatLiteral format, std::span<const FormatArg> args);

template <typename... Args>
platform::log::OwnText formatLogText(FormatLiteral format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return formatLogTextList(format, {});
  } else {
    const FormatArg list[] = {FormatArg(args)...};
    return formatLogTextList(format, list);
  }
}

}  // namespace platform::foundation
