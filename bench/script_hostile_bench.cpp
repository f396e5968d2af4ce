// Hostile event-editing programs and audience filters under the production limits, each in a process
// of its own: the load and every event must end within a second (events with error 18, or the error
// the language gives; audience filters without a result), and the process must never hold more than
// 128 MB. Prints one line per case and exits non-zero when one fails.
// Run it on a Release build: the second is this machine's, not a sanitizer's.
#include <malloc.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/ThreadCpuClock.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/EventAggregates.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/UserAttribute.h"
#include "sdk/analytics/rules/AudienceTestSupport.h"
#include "sdk/analytics/rules/Audiences.h"
#include "sdk/analytics/rules/PatternShapesTestSupport.h"
#include "sdk/analytics/rules/ConfigurationTestSupport.h"
#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/rules/ScriptNativeModules.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"
#include "sdk/analytics/rules/ScriptText.h"
#include "testing/TempContainer.h"

namespace {

using sdk::analytics::measurement_fields::kConfigAudiences;
using sdk::analytics::measurement_fields::kConfigPrograms;

constexpr double kSecondsPerEvent = 1.0;
constexpr long kPeakKilobytes = 128 * 1024;
constexpr int kEvents = 3;
// Enough events for the first ones to set every pattern of the default limits aside.
constexpr int kAudienceEvents = 6;
// A case still running after this long has failed; the child is stopped so the others still run.
constexpr unsigned kSecondsPerCase = 60;

// The rules every case loads unless it brings its own: one rule that registers the edit callback.
const std::string kRegisteringRules =
    "(const \"register\" (require \"internal.registerCallback\"))"
    "(defun \"rule\" (quote \"options\") (register \"rule\" (. $options \"callback\") $options))";

struct Case {
  const char* name;
  std::string body;  // the edit callback's statements, with the event object as $e
  // Top-level statements loaded before the rules, and how many rules load: cases about loading
  // bring their own (they register the callback, with the body, themselves).
  std::string rules = kRegisteringRules;
  int ruleCount = 1;
  // The stack of the thread that loads and edits, when not the process's own.
  std::size_t stackBytes = 0;
};

// A phone's worker threads have half a megabyte of stack, where the main thread here has eight.
constexpr std::size_t kWorkerStackBytes = 512u << 10;

const std::string kForever = "(loop true 0 false (quote ";
std::string text(const std::string& name, int units) {
  return "(var \"" + name + "\") (= \"" + name + "\" \"0123456789abcdef\") (loop (< (. $" + name + " \"length\") " +
         std::to_string(units) + ") (= \"" + name + "\" (+ $" + name + " $" + name + ")) false (quote))";
}
std::string doubled(int times) {
  return "(var \"x\") (= \"x\" (array 1)) (var \"k\") (= \"k\" 0) (loop (< $k " + std::to_string(times) +
         ") (= \"k\" (+ $k 1)) false (quote (= \"x\" (array $x $x))))";
}
const std::string kHoles = "(var \"h\") (= \"h\" (array)) (put $h \"length\" 1000000)";

// A text of `units` copies of one character, built by doubling.
std::string repeated(const std::string& name, const std::string& character, int units) {
  return "(var \"" + name + "\") (= \"" + name + "\" \"" + character + "\") (loop (< (. $" + name + " \"length\") " +
         std::to_string(units) + ") (= \"" + name + "\" (+ $" + name + " $" + name + ")) false (quote))";
}

// Searches a text of `units` letters a, named t, for `pattern` until stopped.
std::string searchingForever(int units, const std::string& pattern) {
  return repeated("t", "a", units) + kForever + "(call $t \"search\" (quote " + pattern + "))))";
}

// Searches with a new pattern every time: a number, then `units` of copies of `unit`.
std::string freshPatternsForever(const std::string& unit, int units) {
  return repeated("p", unit, units) + "(var \"i\") (= \"i\" 0)" + kForever +
         "(call \"x\" \"search\" (quote (+ $i $p))) (= \"i\" (+ $i 1))))";
}

// A function `g` whose call returns a new function made inside that call, called `levels` times.
std::string deepScopes(int levels) {
  return "(var \"t\") (= \"t\" (quote (return (fn \"\" (quote \"t\") (run $t)))))"
         "(var \"g\") (= \"g\" (fn \"\" (quote \"t\") (run $t))) (var \"k\") (= \"k\" 0)"
         "(loop (< $k " + std::to_string(levels) + ") (= \"k\" (+ $k 1)) false (quote (= \"g\" (g $t))))";
}

// An array `a` of `count` references to one text of four million code units.
std::string longNames(int count) {
  return text("t", 4'000'000) + "(var \"a\") (= \"a\" (array)) (var \"k\") (= \"k\" 0) (loop (< $k " +
         std::to_string(count) + ") (= \"k\" (+ $k 1)) false (quote (call $a \"push\" (quote $t))))";
}

// A program's array literal of names that one widely used fixed-seed hash maps to a single value.
std::string collidingKeys(std::size_t count) {
  std::string literal = "(array";
  for (const auto& name : ostrel::testing::collidingNames(count)) {
    literal += " \"" + sdk::analytics::utf8FromUTF16(name) + "\"";
  }
  return literal + ")";
}

std::vector<Case> cases() {
  return {
      {"endless loop", kForever + "))"},
      {"deep recursion", "(defun \"f\" (quote) (f)) (f)"},
      {"string doubling", "(var \"s\") (= \"s\" \"x\") (loop true (= \"s\" (+ $s $s)) false (quote))"},
      {"array far index", "(var \"a\") (= \"a\" (array)) (put $a 1e9 1)"},
      {"array pushes", "(var \"a\") (= \"a\" (array))" + kForever + "(call $a \"push\" (quote 1 2 3 4 5 6 7 8))))"},
      {"catastrophic regex", kForever + "(call \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!\" \"search\" (quote \"(a+)+b\"))))"},
      {"regex in a loop", kForever + "(call \"aaaaaaaaaaaaaaaaaaaa\" \"search\" (quote \"(a*)*b\"))))"},
      {"shared array to a parameter", doubled(30) + "(call $e \"setParamValue\" (quote \"x\" $x))"},
      {"shared array to a created event",
       "(const \"log\" (require \"internal.eventLogger\"))" + doubled(30) + "(log \"made\" 1 (object \"x\" $x))"},
      {"length growth", "(var \"a\") (= \"a\" (array))" + kForever + "(put $a \"length\" 1000000) (put $a \"length\" 0)))"},
      {"concat copies", kHoles + kForever + "(call $h \"concat\" (quote))))"},
      {"statement array copies", kHoles + "(put $h 0 (quote (break)))" + kForever + "(array (run $h))))"},
      {"array conversions", kHoles + kForever + "(== $h \"x\")))"},
      {"reduce over holes", kHoles + "(put $h 999999 1)" + kForever + "(call $h \"reduce\" (quote (fn \"\" (quote))))))"},
      {"long text comparisons", text("t", 4'000'000) + kForever + "(< $t $t)))"},
      {"normalising comparisons",
       "(var \"u\") (= \"u\" \"\xC3\xA9\") (loop (< (. $u \"length\") 2000000) (= \"u\" (+ $u $u)) false (quote))" +
           kForever + "(< $u \"e\")))"},
      {"slices", text("t", 4'000'000) + kForever + "(call $t \"slice\" (quote 1)) (call $t \"trim\" (quote))))"},
      {"near-miss search", text("t", 4'000'000) + kForever + "(call $t \"indexOf\" (quote (+ (call $t \"substring\" (quote 0 4000)) \"!\")))))"},
      {"long log lines",
       "(const \"logger\" (require \"internal.logger\"))" + text("t", 4'000'000) + kForever +
           "(call $logger \"log\" (quote $t))))"},
      {"many log lines", "(const \"logger\" (require \"internal.logger\"))" + kForever + "(call $logger \"log\" (quote \"x\"))))"},
      {"large created events",
       "(const \"log\" (require \"internal.eventLogger\"))" + text("t", 4'000'000) + kForever +
           "(log \"made\" 1 (object \"p\" $t))))"},
      {"large parameters",
       text("t", 4'000'000) + "(var \"i\") (= \"i\" 0)" + kForever + "(call $e \"setParamValue\" (quote (+ \"p\" $i) $t)) (= \"i\" (+ $i 1))))"},
      {"iterating a long text", text("t", 4'000'000) + kForever + "(for-of \"c\" $t (quote))))"},
      {"splitting a long text", text("t", 4'000'000) + "(call $t \"split\" (quote \"\"))"},
      {"closures", kForever + "(var \"self\") (= \"self\" (fn \"\" (quote) $self))))"},
      // Each call returns a function made inside it, so every call's scope is the next one's parent.
      {"closures deepening scopes",
       "(var \"s\") (= \"s\" (quote (return (fn \"\" (quote) (run $s)))))"
       "(var \"g\") (= \"g\" (fn \"\" (quote) (run $s)))" + kForever + "(= \"g\" (g))))"},
      // The same chain grown cheaply (each call finds its statements in its own parameter), then
      // names far up it read or written from its deepest scope.
      {"reading through deep scopes", deepScopes(40000) + "(g (quote " + kForever + "$k))))"},
      {"writing through deep scopes", deepScopes(40000) + "(g (quote " + kForever + "(= \"k\" 1)))))"},
      {"long names looked up", text("t", 4'000'000) + kForever + "(get $t)))"},
      {"long names declared", text("t", 4'000'000) + kForever + "(var $t)))"},
      {"holes as parameter names", kHoles + kForever + "(fn \"f\" $h)))"},
      {"long parameter names", longNames(1000) + kForever + "(fn \"f\" $a)))"},
      {"holes as copied loop names", kHoles + kForever + "(for $h false 0 (quote))))"},
      {"long copied loop names", longNames(1000) + kForever + "(for $a false 0 (quote))))"},
      // Each event nests arrays deeper in a chain a module keeps, until the budget stops it; the
      // third drops the chain.
      {"dropping deep nesting",
       "(var \"p\") (= \"p\" (require \"internal.platform\"))"
       "(if (=== (. $p \"rounds\") (undefined)) (quote (put $p \"rounds\" (array))))"
       "(call (. $p \"rounds\") \"push\" (quote 1))"
       "(if (> (. (. $p \"rounds\") \"length\") 2) (quote (put $p \"nest\" 0)))" +
           kForever + "(put $p \"nest\" (array (. $p \"nest\")))))"},
      {"colliding keys",
       "(var \"o\") (= \"o\" (object)) (for-of \"k\" " + collidingKeys(32768) + " (quote (put $o $k 1)))" + kForever +
           "(. $o \"missing\")))"},
      // One run of combining marks, every one out of canonical order.
      {"reordering marks",
       repeated("m", "\xCC\x81", 32768) + repeated("g", "\xCC\x96", 32768) + "(var \"u\") (= \"u\" (+ (+ \"a\" $m) $g))" +
           kForever + "(< $u \"b\")))"},
      // Patterns of sets of every character that ignore case, each compiled in about 80 ms.
      {"regex sets in a loop",
       repeated("p", "[\\\\p{Any}]", 72) + "(var \"i\") (= \"i\" 0)" + kForever +
           "(call \"x\" \"search\" (quote (+ (+ \"(?i)\" $i) $p))) (= \"i\" (+ $i 1))))"},
      {"sorting numbers",
       "(var \"a\") (= \"a\" (array)) (var \"k\") (= \"k\" 20000)"
       "(loop (> $k 0) (= \"k\" (- $k 1)) false (quote (call $a \"push\" (quote (* $k 1.37)))))" +
           kForever + "(call $a \"sort\" (quote)) (call $a \"join\" (quote))))"},
      {"keeping holes",
       "(var \"l\") (= \"l\" (array))" + kForever +
           "(var \"h\") (= \"h\" (array)) (put $h \"length\" 1000000) (call $l \"push\" (quote $h))))"},
      // One step of the matcher compares a literal, a back reference or a whole frame of groups.
      {"literal failing at its end", searchingForever(131072, "(+ (call $t \"substring\" (quote 0 65536)) \"!\")")},
      {"short literal in a loop", searchingForever(4096, "(+ (call $t \"substring\" (quote 0 2048)) \"!\")")},
      {"star before a literal", searchingForever(65536, "(+ (+ \"a*\" (call $t \"substring\" (quote 0 2048))) \"!\")")},
      {"caseless back reference", searchingForever(16384, "\"(?i)(a*)\\\\1b\"")},
      {"back reference", searchingForever(32768, "\"(.*)\\\\1b\"")},
      {"back reference on the longest text", searchingForever(4194304, "\"(.*)\\\\1b\"")},
      {"many empty groups", repeated("g", "()", 65536) + searchingForever(1048576, "(+ \"ab\" $g)")},
      {"thousands of empty groups", repeated("g", "()", 8192) + searchingForever(1048576, "(+ \"ab\" $g)")},
      {"backtracking through groups", repeated("g", "()", 8192) + searchingForever(1048576, "(+ $g \"(?:a|b){0,5}c\")")},
      // Patterns that compile in time growing faster than their length, each one new.
      {"fresh star patterns", freshPatternsForever("a*", 8192)},
      {"fresh long star patterns", freshPatternsForever("a*", 131072)},
      {"fresh lookbehind patterns", freshPatternsForever("(?<=a)", 12288)},
      {"fresh tiny patterns", freshPatternsForever("x", 1)},
      // Patterns an estimate may misread: the emoji spelled as ICU also reads them, escapes that
      // nothing closes, and groups nested deep around a long pattern, each repeated.
      {"emoji spelled with Is", repeated("p", "\\\\p{Is RGI Emoji}", 8000) + kForever + "(call \"x\" \"search\" (quote $p))))"},
      {"emoji after a tab", repeated("p", "\\\\p{\tRGI_Emoji}", 7000) + kForever + "(call \"x\" \"search\" (quote $p))))"},
      {"unclosed POSIX brackets", repeated("p", "[:a]", 262144) + kForever + "(call \"x\" \"search\" (quote $p))))"},
      {"nested repeated groups", repeated("d", ".", 1048576) + repeated("e", ".", 262144) + repeated("f", ".", 131072) +
                                     kForever + "(call \"x\" \"search\" (quote (+ (+ (+ (+ \"" + std::string(99, '(') +
                                     "\" $d) $e) $f) \"" + ostrel::testing::repeated(")*", 99) + "\")))))"},
      // Nesting on a worker's stack, which the native frames under every level fill long before the
      // depth limit: more so in a sanitizer build, whose frames are several times an optimised one's.
      {"sorting inside the comparator",
       "(var \"a\") (= \"a\" (array 3 1 2)) (defun \"c\" (quote \"x\" \"y\") (call $a \"sort\" (quote $c)))"
       "(call $a \"sort\" (quote $c))",
       kRegisteringRules, 1, kWorkerStackBytes},
      {"sorting another inside the comparator",
       "(var \"a\") (= \"a\" (array 3 1 2)) (defun \"c\" (quote \"x\" \"y\")"
       " (call (array 2 1) \"sort\" (quote (fn \"\" (quote \"p\" \"q\") (call $a \"sort\" (quote $c))))))"
       "(call $a \"sort\" (quote $c))",
       kRegisteringRules, 1, kWorkerStackBytes},
      // Costs that no count sees end with the event's CPU time.
      {"slow host lookups",
       "(const \"rc\" (require \"internal.remoteConfig\"))" + kForever + "(call $rc \"getValue\" (quote \"k\" \"d\"))))"},
      // A decimal far below the smallest double, copied through a parameter: it must stay a zero of
      // its sign (the event then loops until stopped), where an infinity would end the event at once.
      {"tiny decimals",
       repeated("z", "0", 4096) + "(call $e \"setParamValue\" (quote \"p\" (+ (+ \"-0.\" $z) \"1\")))" +
           "(var \"q\") (= \"q\" (* 1 (call $e \"getParamValue\" (quote \"p\"))))"
           "(if (&& (=== $q 0) (=== (/ 1 $q) (/ -1 0))) (quote " + kForever + "))))"},
      {"loading many rules", "",
       "(const \"register\" (require \"internal.registerCallback\")) (var \"keep\") (= \"keep\" (array))"
       "(register \"rule\" (fn \"\" (quote \"e\") " + kForever + ")) (return 0)) (object \"type\" \"edit\"))"
       "(defun \"rule\" (quote \"options\") (call $keep \"push\" (quote (array))))",
       20000},
  };
}

// A logger module whose lines go nowhere, so the case measures the interpreter.
class DiscardingLogger final : public sdk::analytics::ScriptLoggerDelegate {
 public:
  void logWithLevel(std::int64_t, const std::string&, const std::vector<std::string>&, bool, bool) override {}
};

// A host whose settings take a millisecond of CPU to read, a cost no count of the interpreter sees.
std::optional<std::string> slowLookup(const std::string&) {
  const auto clock = platform::foundation::ThreadCpuClock::current();
  const auto start = clock->threadNanoseconds();
  while (clock->threadNanoseconds() - start < 1'000'000) {
  }
  return "on";
}

struct Outcome {
  double slowestEvent = 0;
  long peakKilobytes = 0;
  long long errorCode = 0;
  int editedEvents = 0;
};

Outcome runCase(const Case& c) {
  const std::string options =
      c.ruleCount == 1 ? "(object \"type\" \"edit\" \"callback\" (fn \"\" (quote \"e\") " + c.body + " (return 0)))"
                       : "(object)";
  const std::vector<std::pair<std::string, std::string>> activities(static_cast<std::size_t>(c.ruleCount), {"rule", options});
  const auto program = ostrel::testing::program(c.rules, activities);
  sdk::analytics::EventEditing editing;
  auto logger = std::make_shared<DiscardingLogger>();
  editing.setModuleCreator([logger](sdk::analytics::ScriptHeap& heap) { return sdk::analytics::ScriptValueRef(heap.make<sdk::analytics::LoggerModule>(logger)); },
                           u"internal.logger");
  editing.setModuleCreator(
      [](sdk::analytics::ScriptHeap& heap) {
        return sdk::analytics::ScriptValueRef(heap.make<sdk::analytics::KeyValueStoreModule>(u"internal.remoteConfig", slowLookup));
      },
      u"internal.remoteConfig");
  Outcome outcome;
  const auto clock = platform::foundation::Clock::current();
  // Loading is held to the same second as an event.
  const auto loadStart = clock->monotonic();
  const auto loaded = editing.loadProgram(*program);
  outcome.slowestEvent = clock->monotonic() - loadStart;
  if (!loaded.ok()) {
    outcome.errorCode = -loaded.error().code;
    return outcome;
  }
  for (int i = 0; i < kEvents; ++i) {
    const sdk::analytics::EditingEvent event("purchase", 1000 + i, platform::foundation::Dictionary{{"value", 10.0}});
    const auto start = clock->monotonic();
    const auto handled = editing.handleEvent(event);
    if (handled.valueOr(false)) ++outcome.editedEvents;
    outcome.slowestEvent = std::max(outcome.slowestEvent, clock->monotonic() - start);
    outcome.errorCode = handled.ok() ? 0 : handled.error().code;
  }
  return outcome;
}

// A program of two million tiny statements: small on the wire, large once loaded.
// Reported as a program that failed to load is, by a negative code: code 1 is none of the
// interpreter's.
constexpr std::int64_t kRefusedByDecoder = -1;
// A configuration that loaded but did not do what it says.
constexpr std::int64_t kNotAsConfigured = -2;
Outcome runLargeProgram() {
  std::string wire;
  const std::string entity = "\x0a\x02\x08\x02";  // instructions: a number literal
  while (wire.size() < (4u << 20)) wire += entity;
  const auto clock = platform::foundation::Clock::current();
  const auto start = clock->monotonic();
  Outcome outcome;
  auto program = sdk::analytics::ProtoProgram::initWithBuffer(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(wire.data()), wire.size()));
  if (program) {
    sdk::analytics::EventEditing editing;
    const auto loaded = editing.loadProgram(*program);
    outcome.errorCode = loaded.ok() ? 0 : loaded.error().code;
  } else {
    // The message decoder refuses a program of that many messages (their memory, long before their
    // number): nothing is loaded.
    outcome.errorCode = kRefusedByDecoder;
  }
  outcome.slowestEvent = clock->monotonic() - start;
  return outcome;
}

