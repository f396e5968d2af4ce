#pragma once

#include <string>
#include <string_view>

namespace app::model {

// Small text helpers shared by the records and the value texts: reading a number out of catalogue or typed
// text the forgiving way the catalogues were written for, and the character filters and replacements that
// the list texts apply.
class NumericText {
 public:
  // The leading number of `text`: leading blanks skipped, an optional sign, digits with an optional "."
  // fraction and exponent; 0 when the text does not start with a number. Values beyond float range read as
  // an infinity of that sign rather than being narrowed out of range.
  static float floatValue(std::string_view text);
  static double doubleValue(std::string_view text);
  // A double narrowed to float, values beyond float range going to an infinity of their sign (a plain
  // conversion of such a value is undefined).
  static float toFloat(double value);
  // Whether `text`, apart from white space around it, is exactly one number of the grammar above (no
  // "inf", "nan" or hexadecimal, which the C library would take).
  static bool isWholeNumber(std::string_view text);

  // `text` with every byte not in `allowed` removed.
  static std::string keepingOnly(std::string_view text, std::string_view allowed);

  static std::string replacingAll(std::string_view text, std::string_view from, std::string_view to);

  static bool hasPrefix(std::string_view text, std::string_view prefix);
  static bool hasSuffix(std::string_view text, std::string_view suffix);
  static bool contains(std::string_view text, std::string_view part);
};

}  // namespace app::model

