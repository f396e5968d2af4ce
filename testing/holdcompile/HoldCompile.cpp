// A compile ICU cannot be stopped in, for a test of what waits for one: preloaded into a program
// (LD_PRELOAD), it stands in for ICU's compile of a regular expression (the C++ and the C entry), and
// one whose pattern holds the text OSTREL_TEST_HOLD_COMPILE says on stderr that it is held and never
// returns, as a compile that takes longer than anyone would wait. Every other pattern is ICU's to
// compile.
#include <dlfcn.h>
#include <unistd.h>

#include <unicode/regex.h>
#include <unicode/uregex.h>
#include <unicode/uvernum.h>

#include <cstdlib>
#include <cstring>

namespace {

#define OSTREL_TEXT(x) #x
#define OSTREL_NUMBER(x) OSTREL_TEXT(x)
// icu::RegexPattern::compile(const UnicodeString&, uint32_t, UParseError&, UErrorCode&) as the linker
// names it, in ICU's versioned namespace.
constexpr const char* kCompile = "_ZN6icu_" OSTREL_NUMBER(U_ICU_VERSION_MAJOR_NUM)
    "12RegexPattern7compileERKNS_13UnicodeStringEjR11UParseErrorR10UErrorCode";

// uregex_open, as ICU's header renames it to its versioned name.
constexpr const char* kOpen = OSTREL_NUMBER(uregex_open);

using Compile = icu::RegexPattern* (*)(const icu::UnicodeString&, uint32_t, UParseError&, UErrorCode&);
using Open = URegularExpression* (*)(const UChar*, int32_t, uint32_t, UParseError*, UErrorCode*);

// Holds the calling thread for good when `pattern` holds the text the test named.
void holdWhenNamed(const icu::UnicodeString& pattern) {
  const char* text = std::getenv("OSTREL_TEST_HOLD_COMPILE");
  if (!text || !*text || pattern.indexOf(icu::UnicodeString::fromUTF8(text)) < 0) return;
  constexpr const char kSaid[] = "ostrel-test: compile held\n";
  (void)!::write(STDERR_FILENO, kSaid, sizeof kSaid - 1);
  for (;;) ::pause();
}

}  // namespace

URegularExpression* uregex_open(const UChar* pattern, int32_t length, uint32_t flags, UParseError* parseError,
                                UErrorCode* status) {
  holdWhenNamed(icu::UnicodeString(length < 0, pattern, length));
  static const auto real = reinterpret_cast<Open>(::dlsym(RTLD_NEXT, kOpen));
  return real(pattern, length, flags, parseError, status);
}

icu::RegexPattern* icu::RegexPattern::compile(const icu::UnicodeString& regex, uint32_t flags, UParseError& parseError,
                                              UErrorCode& status) {
  holdWhenNamed(regex);
  static const auto real = reinterpret_cast<Compile>(::dlsym(RTLD_NEXT, kCompile));
  return real(regex, flags, parseError, status);
}