void appendVarint(std::string& out, std::uint64_t value) {
  do {
    out.push_back(static_cast<char>((value & 0x7F) | (value > 0x7F ? 0x80 : 0)));
    value >>= 7;
  } while (value);
}
// A length-delimited field: its key, the content's length and the content.
std::string delimited(char key, const std::string& content) {
  std::string out(1, key);
  appendVarint(out, content.size());
  return out + content;
}

// A configuration of 3.8 MB whose program keeps about 165,000 tiny statements in a function's body,
// loaded as the engine loads a configuration's program (the last statement loops until stopped).
Outcome runLargeConfiguration() {
  const std::string type = "\x08";
  const std::string literal = type + "\x02" + "\x31" + std::string("\x00\x00\x00\x00\x00\x00\xf0\x3f", 8) +
                              delimited('\x22', "abcdef");
  std::string body = type + "\x04" + delimited('\x1a', "46");
  while (body.size() < 3'800'000) body += delimited('\x12', literal);
  const std::string name = type + "\x01" + delimited('\x22', "f");
  const std::string defun = type + "\x04" + delimited('\x1a', "50") + delimited('\x12', name) + delimited('\x12', body);
  const std::string forever = type + "\x04" + delimited('\x1a', "42") + delimited('\x12', type + "\x03\x28\x01") +
                              delimited('\x12', type + "\x02\x31" + std::string(8, '\0')) +
                              delimited('\x12', type + "\x03") + delimited('\x12', type + "\x04" + delimited('\x1a', "46"));
  const std::string wire = delimited('\x4a', delimited('\x0a', defun) + delimited('\x0a', forever));
  const auto clock = platform::foundation::Clock::current();
  const auto start = clock->monotonic();
  Outcome outcome;
  auto config = sdk::analytics::ProtoMeasurementConfig::initWithBuffer(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(wire.data()), wire.size()));
  const auto programs = config ? sdk::analytics::nanoMessagesIn<sdk::analytics::ProtoProgram>(*config, kConfigPrograms)
                               : sdk::analytics::NanoMessagesView<sdk::analytics::ProtoProgram>();
  if (programs.empty()) {
    outcome.errorCode = kRefusedByDecoder;
  } else {
    sdk::analytics::EventEditing editing;
    const auto loaded = editing.loadProgram(*programs.begin());
    outcome.errorCode = loaded.ok() ? 0 : loaded.error().code;
  }
  outcome.slowestEvent = clock->monotonic() - start;
  return outcome;
}

