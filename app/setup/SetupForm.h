#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ui/TextField.h"
#include "platform/ui/Toolbar.h"

namespace app::setup {

// The forms of the setup screens (a camera, an aspect ratio, a lens series, a lens, an adapter): how
// their typed numbers are read, how a field in error is marked, and the bars above their keyboard.
//
// Numbers are typed with "," or "." as the decimal separator: every "," reads as "." before anything
// else. A text is numeric when, apart from white space around it, it is exactly one decimal number
// (sign, digits, fraction, exponent); "inf", "nan" and hexadecimal are not numbers here.
class FormNumber {
 public:
  static std::string dotted(std::string_view text);
  static bool isNumeric(std::string_view text);
  // The leading number of the dotted text, 0 when there is none; beyond float range it is infinite.
  static float value(std::string_view text);
  // A size or factor the app can compute with: numeric, finite and above zero.
  static bool isPositive(std::string_view text);
  // A number held to a range: numeric, and from `low` to `high` inclusive.
  static bool isWithin(std::string_view text, double low, double high);
};

// The caption over a field held to a range, so that a person reads the bounds before a red mark tells
// them: "SENSOR WIDTH (1–10000 MM)", "FACTOR (0.1–100)".
std::string rangeCaption(const std::string& title, double low, double high, const std::string& unit = {});

// A field in error wears a red rounded border; no message is shown.
void markInputError(platform::ui::TextField& field);
void unmarkInputError(platform::ui::TextField& field);
bool isMarkedInputError(const platform::ui::TextField& field);

// One run of a form's checks: it clears every mark first, then each rule marks its field when the
// field fails it. A form adds rules of its own with mark().
class FormCheck {
 public:
  explicit FormCheck(std::initializer_list<platform::ui::TextField*> fields);

  // Marks the field when it holds nothing but blanks.
  FormCheck& requireText(platform::ui::TextField& field);
  // Marks the field unless FormNumber::isPositive.
  FormCheck& requirePositiveNumber(platform::ui::TextField& field);
  // Marks the field unless FormNumber::isWithin.
  FormCheck& requireNumberWithin(platform::ui::TextField& field, double low, double high);
  FormCheck& mark(platform::ui::TextField& field);

  // Whether any field was marked.
  [[nodiscard]] bool failed() const { return failed_; }

 private:
  bool failed_ = false;
};

// A form field as the setup screens show them: the theme's text colour, the placeholder in the
// theme's placeholder colour, the keyboard of the theme.
void styleFormField(platform::ui::TextField& field, const std::string& placeholder);

// The bars above the keyboard of a form: "Cancel · Next" on every field but the last, "Done" on the last.
// Both take the theme's colours when made.
class FormKeyboardBars {
 public:
  static std::shared_ptr<platform::ui::Toolbar> nextBar(std::function<void()> cancel, std::function<void()> next);
  static std::shared_ptr<platform::ui::Toolbar> doneBar(std::function<void()> done);

  // Gives the keyboard to the view tagged `tag` + 1 inside `container`; false when there is none.
  static bool focusNext(platform::ui::View& container, int64_t tag);
  // The return key of a form field: with return key Next the keyboard moves to the field tagged one
  // more within the same superview; with Done the field gives it up. Always true.
  static bool returnKey(platform::ui::TextField& field);
};

}  // namespace app::setup

