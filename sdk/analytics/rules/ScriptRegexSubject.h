#pragma once

#include <unicode/utext.h>

#include <cstdint>
#include <functional>
#include <string>

namespace sdk::analytics {

// The text a regular expression searches, handed to the matcher a small chunk at a time: every
// chunk it reads (a literal compared, a back reference checked, a loop scanning) asks `charge`
// first, so no single step of the matcher reads the text uncounted. Once `charge` refuses, the
// matcher sees every position as the end of the text, and whatever it was doing fails at once.
class ScriptRegexSubject {
 public:
  ScriptRegexSubject(const std::u16string& text, std::function<bool()> charge);
  ScriptRegexSubject(const ScriptRegexSubject&) = delete;
  ScriptRegexSubject& operator=(const ScriptRegexSubject&) = delete;
  ~ScriptRegexSubject();

  // The text for uregex_setUText; the matcher keeps clones of it, which must be replaced before
  // this subject goes.
  UText* text() { return &text_; }

  // Code units in a chunk: small, so that what the matcher does inside one stays small.
  static constexpr std::int32_t kChunkUnits = 64;

 private:
  static UBool U_CALLCONV access(UText* text, int64_t index, UBool forward);
  static UText* U_CALLCONV clone(UText* destination, const UText* source, UBool deep, UErrorCode* status);
  static int64_t U_CALLCONV nativeLength(UText* text);
  static int32_t U_CALLCONV extract(UText* text, int64_t start, int64_t limit, UChar* destination, int32_t capacity,
                                    UErrorCode* status);
  static int64_t U_CALLCONV mapOffsetToNative(const UText* text);
  static int32_t U_CALLCONV mapNativeIndexToUTF16(const UText* text, int64_t index);
  static const UTextFuncs kFunctions;

  void showChunk(UText& text, std::int64_t start, std::int64_t index) const;
  void showEnd(UText& text) const;

  const std::u16string& units_;
  std::function<bool()> charge_;
  bool refused_ = false;
  UText text_ = UTEXT_INITIALIZER;
};

}  // namespace sdk::analytics