// Runs `work` on a thread of its own with a stack of `bytes`.
Outcome onThreadWithStack(std::size_t bytes, const std::function<Outcome()>& work) {
  struct Job {
    const std::function<Outcome()>& work;
    Outcome outcome;
  } job{work, {}};
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, bytes);
  pthread_t thread;
  const int made = pthread_create(&thread, &attributes, [](void* context) -> void* {
    auto& job = *static_cast<Job*>(context);
    job.outcome = job.work();
    return nullptr;
  }, &job);
  pthread_attr_destroy(&attributes);
  if (made != 0) return job.outcome;
  pthread_join(thread, nullptr);
  return job.outcome;
}

// The most this process held since it started or since resetPeak(): the kernel's high-water mark.
long peakKilobytes() {
  FILE* status = std::fopen("/proc/self/status", "r");
  char line[256];
  long kilobytes = 0;
  while (status && std::fgets(line, sizeof line, status)) {
    if (std::sscanf(line, "VmHWM: %ld kB", &kilobytes) == 1) break;
  }
  if (status) std::fclose(status);
  return kilobytes;
}
// Forgets the high-water mark, so that what a case builds before its work is not counted.
void resetPeak() {
  malloc_trim(0);
  if (FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", refs);
    std::fclose(refs);
  }
}

