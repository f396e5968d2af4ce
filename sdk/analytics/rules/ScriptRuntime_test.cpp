#include <cmath>
#include <set>

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/MeasurementHostTestSupport.h"
#include "sdk/analytics/rules/ScriptMapValue.h"
#include "sdk/analytics/rules/ScriptNameHash.h"
#include "sdk/analytics/rules/NameIndex.h"
#include "sdk/analytics/rules/ScriptNativeModules.h"
#include "sdk/analytics/rules/ScriptValueConverter.h"
#include "sdk/analytics/rules/ScriptTestSupport.h"

namespace sdk::analytics {

using platform::foundation::Value;

namespace {

class ScriptRuntimeTest : public ScriptTest {};

TEST_F(ScriptRuntimeTest, ProgramFormat) {
  // Type 7 fails before anything runs.
  auto program = ostrel::testing::parse("(var \"ran\")");
  program.insert(program.begin(), ostrel::testing::literal(7));
  record(runtime->executeStatements(program));
  EXPECT_EQ(error.code, kScriptErrorUnknownEntityType);
  EXPECT_FALSE(runtime->globalScope().hasName(u"ran"));
  // A statement without a function name.
  auto nameless = ostrel::testing::literal(4);
  nanoAddMessage(*nameless, 1, *ostrel::testing::numberEntity(1));
  error = {};
  record(runtime->executeStatements({nameless}));
  EXPECT_EQ(error.code, kScriptErrorNoFunctionName);
  // Absent literal fields read as their defaults.
  error = {};
  auto value = record(runtime->executeStatements({ostrel::testing::literal(2)}));
  EXPECT_TRUE(std::isnan(*value->doubleValueOrError()));
  value = record(runtime->executeStatements({ostrel::testing::literal(1)}));
  EXPECT_EQ(value->kind(), ScriptValueKind::String);
  EXPECT_EQ(*value->stringValueOrError(), u"");
  value = record(runtime->executeStatements({ostrel::testing::literal(3)}));
  EXPECT_EQ(value.get(), scriptBoolean(false));
  EXPECT_FALSE(failed());
}

TEST_F(ScriptRuntimeTest, RequireCachesEveryModuleItReturns) {
  EXPECT_EQ(text("(call (call (require \"internal.platform\") \"getVersion\" (quote)) \"toString\" (quote))"), "0");
  EXPECT_EQ(text("(=== (require \"internal.platform\") (require \"internal.platform\"))"), "true");
  EXPECT_EQ(typed("(require \"later\")"), "undefined undefined");
  runtime->setModuleCreator([](ScriptHeap& heap) { return ScriptValueRef(heap.make<ScriptMapValue>()); }, u"later");
  EXPECT_EQ(typed("(require \"later\")"), "undefined undefined");
  EXPECT_EQ(errorOf("(require \"a\" \"b\")"), kScriptErrorArgumentCount);
  runtime->setModuleCreator([](ScriptHeap&) { return ScriptValueRef(); }, u"broken");
  EXPECT_EQ(errorOf("(require \"broken\")"), kScriptErrorModuleCreatorFailed);
}

TEST_F(ScriptRuntimeTest, LoggerLevelsFlagsAndContexts) {
  auto host = std::make_shared<FakeMeasurementHost>();
  runtime->setModuleCreator(
      [host](ScriptHeap& heap) {
        return ScriptValueRef(heap.make<LoggerModule>(std::make_shared<MonitorScriptLogger>(host)));
      },
      u"internal.logger");
  run("(const \"logger\" (require \"internal.logger\"))"
      "(call $logger \"log\" (quote \"plain\"))"
      "(call $logger \"log\" (quote 6 \"error\"))"
      "(call (. $logger \"silent\") \"log\" (quote 6 \"silent error\"))"
      "(call (. $logger \"unmonitored\") \"log\" (quote 5 \"warning\"))"
      "(call $logger \"log\" (quote 5 \"w\" 1 2 3 4 5))"
      "(call $logger \"log\" (quote Infinity \"clamped\"))");
  ASSERT_FALSE(failed()) << error.code;
  EXPECT_EQ(host->monitoringData(), "1:24005:1;2:24005:1;4:24005:1");
  EXPECT_EQ(errorOf("(call $logger \"log\" (quote))"), kScriptErrorArgumentCount);

  const struct {
    std::int64_t level;
    bool silent, monitored;
    int expected;
  } table[] = {{2, false, true, 8}, {3, false, true, 7}, {5, true, true, 5},  {5, false, true, 4}, {5, false, false, 3},
               {6, true, true, 2},  {6, false, true, 1}, {6, false, false, 0}, {4, false, true, 6}, {99, true, true, 6}};
  for (const auto& row : table) {
    EXPECT_EQ(MonitorScriptLogger::monitorLevel(row.level, row.silent, row.monitored), row.expected) << row.level;
  }
}

class RecordingLogger final : public ScriptLoggerDelegate {
 public:
  void logWithLevel(std::int64_t level, const std::string& message, const std::vector<std::string>& contexts, bool,
                    bool) override {
    lines.push_back(std::to_string(level) + " " + message + " [" + std::to_string(contexts.size()) + "]");
    messages.push_back(message);
  }
  std::vector<std::string> lines;
  std::vector<std::string> messages;
};

TEST_F(ScriptRuntimeTest, LogArgumentsAreConvertedAndCapped) {
  auto logger = std::make_shared<RecordingLogger>();
  runtime->setModuleCreator([logger](ScriptHeap& heap) { return ScriptValueRef(heap.make<LoggerModule>(logger)); },
                            u"internal.logger");
  run("(const \"l\" (. (require \"internal.logger\") \"log\"))"
      "(call (require \"internal.logger\") \"log\" (quote \"one\"))"
      "(call (require \"internal.logger\") \"log\" (quote 2.9 \"two\" \"a\" \"b\" \"c\" \"d\" \"e\"))"
      "(call (require \"internal.logger\") \"log\" (quote -1e300 \"big\"))");
  ASSERT_FALSE(failed()) << error.code;
  EXPECT_EQ(logger->lines, (std::vector<std::string>{"4 one [0]", "2 two [3]", "-9223372036854775808 big [0]"}));
}

// Log lines keep their first bytes up to the line cap; past the run's cap one notice stands for
// everything dropped, until the next reset.
TEST_F(ScriptRuntimeTest, LogOutputIsCappedPerLineAndPerRun) {
  ScriptLimits limits;
  limits.logLineBytes = 100;
  limits.logRunBytes = 1000;
  useLimits(limits);
  auto logger = std::make_shared<RecordingLogger>();
  runtime->setModuleCreator([logger](ScriptHeap& heap) { return ScriptValueRef(heap.make<LoggerModule>(logger)); },
                            u"internal.logger");
  run("(const \"l\" (require \"internal.logger\")) (var \"s\") (= \"s\" \"\xc3\xa9\")"
      "(loop (< (. $s \"length\") 5000) (= \"s\" (+ $s $s)) false (quote))"
      "(var \"i\") (= \"i\" 0) (loop (< $i 1000) (= \"i\" (+ $i 1)) false (quote (call $l \"log\" (quote $s))))");
  ASSERT_FALSE(failed()) << error.code;
  ASSERT_EQ(logger->messages.size(), 8u);  // seven lines of 100 + 32 bytes, then the notice
  for (std::size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(logger->messages[i].size(), 100u);
    EXPECT_EQ(utf16FromUTF8(logger->messages[i]), std::u16string(50, u'\u00e9'));
  }
  EXPECT_NE(logger->messages[7].find("limit"), std::string::npos);
  runtime->resetInstructionCount();
  run("(call $l \"log\" (quote \"again\"))");
  EXPECT_EQ(logger->messages.back(), "again");
}

TEST_F(ScriptRuntimeTest, KeyValueStoreAndObjectProvider) {
  runtime->setModuleCreator(
      [](ScriptHeap& heap) {
        return ScriptValueRef(heap.make<KeyValueStoreModule>(u"internal.remoteConfig", [](const std::string& key) {
          return key == "known" ? std::optional<std::string>("yes") : std::nullopt;
        }));
      },
      u"internal.remoteConfig");
  runtime->setModuleCreator(
      [](ScriptHeap& heap) {
        return ScriptValueRef(heap.make<ObjectProvider>(u"internal.appMetadata", [] {
          Value object = platform::foundation::Dictionary{{"platform", "ios"}, {"vmp_version", 7}};
          return object;
        }));
      },
      u"internal.appMetadata");
  run("(const \"rc\" (require \"internal.remoteConfig\"))");
  EXPECT_EQ(typed("(call $rc \"getValue\" (quote \"known\" 1))"), "string yes");
  EXPECT_EQ(typed("(call $rc \"getValue\" (quote \"unknown\" 12))"), "number 12");
  EXPECT_EQ(errorOf("(call $rc \"getValue\" (quote \"known\"))"), kScriptErrorArgumentCount);
  EXPECT_EQ(typed("(const \"m\" (require \"internal.appMetadata\")) (. (m) \"vmp_version\")"), "number 7");
  EXPECT_EQ(typed("(. (call (object \"m\" $m) \"m\" (quote)) \"platform\")"), "string ios");
}

TEST_F(ScriptRuntimeTest, PlainValueConversions) {
  auto& heap = runtime->heap();
  Value input = platform::foundation::Dictionary{
      {"flag", true}, {"n", 2.5}, {"s", "text"}, {"list", platform::foundation::Array{1, "a"}}, {"nothing", Value()}};
  auto value = record(ScriptValueConverter::runtimeValueFromNSObject(input, heap));
  ASSERT_EQ(value->kind(), ScriptValueKind::Map);
  const auto& map = static_cast<const ScriptMapValue&>(*value);
  EXPECT_EQ(map.valueForProperty(u"flag").get(), scriptBoolean(true));
  EXPECT_EQ(map.valueForProperty(u"nothing").get(), scriptNull());
  EXPECT_EQ(*map.valueForProperty(u"list")->stringValueOrError(), u"1,a");
  record(ScriptValueConverter::runtimeValueFromNSObject(Value::null(), heap));
  EXPECT_EQ(error.code, kScriptErrorNoScriptForm);

  error = {};
  auto back = ScriptValueConverter::objectFromRuntimeValue(*value).value();
  EXPECT_EQ(back["flag"], Value(1.0));
  EXPECT_FALSE(back.contains("nothing"));
  EXPECT_EQ(back["list"], Value(platform::foundation::Array{1.0, "a"}));
  EXPECT_EQ(ScriptValueConverter::objectFromRuntimeValue(*shortScriptString(heap, u"42")).value(), Value(42.0));
  EXPECT_EQ(ScriptValueConverter::objectFromRuntimeValue(*scriptUndefined()).value(), Value(""));
  EXPECT_TRUE(ScriptValueConverter::objectFromRuntimeValue(*scriptNull()).value().isNil());
  auto holes = run("(var \"h\") (= \"h\" (array)) (put $h 2 (null)) (put $h 3 \"x\") $h");
  EXPECT_EQ(ScriptValueConverter::objectFromRuntimeValue(*holes).value(),
            Value(platform::foundation::Array{"", "", "x"}));
  // A lone surrogate leaves the interpreter as U+FFFD.
  EXPECT_EQ(ScriptValueConverter::objectFromRuntimeValue(*shortScriptString(heap, u"a\xD800")).value(),
            Value("a\xEF\xBF\xBD"));
  EXPECT_FALSE(failed());
}

// The instruction limit lives in the runtime, not in any binding a script can reach.
TEST_F(ScriptRuntimeTest, InstructionCounterAtTheLimit) {
  runtime->heap().setInstructionCount(999'999);
  EXPECT_EQ(text("1"), "1");
  EXPECT_EQ(runtime->getInstructionCount(), 1'000'000);
  EXPECT_EQ(errorOf("1"), kScriptErrorLimitReached);
  runtime->resetInstructionCount();
  EXPECT_EQ(runtime->getInstructionCount(), 0);
  EXPECT_EQ(text("(+ 1 2)"), "3");
  EXPECT_EQ(runtime->getInstructionCount(), 3);  // the statement and its two literals
}

// Statements that run directly (names, arithmetic, comparisons) count each statement and literal
// as the opcodes' handlers do, and stop at exactly the same instruction.
TEST_F(ScriptRuntimeTest, EveryInstructionIsCountedInOrder) {
  const struct {
    const char* program;
    std::int32_t count;
  } cases[] = {
      {"(var \"i\")", 2}, {"(= \"i\" 0)", 3}, {"$i", 2}, {"(+ $i 1)", 4}, {"(= \"i\" (+ $i 1))", 6},
      {"(< $i 10)", 4}, {"(< \"a\" $i)", 4}, {"(=== (+ 1 2) 3)", 5},
      {"(call (array) \"push\" (quote 1 2))", 6}, {"(call \"ab\" \"charAt\" (array 1))", 6},
      {"(call \"ab\" \"charAt\" (quote 1))", 5},
      {"(defun \"f\" (quote \"a\") (return (+ $a 1)))", 2}, {"(f 2)", 7}, {"(f (f 2))", 13},
      {"(< $i \"a\")", 4}, {"(= \"i\" (+ \"a\" $i))", 6},
      {"(defun \"g\" (quote \"a\" \"b\") (return $b))", 2}, {"(g 1 $i)", 7}, {"(g)", 4},
      {"(call (array) \"push\" (quote $i (+ $i 1) \"s\"))", 11},
  };
  for (const auto& c : cases) {
    runtime->resetInstructionCount();
    run(c.program);
    EXPECT_FALSE(failed()) << c.program;
    EXPECT_EQ(runtime->getInstructionCount(), c.count) << c.program;
  }
  // A method call written in place still finds an array's own function of that name first.
  EXPECT_EQ(text("(var \"a\") (= \"a\" (array)) (put $a \"push\" (fn \"\" (quote \"x\") (return (* $x 2))))"
                 "(call $a \"push\" (quote 21))"),
            "42");
  EXPECT_EQ(text("(call (array 1) \"push\" (quote 2 3))"), "3");
  // Stopped at every possible instruction, the program has done exactly what came before it: the
  // answer is the instruction count of the whole run.
  auto stopEverywhere = [&](const std::string& program, const std::string& result) {
    for (std::int64_t limit = 0;; ++limit) {
      ScriptLimits limits;
      limits.instructions = limit;
      useLimits(limits);
      const auto outcome = text(program);
      // Stopped while making a function, "50" reports its parameter list as unusable.
      if (limit == 1 && outcome == "error 10") continue;
      if (outcome != "error 18") {
        EXPECT_EQ(outcome, result);
        return limit;
      }
      EXPECT_EQ(runtime->getInstructionCount(), limit);
      const auto n = utf8FromUTF16(*runtime->globalScope().valueForName(u"n")->stringValueOrError());
      EXPECT_TRUE(n == "undefined" || n == "1" || n == "2" || n == "4" || n == "8") << limit;
    }
  };
  EXPECT_EQ(stopEverywhere("(var \"n\") (= \"n\" 1) (loop (< $n 4) (= \"n\" (* $n 2)) false (quote)) $n", "4"), 34);
  // The same through a script function called by name, its return taken straight to the caller.
  EXPECT_EQ(stopEverywhere("(defun \"dbl\" (quote \"x\") (return (* $x 2))) (var \"n\") (= \"n\" 1)"
                           "(loop (< $n 8) (= \"n\" (dbl $n)) false (quote)) $n",
                           "8"),
            58);
  // Through a function that binds nothing, so its parameter lives in a slot until a limit is near
  // and the rest of its body runs in a scope made from the slots.
  EXPECT_EQ(stopEverywhere("(defun \"twice\" (quote \"x\") (= \"x\" (* $x 2)) (return $x)) (var \"n\") (= \"n\" 1)"
                           "(loop (< $n 8) (= \"n\" (twice $n)) false (quote)) $n",
                           "8"),
            70);
  // And through numbers pushed as they are computed.
  EXPECT_EQ(stopEverywhere("(var \"n\") (= \"n\" 1) (var \"a\") (= \"a\" (array))"
                           "(loop (< $n 8) (= \"n\" (* $n 2)) false (quote (call $a \"push\" (quote $n)))) $n",
                           "8"),
            70);
}

// The statements counted at once nest exactly as deep as when each is counted alone: below the
// nesting a program needs it stops with error 18, at it the program ends.
TEST_F(ScriptRuntimeTest, EveryNestingLevelIsCounted) {
  auto deepestNesting = [&](const std::string& program, const std::string& result) {
    for (int depth = 0;; ++depth) {
      ScriptLimits limits;
      limits.evaluationDepth = depth;
      useLimits(limits);
      const auto outcome = text(program);
      if (outcome != "error 18") {
        EXPECT_EQ(outcome, result) << depth;
        return depth;
      }
    }
  };
  const std::string twice = "(defun \"twice\" (quote \"x\") (= \"x\" (* $x 2)) (return $x)) (var \"n\") (= \"n\" 3) ";
  EXPECT_EQ(deepestNesting(twice + "(= \"n\" (twice $n)) $n", "6"), 5);
  EXPECT_EQ(deepestNesting(twice + "(= \"n\" (twice (twice $n))) $n", "12"), 6);
  EXPECT_EQ(deepestNesting(twice + "(twice 5)", "10"), 4);
  EXPECT_EQ(deepestNesting("(var \"a\") (= \"a\" (array)) (call $a \"push\" (quote 1 2))", "2"), 2);
  EXPECT_EQ(deepestNesting("(var \"a\") (= \"a\" (array 7)) (var \"b\") (= \"b\" (call $a \"push\" (quote $a)))"
                           "(+ $b (. $a \"length\"))",
                           "4"),
            4);
}

// A function whose body only reads, computes, assigns and returns keeps its parameters in slots:
// it must see, change and shadow names exactly as a call scope holding only them would.
TEST_F(ScriptRuntimeTest, FunctionsThatBindNothingBehaveAsCallsWithAScope) {
  run("(var \"a\") (= \"a\" 100) (var \"g\") (= \"g\" 10)"
      "(defun \"f\" (quote \"a\" \"b\") (= \"a\" (+ $a $g)) (= \"g\" (+ $g 1)) (return (+ $a $b)))");
  ASSERT_FALSE(failed());
  EXPECT_EQ(text("(f 1 2)"), "13");
  EXPECT_EQ(text("(+ (+ $a \"/\") $g)"), "100/11");
  EXPECT_EQ(text("(f 1)"), "NaN");  // b undefined
  EXPECT_EQ(text("(f 1 2 3)"), "15");
  EXPECT_EQ(typed("(defun \"h\" (quote \"p\") $nosuch) (h)"), "undefined undefined");
  EXPECT_EQ(errorOf("(defun \"bad\" (quote) (= \"nowhere\" 1)) (bad)"), kScriptErrorUnboundAssignment);
  EXPECT_EQ(text("(defun \"last\" (quote \"v\") (+ $v 1) 4 (* $v 3)) (last 2)"), "6");
  EXPECT_EQ(typed("(defun \"k\" (quote) 1 (return \"s\") (= \"g\" 0)) (k)"), "string s");
  EXPECT_EQ(typed("(defun \"none\" (quote) (return)) (none)"), "undefined undefined");
  EXPECT_EQ(text("$g"), "13");
  // A variable holding a control value a function returned ends the body there, as a statement
  // list ends at a control value.
  run("(defun \"brk\" (quote) (return (break))) (var \"c\") (= \"c\" (brk))"
      "(defun \"slots\" (quote) $c (return 5)) (defun \"scoped\" (quote) (block) $c (return 5))");
  ASSERT_FALSE(failed());
  EXPECT_EQ(typed("(slots)"), typed("(scoped)"));
  EXPECT_EQ(run("(slots)")->kind(), ScriptValueKind::Control);
  // Memory is held as by a call run in a scope: the first call makes the scope the next ones reuse,
  // which keeps none of their parameters alive.
  run("(var \"t\") (= \"t\" \"\") (var \"i\") (= \"i\" 0)"
      "(loop (< $i 300) (= \"i\" (+ $i 1)) false (quote (= \"t\" (+ $t \"x\"))))"
      "(defun \"bare\" (quote \"s\") (= \"s\" (+ $s \"\")) (return $s))"
      "(defun \"scoped\" (quote \"s\") (var \"k\") (= \"s\" (+ $s \"\")) (return $s))");
  ASSERT_FALSE(failed());
  auto heldBy = [&](const std::string& call) {
    const auto before = runtime->heap().liveBytes();
    run(call);
    return runtime->heap().liveBytes() - before;
  };
  for (const auto* call : {"1", "(+ $t \"y\")", "2"}) {
    EXPECT_EQ(heldBy(std::string("(bare ") + call + ")"), heldBy(std::string("(scoped ") + call + ")")) << call;
  }
  // Functions made by one expression share its statements, whatever their parameters.
  run("(defun \"make\" (quote \"ps\") (return (fn \"\" $ps (return (- $x $y)))))"
      "(var \"f\") (= \"f\" (make (array \"x\" \"y\"))) (var \"r\") (= \"r\" (make (array \"y\" \"x\")))");
  ASSERT_FALSE(failed());
  EXPECT_EQ(text("(+ (+ (+ (f 5 3) \"/\") (r 5 3)) (f 1 0))"), "2/-21");
  // Closures made by one function each keep their own parameter.
  EXPECT_EQ(text("(defun \"adder\" (quote \"n\") (return (fn \"\" (quote \"m\") (return (+ $n $m)))))"
                 "(var \"p\") (= \"p\" (adder 1)) (var \"q\") (= \"q\" (adder 20)) (+ (p 2) (q 3))"),
            "26");
}

// Statements remember where they found a name, and numbers stay plain doubles in bindings until a
// value is needed: neither may ever show.
TEST_F(ScriptRuntimeTest, RememberedNamesAndPlainNumbersBehaveAsPlainLookups) {
  // Found in the parent first, then declared in the very scope that reads it.
  EXPECT_EQ(text("(var \"x\") (= \"x\" \"outer\") (block (var \"r\") (= \"r\" (array)) (var \"k\") (= \"k\" 0)"
                 " (loop (< $k 2) (= \"k\" (+ $k 1)) false"
                 "  (quote (call $r \"push\" (quote $x)) (var \"x\") (= \"x\" \"inner\")))"
                 " (call $r \"join\" (quote \"-\")))"),
            "outer-inner");
  EXPECT_EQ(text("$x"), "outer");
  // Two closures of one function expression run the same statements in scopes with different
  // parents, one after the other (the second call's scope may reuse the first one's memory).
  EXPECT_EQ(text("(defun \"mk\" (quote \"v\") (return (fn \"\" (quote) (return $v))))"
                 "(var \"a\") (= \"a\" (mk 1)) (var \"b\") (= \"b\" (mk 10)) (+ (a) (b))"),
            "11");
  EXPECT_EQ(text("(defun \"sum\" (quote \"n\") (return (? (< $n 1) 0 (+ $n (sum (- $n 1)))))) (sum 10)"), "55");
  // Every call starts from its parameters alone: what an earlier call declared or made constant is
  // gone, even when the next call takes over its scope.
  EXPECT_EQ(text("(var \"x\") (= \"x\" \"global\")"
                 "(defun \"peek\" (quote \"p\") (var \"r\") (= \"r\" $x) (var \"x\") (= \"x\" $p) (return $r))"
                 "(+ (peek \"a\") (peek \"b\"))"),
            "globalglobal");
  EXPECT_EQ(text("(defun \"k\" (quote \"p\") (const \"p\" (+ $p 5)) (= \"p\" 0) (return $p)) (+ (k 1) (k 2))"), "13");
  // A call scope kept for the next call forgets what the last call bound beside its parameters.
  run("(var \"k\") (= \"k\" \"global\")"
      "(defun \"some\" (quote \"p\") (if $p (quote (var \"k\") (= \"k\" 5))) (return $k))");
  EXPECT_EQ(text("(some true)"), "5");
  EXPECT_EQ(text("(some false)"), "global");
  EXPECT_EQ(text("(+ (some true) (some false))"), "5global");
  // A parameter named twice is bound twice: the later argument wins.
  EXPECT_EQ(text("(defun \"dup\" (quote \"p\" \"p\") (return $p)) (dup 1 2)"), "2");
  EXPECT_EQ(typed("(dup 1)"), "undefined undefined");
  EXPECT_EQ(text("(defun \"many\" (quote \"a\" \"b\" \"c\" \"d\" \"e\" \"f\" \"g\" \"h\" \"i\" \"a\") (return (+ $a $i)))"
                 "(many 1 2 3 4 5 6 7 8 9 10)"),
            "19");
  // A function that rebinds its own name while it runs finishes as the function it was.
  EXPECT_EQ(text("(defun \"once\" (quote) (= \"once\" 5) (return 7)) (+ (once) $once)"), "12");
  EXPECT_EQ(typed("(once)"), "undefined undefined");
  // More names than a scope scans: the index finds every one, also as it grows, and shadows work.
  std::string many = "(block";
  for (int i = 0; i < 40; ++i) many += " (var \"v" + std::to_string(i) + "\") (= \"v" + std::to_string(i) + "\" " +
                                    std::to_string(i) + ")";
  many += " (block (var \"v7\") (= \"v7\" 100) (= \"v39\" (+ $v39 $v7))) (+ (+ $v0 $v7) $v39))";
  EXPECT_EQ(text(many), "146");
  // Conditions that compare what is not a number, or cannot be compared at all.
  EXPECT_EQ(text("(var \"w\") (= \"w\" \"a\") (loop (< $w \"aaaa\") (= \"w\" (+ $w \"a\")) false (quote)) $w"), "aaaa");
  EXPECT_EQ(text("(var \"q\") (= \"q\" (. (quote (break)) 0)) (? (< 0 \"1\") (if (>= \"b\" \"a\") \"yes\") 0)"), "yes");
  EXPECT_EQ(errorOf("(if (< $q 1) 1 2)"), kScriptErrorNoNumberForm);
  EXPECT_EQ(errorOf("(loop (< $q 1) 0 false (quote))"), kScriptErrorNoNumberForm);
  // Plain numbers reach every consumer as numbers.
  EXPECT_EQ(typed("(var \"i\") (= \"i\" (+ 1 2)) (typeof $i)"), "string number");
  EXPECT_EQ(text("(call (array $i (* $i 2)) \"join\" (quote \"+\"))"), "3+6");
  EXPECT_EQ(text("(=== $i 3)"), "true");
  EXPECT_EQ(typed("(+ \"\" $i)"), "string 3");
  EXPECT_EQ(typed("(. (object \"k\" $i) \"k\")"), "number 3");
  EXPECT_EQ(typed("(var \"j\") (= \"j\" $i) (= \"i\" 4) $j"), "number 3");
  EXPECT_EQ(typed("(const \"c\" 1) (= \"c\" (+ $c 1)) $c"), "number 1");
}

TEST_F(ScriptRuntimeTest, NoProgramCanResetOrFreezeTheCounter) {
  // The old name is an ordinary, undeclared one.
  EXPECT_EQ(errorOf("(loop true (= \"runtime.counter\" 0) false (quote))"), kScriptErrorUnboundAssignment);
  const char* attempts[] = {
      "(var \"runtime.counter\") (loop true (= \"runtime.counter\" 0) false (quote (= \"runtime.counter\" 0)))",
      "(const \"runtime.counter\" 0) (loop true 0 false (quote))",
      "(for-of-const \"runtime.counter\" (array 0) (quote (loop true 0 false (quote))))",
      "(defun \"f\" (quote \"runtime.counter\") (loop true (= \"runtime.counter\" 0) false (quote))) (f 0)",
      "(block (var \"runtime.counter\") (loop true (put (object) \"runtime.counter\" 0) false (quote)))",
  };
  for (const char* program : attempts) {
    runtime = std::make_unique<ScriptRuntime>();
    EXPECT_EQ(errorOf(program), kScriptErrorLimitReached) << program;
    EXPECT_EQ(runtime->getInstructionCount(), 1'000'000) << program;
  }
}

TEST_F(ScriptRuntimeTest, HostileProgramsEndWithErrorEighteenAndTheNextRunWorks) {
  ScriptLimits limits;
  limits.memoryBytes = 4u << 20;
  limits.nativeWork = 2'000'000;
  const char* bombs[] = {
      // recursion
      "(defun \"f\" (quote) (f)) (f)",
      "(defun \"g\" (quote \"n\") (return (+ 1 (g $n)))) (g 1)",
      // memory
      "(var \"a\") (= \"a\" (array)) (put $a 1e9 1)",
      "(var \"s\") (= \"s\" \"x\") (loop true (= \"s\" (+ $s $s)) false (quote))",
      "(var \"k\") (= \"k\" (array)) (loop true 0 false (quote (call $k \"push\" (quote (array 1 2 3 4 5 6 7 8)))))",
      "(var \"m\") (= \"m\" (object)) (var \"i\") (= \"i\" 0) (loop true (= \"i\" (+ $i 1)) false (quote (put $m $i $i)))",
      // native work
      "(var \"t\") (= \"t\" \"ab\") (loop (< (. $t \"length\") 100000) (= \"t\" (+ $t $t)) false (quote))"
      "(loop true 0 false (quote (call $t \"indexOf\" (quote \"zz\"))))",
      "(var \"big\") (= \"big\" (array)) (put $big \"length\" 100000)"
      "(loop true 0 false (quote (call $big \"lastIndexOf\" (quote 1))))",
  };
  for (const char* program : bombs) {
    useLimits(limits);
    EXPECT_EQ(errorOf(program), kScriptErrorLimitReached) << program;
    runtime->resetInstructionCount();
    EXPECT_EQ(text("(+ 40 2)"), "42") << program;
    EXPECT_LE(runtime->heap().liveBytes(), limits.memoryBytes) << program;
  }
  useLimits(limits);
  EXPECT_EQ(errorOf("(var \"a\") (= \"a\" (array)) (put $a \"length\" 4e9)"), kScriptErrorBadLength);
}

// Each of these does a large native job in one instruction, over and over: the work meter, not the
// instruction counter, must be what stops it.
TEST_F(ScriptRuntimeTest, NativeWorkIsChargedByWhatItTouches) {
  ScriptLimits limits;
  limits.instructions = 50'000'000;
  limits.nativeWork = 200'000;
  const std::string text60k = "(var \"t\") (= \"t\" \"abcdefgh\")"
                              "(loop (< (. $t \"length\") 60000) (= \"t\" (+ $t $t)) false (quote))";
  const std::string holes = "(var \"h\") (= \"h\" (array)) (put $h \"length\" 50000)";
  const std::string forever = "(loop true 0 false (quote ";
  const std::string programs[] = {
      "(var \"a\") (= \"a\" (array))" + forever + "(put $a \"length\" 50000) (put $a \"length\" 0)))",
      holes + forever + "(call $h \"concat\" (quote))))",
      holes + "(put $h 0 (quote (break)))" + forever + "(array (run $h))))",
      holes + "(put $h 0 (quote (break)))" + forever + "(array (if true $h))))",
      holes + forever + "(== $h \"x\")))",
      holes + "(put $h 49999 1)" + forever + "(call $h \"reduce\" (quote (fn \"\" (quote))))))",
      text60k + forever + "(< $t $t)))",
      text60k + forever + "(=== $t (+ \"\" $t))))",
      text60k + forever + "(call $t \"slice\" (quote 1))))",
      text60k + forever + "(call $t \"substring\" (quote 1))))",
      text60k + forever + "(call $t \"trim\" (quote))))",
      text60k + forever + "(call $t \"indexOf\" (quote \"abcdefghabcdefghabcdefghz\"))))",
      "(var \"u\") (= \"u\" \"\xc3\xa9\") (loop (< (. $u \"length\") 30000) (= \"u\" (+ $u $u)) false (quote))" +
          forever + "(< $u \"e\")))",
      // Costly matching on a short subject: the matcher's own steps add up across calls.
      forever + "(call \"aaaaaaaaaaaaaaaaaa\" \"search\" (quote \"(a*)*b\"))))",
      "(loop true 0 false (quote (for-of \"c\" \"" + std::string(2000, 'x') + "\" (quote))))",
  };
  for (const auto& program : programs) {
    useLimits(limits);
    EXPECT_EQ(errorOf(program), kScriptErrorLimitReached) << program;
    EXPECT_LT(runtime->getInstructionCount(), 2'000'000) << program;
  }
}

// What texts cost where they are made or reordered: a number's text is work of its own, a sort
// without a comparator makes each element's text once however often it compares it, and
// normalising a text charges the reordering of its runs of combining marks by what it really costs.
TEST_F(ScriptRuntimeTest, TextsAreChargedWhatMakingAndReorderingThemCosts) {
  ScriptLimits limits;
  limits.nativeWork = 40'000;
  auto filled = [](const std::string& element) {
    return "(var \"a\") (= \"a\" (array)) (var \"k\") (= \"k\" 0) (loop (< $k 10000) (= \"k\" (+ $k 1)) false"
           " (quote (call $a \"push\" (quote " + element + "))))";
  };
  useLimits(limits);
  EXPECT_EQ(errorOf(filled("(* $k 1.5)") + "(call $a \"join\" (quote))"), kScriptErrorLimitReached);
  useLimits(limits);
  EXPECT_EQ(errorOf(filled("\"x\"") + "(call $a \"join\" (quote))"), 0);

  // Arrays of 60 elements: each comparison would convert two of them again.
  limits.nativeWork = 60'000;
  useLimits(limits);
  EXPECT_EQ(text("(var \"row\") (= \"row\" (array)) (put $row \"length\" 60) (var \"rows\") (= \"rows\" (array))"
                 "(var \"k\") (= \"k\" 0) (loop (< $k 300) (= \"k\" (+ $k 1)) false"
                 " (quote (call $rows \"push\" (quote (call (array (- 300 $k)) \"concat\" (quote $row))))))"
                 "(call $rows \"sort\" (quote)) (. (. $rows 0) 0)"),
            "1");

  // One run of 4000 marks in the reverse of canonical order, against 4000 marks each on a letter.
  const auto marks = "(var \"m\") (= \"m\" \"\xCC\x81\xCC\x96\") (loop (< (. $m \"length\") 4000) (= \"m\" (+ $m $m)) false (quote))";
  limits.nativeWork = 500'000;
  useLimits(limits);
  EXPECT_EQ(errorOf(std::string(marks) + "(< (+ \"a\" $m) \"b\")"), kScriptErrorLimitReached);
  useLimits(limits);
  EXPECT_EQ(text("(var \"e\") (= \"e\" \"a\xCC\x81\") (loop (< (. $e \"length\") 4000) (= \"e\" (+ $e $e)) false (quote))"
                 "(< $e \"b\")"),
            "true");
}

// Reading a character of a text converts a long numeric key several times. Whichever conversion
// the budget stops, the read ends (a key that could not be checked reads as no index), and when it
// is the last one, with error 18: never with a character read at no index.
TEST_F(ScriptRuntimeTest, ATextIndexReadThatRunsOutOfBudgetFails) {
  const std::string program = "(. \"abc\" \"" + std::string(40, '0') + "1\")";
  std::set<std::string> outcomes;
  for (std::int64_t work = 0; work < 200 && !outcomes.count("string b"); ++work) {
    ScriptLimits limits;
    limits.nativeWork = work;
    useLimits(limits);
    outcomes.insert(typed(program));
  }
  EXPECT_EQ(outcomes, (std::set<std::string>{"error 18", "string b", "undefined undefined"}));
}

// A function made inside each call makes that call's scope the parent of the next call's: the
// chain of scopes grows by one a call. Finding a name far up it, or missing it, or writing it, costs
// the scopes walked past the first few; a long name costs its hashing and comparing.
TEST_F(ScriptRuntimeTest, LookupsAreChargedTheScopesTheyWalkAndTheNamesTheyHash) {
  ScriptLimits limits;
  limits.nativeWork = 10'000;
  auto deep = [](int levels, const std::string& innermost) {
    return "(var \"t\") (= \"t\" (quote (return (fn \"\" (quote \"t\") (run $t)))))"
           "(var \"g\") (= \"g\" (fn \"\" (quote \"t\") (run $t))) (var \"k\") (= \"k\" 0)"
           "(loop (< $k " + std::to_string(levels) + ") (= \"k\" (+ $k 1)) false (quote (= \"g\" (g $t))))"
           "(g (quote (var \"n\") (= \"n\" 0) (loop (< $n 300) (= \"n\" (+ $n 1)) false (quote " + innermost +
           ")) (return $n)))";
  };
  useLimits(limits);
  EXPECT_EQ(text(deep(10, "$k")), "300");
  for (const auto* innermost : {"$k", "(= \"k\" 1)", "(typeof $nowhere)"}) {
    useLimits(limits);
    EXPECT_EQ(errorOf(deep(200, innermost)), kScriptErrorLimitReached) << innermost;
  }
  // Each call finds the statements it runs at the top of the chain it grows.
  useLimits(limits);
  EXPECT_EQ(errorOf("(var \"s\") (= \"s\" (quote (return (fn \"\" (quote) (run $s)))))"
                    "(var \"g\") (= \"g\" (fn \"\" (quote) (run $s))) (var \"k\") (= \"k\" 0)"
                    "(loop (< $k 2000) (= \"k\" (+ $k 1)) false (quote (= \"g\" (g))))"),
            kScriptErrorLimitReached);

  const std::string text4k = "(var \"t\") (= \"t\" \"abcdefgh\")"
                             "(loop (< (. $t \"length\") 4096) (= \"t\" (+ $t $t)) false (quote))";
  auto twentyTimes = [](const std::string& statement) {
    return "(var \"k\") (= \"k\" 0) (loop (< $k 20) (= \"k\" (+ $k 1)) false (quote " + statement + "))";
  };
  for (const auto* statement : {"(get $t)", "(var $t)", "(const $t 1)", "(for (array $t) false 0 (quote))"}) {
    useLimits(limits);
    EXPECT_EQ(errorOf(text4k + twentyTimes(statement)), kScriptErrorLimitReached) << statement;
  }
}

// Lists a native loop builds count against memory before they are made.
TEST_F(ScriptRuntimeTest, ListsBuiltInOneInstructionFitTheMemoryBudget) {
  ScriptLimits limits;
  limits.memoryBytes = 1u << 20;
  const std::string text60k = "(var \"t\") (= \"t\" \"abcdefgh\")"
                              "(loop (< (. $t \"length\") 60000) (= \"t\" (+ $t $t)) false (quote))";
  const std::string programs[] = {
      text60k + "(call $t \"split\" (quote \"\"))",
      "(var \"h\") (= \"h\" (array)) (put $h \"length\" 60000)"
      "(var \"k\") (= \"k\" 0) (loop (< $k 60000) (= \"k\" (+ $k 1)) false (quote (put $h $k 1)))"
      "(for-in \"i\" $h (quote))",
      // Every hole names a parameter, or a variable each iteration copies.
      "(var \"h\") (= \"h\" (array)) (put $h \"length\" 20000) (fn \"f\" $h)",
      "(var \"h\") (= \"h\" (array)) (put $h \"length\" 20000) (for $h false 0 (quote))",
      // 5000 distinct parameters fit; a call's scope binding all of them does not.
      "(var \"p\") (= \"p\" (array)) (var \"k\") (= \"k\" 0)"
      "(loop (< $k 5000) (= \"k\" (+ $k 1)) false (quote (call $p \"push\" (quote (+ \"p\" $k)))))"
      "(var \"f\") (= \"f\" (fn \"f\" $p)) (f)",
  };
  for (const auto& program : programs) {
    useLimits(limits);
    EXPECT_EQ(errorOf(program), kScriptErrorLimitReached) << program;
    EXPECT_LE(runtime->heap().peakBytes(), limits.memoryBytes) << program;
  }
  // A text's items are made one at a time: iterating a long one needs no list.
  useLimits(limits);
  EXPECT_EQ(text(text60k + "(var \"n\") (= \"n\" 0) (for-of \"c\" $t (quote (= \"n\" (+ $n 1)))) $n"), "65536");
}

// Garbage is collected during a run, not only after it: a long loop that makes closures runs in a
// small budget.
TEST_F(ScriptRuntimeTest, CollectionDuringARun) {
  ScriptLimits limits;
  limits.memoryBytes = 512u << 10;
  limits.collectionThreshold = 500;
  useLimits(limits);
  EXPECT_EQ(text("(var \"i\") (= \"i\" 0) (loop (< $i 20000) (= \"i\" (+ $i 1)) false"
                 " (quote (var \"self\") (= \"self\" (fn \"\" (quote) $self $i)))) $i"),
            "20000");
  EXPECT_LE(runtime->heap().liveBytes(), limits.memoryBytes);
}

// A conversion to plain values writes a shared sub-structure each time it meets it: doubling makes
// an output too big for the budget, never an exponential one.
TEST_F(ScriptRuntimeTest, PlainConversionsStayWithinTheirBudget) {
  auto doubled = run("(var \"x\") (= \"x\" (array 1)) (var \"i\") (= \"i\" 0)"
                     "(loop (< $i 40) (= \"i\" (+ $i 1)) false (quote (= \"x\" (array $x $x)))) $x");
  ASSERT_FALSE(failed());
  EXPECT_EQ(ScriptValueConverter::objectFromRuntimeValue(*doubled).error().code, kScriptErrorLimitReached);
  error = {};
  auto text = run("(var \"s\") (= \"s\" \"0123456789abcdef\") (loop (< (. $s \"length\") 1000000)"
                  " (= \"s\" (+ $s $s)) false (quote)) (array $s $s $s $s $s)");
  ASSERT_FALSE(failed());
  EXPECT_EQ(ScriptValueConverter::objectFromRuntimeValue(*text).error().code, kScriptErrorLimitReached);
  error = {};
  std::size_t bytes = 0;
  const auto small =
      ScriptValueConverter::objectFromRuntimeValue(*run("(array \"ab\" 1 (object \"k\" 2))"), &bytes).value();
  EXPECT_EQ(small, Value(platform::foundation::Array{"ab", 1.0, platform::foundation::Dictionary{{"k", 2.0}}}));
  EXPECT_GT(bytes, 0u);
}

TEST_F(ScriptRuntimeTest, CyclesPrintWithoutRecursingForever) {
  EXPECT_EQ(text("(var \"a\") (= \"a\" (array 1 2)) (put $a 2 $a) (call $a \"join\" (quote \"-\"))"), "1-2-");
  EXPECT_EQ(text("(+ \"\" $a)"), "1,2,");
  EXPECT_EQ(text("(var \"b\") (= \"b\" (array $a)) (put $a 3 $b) $b"), "1,2,,");
  // Nesting without a cycle is bounded too.
  EXPECT_EQ(errorOf("(var \"n\") (= \"n\" (array)) (var \"i\") (= \"i\" 0)"
                    "(loop (< $i 200) (= \"i\" (+ $i 1)) false (quote (= \"n\" (array $n)))) (+ \"\" $n)"),
            kScriptErrorLimitReached);
  run("(var \"m\") (= \"m\" (object)) (put $m \"self\" $m)");
  EXPECT_EQ(ScriptValueConverter::objectFromRuntimeValue(*runtime->globalScope().valueForName(u"m")).error().code,
            kScriptErrorLimitReached);
}

// Graphs nested far deeper than any walk may go: every walk stops at its depth bound, and dropping
// them frees each level without recursing on the native stack (which a sanitizer build would
// overflow within a few thousand levels).
TEST_F(ScriptRuntimeTest, DeepGraphsAreWalkedToABoundAndFreedFlat) {
  ScriptLimits limits;
  limits.instructions = 20'000'000;
  limits.nativeWork = 100'000'000;
  limits.memoryBytes = 512u << 20;
  useLimits(limits);
  const auto empty = runtime->heap().liveBytes();
  const std::string deep = "(var \"i\") (= \"i\" 0) (loop (< $i 30000) (= \"i\" (+ $i 1)) false (quote ";
  run("(var \"n\") (var \"m\") (var \"c\") (defun \"wrap\" (quote \"f\") (return (fn \"\" (quote) $f)))" + deep +
      "(= \"n\" (array $n)) (= \"m\" (object \"next\" $m)) (= \"c\" (wrap $c))))");
  ASSERT_FALSE(failed()) << error.code;
  const auto* nested = runtime->globalScope().valueForName(u"n");
  EXPECT_EQ(nested->stringValueOrError().error().code, kScriptErrorLimitReached);
  EXPECT_EQ(ScriptValueConverter::objectFromRuntimeValue(*nested).error().code, kScriptErrorLimitReached);
  EXPECT_EQ(ScriptValueConverter::objectFromRuntimeValue(*runtime->globalScope().valueForName(u"m")).error().code,
            kScriptErrorLimitReached);
  EXPECT_FALSE(nested->isEqualToRuntimeValue(*run("(array (array))")));
  EXPECT_EQ(text("(= \"n\" 0) (= \"m\" 0) (= \"c\" 0) (defun \"wrap\" (quote)) 7"), "7");
  runtime->collectGarbage();
  EXPECT_LT(runtime->heap().liveBytes(), empty + 4096);
}

// However deep a program may nest, the native stack never runs out: with no depth limit to speak
// of, recursion, a comparator that sorts the same array again and callbacks inside callbacks all
// end with error 18 while the stack still has room, and the run after them works.
TEST_F(ScriptRuntimeTest, NestingStopsWhileTheStackHasRoom) {
  ScriptLimits limits;
  limits.evaluationDepth = 1'000'000;
  limits.instructions = 10'000'000;
  const char* programs[] = {
      "(defun \"f\" (quote \"n\") (return (+ 1 (f $n)))) (f 1)",
      "(var \"a\") (= \"a\" (array 3 1 2)) (defun \"c\" (quote \"x\" \"y\") (call $a \"sort\" (quote $c)))"
      "(call $a \"sort\" (quote $c))",
      "(var \"a\") (= \"a\" (array 1)) (defun \"g\" (quote \"v\") (return (call $a \"map\" (quote $g))))"
      "(call $a \"map\" (quote $g))",
  };
  for (const char* program : programs) {
    useLimits(limits);
    EXPECT_EQ(errorOf(program), kScriptErrorLimitReached) << program;
    runtime->resetInstructionCount();
    EXPECT_EQ(text("(+ 40 2)"), "42") << program;
  }
}

// Slots are charged at what they hold, holes as much as values, and a cut array gives its room back.
TEST_F(ScriptRuntimeTest, ArraySlotsAreChargedAsHeld) {
  run("(var \"h\") (= \"h\" (array))");
  const auto before = runtime->heap().liveBytes();
  run("(put $h \"length\" 1000)");
  EXPECT_EQ(runtime->heap().liveBytes() - before, 1000 * sizeof(ArraySlot));
  run("(put $h \"length\" 10)");
  EXPECT_EQ(runtime->heap().liveBytes() - before, 10 * sizeof(ArraySlot));
  ScriptLimits limits;
  limits.memoryBytes = 1u << 20;
  useLimits(limits);
  EXPECT_EQ(errorOf("(var \"h\") (= \"h\" (array)) (put $h \"length\" 70000)"), kScriptErrorLimitReached);
  EXPECT_LE(runtime->heap().liveBytes(), limits.memoryBytes);
  EXPECT_EQ(text("(put $h \"length\" 30000) (. $h \"length\")"), "30000");
}

// A push into a full array asks for its room first: refused at the memory budget, it leaves the
// array and the meter as they were, the same whether the room was there or had to be made.
TEST_F(ScriptRuntimeTest, APushRefusedRoomChangesNothing) {
  ScriptLimits limits;
  limits.memoryBytes = 1u << 20;
  useLimits(limits);
  run("(var \"b\") (= \"b\" (array)) (var \"k\") (= \"k\" 0.5)");
  const auto before = runtime->heap().liveBytes();
  EXPECT_EQ(errorOf("(loop true (= \"k\" (+ $k 1)) false (quote (call $b \"push\" (quote $k))))"),
            kScriptErrorLimitReached);
  // The last room made was for 16,384 slots; each number held in one costs its object.
  const auto length = static_cast<std::size_t>(number("(. $b \"length\")"));
  EXPECT_GT(length, 8192u);
  EXPECT_LT(length, 16384u);
  EXPECT_EQ(runtime->heap().liveBytes() - before, 16384 * sizeof(ArraySlot) + length * sizeof(ScriptNumberValue));
  EXPECT_EQ(number("(call $b \"pop\" (quote))"), static_cast<double>(length) - 0.5);
  run("(put $b \"length\" 0)");
  EXPECT_EQ(runtime->heap().liveBytes(), before);
}

// Names a program picks to share one value of a fixed hash spread out under the keyed one; where
// names do share a slot, probing past it is charged, so no choice of names buys unmetered work.
TEST_F(ScriptRuntimeTest, NamesPickedToCollideCostNoUnmeteredWork) {
  const auto names = ostrel::testing::collidingNames(2000);
  std::set<std::size_t> fixed;
  std::set<std::size_t> keyed;
  std::string program = "(var \"o\") (= \"o\" (object))";
  for (std::size_t i = 0; i < names.size(); ++i) {
    fixed.insert(std::hash<std::u16string_view>()(names[i]));
    keyed.insert(ScriptNameHash::of(names[i]) & 0xFFFF);
    const auto name = utf8FromUTF16(names[i]);
    program += "(var \"" + name + "\") (= \"" + name + "\" " + std::to_string(i) + ") (put $o \"" + name + "\" $" + name + ")";
  }
  EXPECT_EQ(fixed.size(), 1u);
  EXPECT_GT(keyed.size(), 1900u);
  const auto last = utf8FromUTF16(names.back());
  EXPECT_EQ(text(program + "(+ (. $o \"" + utf8FromUTF16(names[7]) + "\") $" + last + ")"), "2006");

  ScriptLimits limits;
  limits.nativeWork = 2000;
  auto* heap = ScriptHeap::create(limits);
  NameIndex index;
  std::vector<std::size_t> hashes;
  for (std::size_t i = 0; i < 40; ++i) {
    hashes.push_back(42);
    index.update(hashes.size(), [&](std::size_t k) { return hashes[k]; }, *heap);
  }
  EXPECT_EQ(index.find(42, [](std::size_t position) { return position == 39; }), 39);
  EXPECT_TRUE(heap->countInstruction().ok());
  for (std::size_t i = 0; i < 60; ++i) (void)index.find(42, [](std::size_t) { return false; });
  EXPECT_FALSE(heap->countInstruction().ok());
  heap->release();
}

TEST_F(ScriptRuntimeTest, DeepEntitiesDoNotLoad) {
  // 100,000 nested statements, encoded by hand: the decoder refuses them.
  auto varint = [](std::string& out, std::uint64_t n) {
    do {
      out.push_back(static_cast<char>((n & 0x7F) | (n > 0x7F ? 0x80 : 0)));
      n >>= 7;
    } while (n);
  };
  const std::string innermost = "\x08\x02";  // a number literal
  const std::string header = "\x08\x04\x1a\x01\x30\x12";  // type 4, function name "0", arguments
  std::vector<std::size_t> sizes{innermost.size()};
  for (int i = 0; i < 100'000; ++i) {
    std::string length;
    varint(length, sizes.back());
    sizes.push_back(header.size() + length.size() + sizes.back());
  }
  std::string inner;
  for (auto it = sizes.rbegin() + 1; it != sizes.rend(); ++it) {
    inner += header;
    varint(inner, *it);
  }
  inner += innermost;
  const std::vector<std::uint8_t> data(inner.begin(), inner.end());
  EXPECT_EQ(ProtoRuntimeEntity::initWithBuffer(data), nullptr);
  // Built in memory, a nesting deeper than evaluation allows fails to convert.
  ScriptLimits limits;
  limits.evaluationDepth = 40;
  useLimits(limits);
  auto entity = ostrel::testing::numberEntity(1);
  for (int i = 0; i < 45; ++i) entity = ostrel::testing::statementEntity("34", {entity});
  record(runtime->executeStatements({entity}));
  EXPECT_EQ(error.code, kScriptErrorLimitReached);
}

TEST_F(ScriptRuntimeTest, MemoryStaysFlatOverManyRunsThatMakeClosures) {
  const auto program = ostrel::testing::parse(
      "(defun \"mk\" (quote \"x\") (var \"self\") (= \"self\" (fn \"\" (quote) (return (array $self $x))))"
      " (return $self))"
      "(var \"keep\") (= \"keep\" (mk 1)) (mk 2) (call (array 1 2 3) \"map\" (quote (fn \"\" (quote \"v\") $v)))");
  auto once = [&] {
    runtime->resetInstructionCount();
    record(runtime->executeStatements(program));
    ASSERT_FALSE(failed()) << error.code;
  };
  for (int i = 0; i < 100; ++i) once();
  const auto bytes = runtime->heap().liveBytes();
  const auto objects = runtime->heap().trackedCount();
  for (int i = 0; i < 10'000; ++i) once();
  EXPECT_LE(runtime->heap().liveBytes(), bytes + bytes / 50);
  EXPECT_EQ(runtime->heap().trackedCount(), objects);
}

}  // namespace

}  // namespace sdk::analytics

