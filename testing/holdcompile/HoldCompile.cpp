// A compile ICU cannot be stopped in, for a test of what waits for one: preloaded into a program
// (LD_PRELOAD), it stands in for ICU's compile of a regular expression (RegexCompiler's one way in), and
// one whose pattern holds the text OSTREL_TEST_HOLD_COMPILE says on stderr that it is held and never
// returns, as a compile that takes longer than anyone would wait. Every other pattern is ICU's to
// compile.
#include <dlfcn.h>
#include <unistd.h>

#include <unicode/regex.h>
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

using Compile = icu::RegexPattern* (*)(const icu::UnicodeString&, uint32_t, UParseError&, UErrorCode&);

// Holds the calling thread for good when `pattern` holds the text the test named.
void holdWhenNamed(const icu::UnicodeString& pattern) {
  const char* text = std::getenv("OSTREL_TEST_HOLD_COMPILE");
  if (!text || !*text || pattern.indexOf(icu::UnicodeString::fromUTF8(text)) < 0) return;
  constexpr const char kSaid[] = "ostrel-test: compile held\n";
  (void)!::write(STDERR_FILENO, kSaid, sizeof kSaid - 1);
  for (;;) ::pause();
}

}  // namespace

icu::RegexPattern* icu::RegexPattern::compile(const icu::UnicodeString& regex, uint32_t flags, UParseError& parseError,
                                              UErrorCode& status) {
  holdWhenNamed(regex);
  static const auto real = reinterpret_cast<Compile>(::dlsym(RTLD_NEXT, kCompile));
  return real(regex, flags, parseError, status);
}