// A configuration of a mebibyte made of what configurations hold, decoded, its audiences read as
// the engine reads them and its program loaded, then three events handled by its rule: all of it
// must load, each step within a second.
Outcome runConfiguration(const platform::foundation::Data& wire) {
  Outcome outcome;
  const auto clock = platform::foundation::Clock::current();
  auto start = clock->monotonic();
  auto config = sdk::analytics::ProtoMeasurementConfig::initWithBuffer(wire);
  if (!config) {
    outcome.errorCode = kRefusedByDecoder;
    return outcome;
  }
  const auto audiences = sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoAudience>(*config, kConfigAudiences);
  sdk::analytics::EventEditing editing;
  const auto loaded = editing.loadProgram(*sdk::analytics::nanoMessagesIn<sdk::analytics::ProtoProgram>(*config, kConfigPrograms).begin());
  outcome.slowestEvent = clock->monotonic() - start;
  outcome.errorCode = loaded.ok() ? 0 : loaded.error().code;
  for (int i = 0; i < kEvents && loaded.ok(); ++i) {
    const sdk::analytics::EditingEvent event("purchase", 1000 + i, platform::foundation::Dictionary{{"value", 10.0}});
    start = clock->monotonic();
    const auto handled = editing.handleEvent(event);
    if (handled.valueOr(false)) ++outcome.editedEvents;
    outcome.slowestEvent = std::max(outcome.slowestEvent, clock->monotonic() - start);
    if (!handled.ok()) outcome.errorCode = handled.error().code;
  }
  if (audiences.size() != 200 || outcome.editedEvents != kEvents) outcome.errorCode = kNotAsConfigured;
  return outcome;
}

