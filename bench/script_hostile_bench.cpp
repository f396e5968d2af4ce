// Hostile event-editing programs under the production limits, each in a process of its own: every
// event must end within a second (with error 18, or the error the language gives), and the process
// must never hold more than 128 MB. Prints one line per case and exits non-zero when one fails.
// Run it on a Release build: the second is this machine's, not a sanitizer's.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/rules/ScriptNativeModules.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"

namespace {

constexpr double kSecondsPerEvent = 1.0;
constexpr long kPeakKilobytes = 128 * 1024;
constexpr int kEvents = 3;

struct Case {
  const char* name;
  std::string body;  // the edit callback's statements, with the event object as $e
};

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
  };
}

// A logger module whose lines go nowhere, so the case measures the interpreter.
class DiscardingLogger final : public sdk::analytics::ScriptLoggerDelegate {
 public:
  void logWithLevel(std::int64_t, const std::string&, const std::vector<std::string>&, bool, bool) override {}
};

struct Outcome {
  double slowestEvent = 0;
  long peakKilobytes = 0;
  long long errorCode = 0;
  int editedEvents = 0;
};

Outcome runCase(const Case& c) {
  const std::string rules =
      "(const \"register\" (require \"internal.registerCallback\"))"
      "(defun \"rule\" (quote \"options\") (register \"rule\" (. $options \"callback\") $options))";
  const std::string options =
      "(object \"type\" \"edit\" \"callback\" (fn \"\" (quote \"e\") " + c.body + " (return 0)))";
  sdk::analytics::EventEditing editing;
  auto logger = std::make_shared<DiscardingLogger>();
  editing.setModuleCreator([logger](sdk::analytics::ScriptHeap& heap) { return sdk::analytics::ScriptValueRef(heap.make<sdk::analytics::LoggerModule>(logger)); },
                           u"internal.logger");
  Outcome outcome;
  const auto loaded = editing.loadProgram(*ostrel::testing::program(rules, {{"rule", options}}));
  if (!loaded.ok()) {
    outcome.errorCode = -loaded.error().code;
    return outcome;
  }
  const auto clock = platform::foundation::Clock::current();
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
    // The message decoder refuses a configuration of that many messages: nothing is loaded.
    outcome.errorCode = kRefusedByDecoder;
  }
  outcome.slowestEvent = clock->monotonic() - start;
  return outcome;
}

long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Runs `work` in a child process and reads its outcome back.
template <typename Work>
bool measure(const char* name, Work work) {
  int channel[2];
  if (pipe(channel) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
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
                  outcome.peakKilobytes < kPeakKilobytes && outcome.errorCode != 0;
  std::printf("%-32s %s  slowest %7.1f ms  peak %6.1f MB  error %lld\n", name, ok ? "ok  " : "FAIL",
              outcome.slowestEvent * 1000, static_cast<double>(outcome.peakKilobytes) / 1024, outcome.errorCode);
  return ok;
}

}  // namespace

int main() {
  int failed = 0;
  for (const auto& c : cases()) failed += measure(c.name, [&] { return runCase(c); }) ? 0 : 1;
  failed += measure("two million statements", runLargeProgram) ? 0 : 1;
  std::printf("%d passed, %d failed\n", static_cast<int>(cases().size()) + 1 - failed, failed);
  return failed == 0 ? 0 : 1;
}