// Audiences of event or user-property filters of one regular expression each, made its own by a
// number, as a configuration brings them and under the settings it brings.
struct AudienceCase {
  int audiences;
  int filtersPerAudience;
  bool onUserProperty;
  std::map<std::string, std::string> settings;
  std::string pattern;
  bool caseSensitive = false;
};
// A search that tries every way of cutting a run of a's into ones and twos.
const std::string kCuttingRuns = "(a|aa)*c|";
// Sets of every character, which ignoring case makes some five milliseconds each to compile.
std::string everyCharacter(int sets) {
  std::string pattern;
  for (int i = 0; i < sets; ++i) pattern += "[\\p{Any}]";
  return pattern;
}

std::vector<std::shared_ptr<sdk::analytics::ProtoAudience>> hostileAudiences(const AudienceCase& c) {
  using namespace ostrel::testing;
  std::vector<std::shared_ptr<sdk::analytics::ProtoAudience>> list;
  for (int a = 1; a <= c.audiences; ++a) {
    std::vector<std::shared_ptr<sdk::analytics::ProtoEventFilter>> events;
    std::vector<std::shared_ptr<sdk::analytics::ProtoPropertyFilter>> properties;
    for (int f = 0; f < c.filtersPerAudience; ++f) {
      const auto pattern = stringFilter(1, c.pattern + std::to_string(a * 1000 + f), c.caseSensitive);
      if (c.onUserProperty) {
        properties.push_back(propertyFilter(f, "tier", valueFilter(*pattern)));
      } else {
        events.push_back(eventFilter(f, "purchase", {valueFilter(*pattern, "item")}));
      }
    }
    list.push_back(audience(a, events, properties));
  }
  return list;
}

// The configuration's audiences stored as its fetch stores them, held to the second an event has,
// then events (or the user property) evaluated as bundling evaluates them, with values of a hundred
// a's (thirty-six for the property). Every filter must be stored and every evaluation must succeed, or
// else the outcome says the configuration was not taken as it stands.
Outcome runAudiences(const AudienceCase& c) {
  ostrel::testing::TempContainer container;
  Outcome outcome{0, 0, kNotAsConfigured, 0};
  auto database = sdk::analytics::MeasurementDatabase::initWithDatabasePath(container.pathFor("audiences.sql"), nullptr)
                      .valueOr(nullptr);
  auto config = sdk::analytics::ProtoMeasurementConfig::make();
  sdk::analytics::nanoSetMessageArray(*config, kConfigAudiences, hostileAudiences(c));
  auto decoded = sdk::analytics::ProtoMeasurementConfig::initWithBuffer(config->protoBuffer());
  auto host = std::make_shared<ostrel::testing::AudienceHost>();
  host->settings = c.settings;
  sdk::analytics::Audiences audiences(database, host);
  const auto clock = platform::foundation::Clock::current();
  const auto loadStart = clock->monotonic();
  if (!database || !decoded ||
      !audiences.updateAudiences(sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoAudience>(*decoded, kConfigAudiences))) {
    return outcome;
  }
  outcome.slowestEvent = clock->monotonic() - loadStart;
  const auto stored = c.onUserProperty ? database->propertyFiltersForPropertyName("tier").valueOr({}).size()
                                       : database->eventFiltersForEventName("purchase").valueOr({}).size();
  if (stored != static_cast<std::size_t>(c.audiences * c.filtersPerAudience)) return outcome;
  outcome.errorCode = 0;
  for (int i = 0; i < kAudienceEvents; ++i) {
    const double time = 1000 + i;
    const auto start = clock->monotonic();
    bool evaluated = false;
    if (c.onUserProperty) {
      const sdk::analytics::UserAttribute tier("app", "tier", sdk::analytics::AnalyticsValue(std::string(36, 'a')), time);
      evaluated = audiences.evaluateFiltersForUserProperty(tier, nullptr, time);
    } else {
      const auto event = sdk::analytics::AnalyticsEvent::create(
          "app", false, "purchase", time, 0, {{"item", sdk::analytics::AnalyticsValue(std::string(100, 'a'))}});
      const sdk::analytics::EventAggregates aggregates("purchase", i + 1, 0, i + 1, time);
      evaluated = event && audiences.evaluateFiltersForEvent(*event, &aggregates, nullptr);
    }
    outcome.slowestEvent = std::max(outcome.slowestEvent, clock->monotonic() - start);
    if (!evaluated) outcome.errorCode = kNotAsConfigured;
  }
  return outcome;
}

// A function of 400 calls without arguments: the smallest statement there is.
std::string denseFunction(int i) {
  std::string function = "(defun \"dense" + std::to_string(i) + "\" (quote)";
  for (int k = 0; k < 400; ++k) function += " (f)";
  return function + ")";
}

// A configuration whose program is a mebibyte of statements that hold no value at all: each takes
// four bytes on the wire and a message once decoded.
platform::foundation::Data emptyStatements() {
  std::string program;
  const std::string entity = "\x0a\x02\x08\x02";
  while (program.size() < (1u << 20) - 8) program += entity;
  const std::string wire = delimited('\x4a', program);
  return platform::foundation::Data(wire.begin(), wire.end());
}

// Runs `work` in a child process and reads its outcome back.
template <typename Work>
bool measure(const char* name, Work work, bool mustLoad = false) {
  int channel[2];
  if (pipe(channel) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    alarm(kSecondsPerCase);
    Outcome outcome = work();
    outcome.peakKilobytes = peakKilobytes();
    (void)!write(channel[1], &outcome, sizeof outcome);
    _exit(0);
  }
  close(channel[1]);
  Outcome outcome;
  const bool read = ::read(channel[0], &outcome, sizeof outcome) == static_cast<ssize_t>(sizeof outcome);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  const bool ok = read && WIFEXITED(status) && outcome.slowestEvent < kSecondsPerEvent &&
                  outcome.peakKilobytes < kPeakKilobytes && (outcome.errorCode == 0) == mustLoad;
  std::printf("%-32s %s  slowest %7.1f ms  peak %6.1f MB  error %lld\n", name, ok ? "ok  " : "FAIL",
              outcome.slowestEvent * 1000, static_cast<double>(outcome.peakKilobytes) / 1024, outcome.errorCode);
  return ok;
}

}  // namespace

// With arguments, only the cases whose names contain one of them run.
int main(int argc, char** argv) {
  auto chosen = [&](const char* name) {
    if (argc < 2) return true;
    for (int i = 1; i < argc; ++i) {
      if (std::strstr(name, argv[i])) return true;
    }
    return false;
  };
  int failed = 0;
  int ran = 0;
  auto run = [&](const char* name, const std::function<Outcome()>& work, bool mustLoad = false) {
    if (!chosen(name)) return;
    ++ran;
    failed += measure(name, work, mustLoad) ? 0 : 1;
  };
  // Each configuration is made in the child, before the high-water mark is reset.
  auto configuration = [&](const char* name, auto make, bool mustLoad) {
    run(name, [&] {
      const auto wire = make();
      resetPeak();
      return runConfiguration(wire);
    }, mustLoad);
  };
  for (const auto& c : cases()) {
    run(c.name, [&] { return c.stackBytes ? onThreadWithStack(c.stackBytes, [&] { return runCase(c); }) : runCase(c); });
  }
  run("two million statements", runLargeProgram);
  run("large configuration", runLargeConfiguration);
  configuration("ordinary configuration of 1 MiB",
                [] { return ostrel::testing::configurationOf(1u << 20, ostrel::testing::ordinaryFunction); }, true);
  configuration("dense configuration of 1 MiB", [] { return ostrel::testing::configurationOf(1u << 20, denseFunction); }, true);
  configuration("1 MiB of empty statements", emptyStatements, false);
  const std::map<std::string, std::string> raised{{"measurement.audience.max_count", "500"},
                                                  {"measurement.audience.filter_max_count_per_audience", "100"}};
  run("50 x 10 hostile audience filters", [] { return runAudiences({50, 10, false, {}, kCuttingRuns}); }, true);
  run("100 x 40 under raised limits", [&] { return runAudiences({100, 40, false, raised, kCuttingRuns}); }, true);
  run("50 x 10 hostile property filters", [] { return runAudiences({50, 10, true, {}, kCuttingRuns}); }, true);
  // Storing a configuration compiles within a budget of its own: what it cannot hold is refused there,
  // with its code, and the store still ends within the second.
  run("50 x 10 costly patterns to compile", [] { return runAudiences({50, 10, false, {}, everyCharacter(36)}); });
  run("50 x 10 patterns too costly", [] { return runAudiences({50, 10, false, {}, everyCharacter(72)}); });
  // The emoji spelled as ICU also reads the name, 1,100 times in a case-sensitive filter: refused when
  // stored, as dear as it is to compile, within the second.
  run("the emoji spelled with Is, stored", [] {
    return runAudiences({1, 1, false, {}, ostrel::testing::repeated("\\p{Is RGI Emoji}", 1100), true});
  });
  std::printf("%d passed, %d failed\n", ran - failed, failed);
  return failed == 0 ? 0 : 1;
}
