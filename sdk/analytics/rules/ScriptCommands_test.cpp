#include "sdk/analytics/rules/ScriptTestSupport.h"

namespace sdk::analytics {

namespace {

class ControlCommands : public ScriptTest {
 protected:
  // The bodies a switch on `discriminant` over `cases` runs, each body written as the one letter it
  // adds to a log.
  std::string bodiesRun(const std::string& discriminant, const std::string& cases, const std::string& letters) {
    std::string bodies;
    for (char letter : letters) bodies += std::string(" (= \"log\" (+ $log \"") + letter + "\"))";
    return text("(var \"log\") (= \"log\" \"\") (switch " + discriminant + " (quote " + cases + ") (quote" + bodies +
                ")) $log");
  }
};

TEST_F(ControlCommands, SwitchFallsThroughToTheDefault) {
  EXPECT_EQ(bodiesRun("2", "1 2 3", "abcD"), "bcD");
  EXPECT_EQ(bodiesRun("9", "1 2 3", "abcD"), "D");
  EXPECT_EQ(bodiesRun("\"1\"", "1 2 3", "abcD"), "D");  // strict comparison
  // break ends it; return passes through.
  EXPECT_EQ(typed("(switch 1 (quote 1 2) (quote (break) 5 6))"), "undefined undefined");
  EXPECT_EQ(typed("(defun \"r\" (quote) (switch 1 (quote 1) (quote (return 7))) 8) (r)"), "number 7");
  EXPECT_EQ(typed("(switch 1 (quote) (quote 5))"), "undefined undefined");
  // A body list shorter than the case list would be read out of range: error 9.
  EXPECT_EQ(errorOf("(switch 3 (quote 1 2 3) (quote 1))"), kScriptErrorArgumentCount);
  EXPECT_EQ(errorOf("(switch 3 5 (quote 1))"), kScriptErrorArgumentCount);
}

// Bodies beyond the one default do not make the statement wrong: the matched bodies still run and
// fall through, and with no single default after the cases nothing more runs.
TEST_F(ControlCommands, SwitchWithMoreThanOneExtraBodyRunsNoDefault) {
  EXPECT_EQ(bodiesRun("1", "1 2", "abXY"), "ab");
  EXPECT_EQ(bodiesRun("2", "1 2", "abXY"), "b");
  EXPECT_EQ(bodiesRun("9", "1 2", "abXY"), "");
  EXPECT_EQ(bodiesRun("9", "", "XY"), "");
  EXPECT_EQ(typed("(switch 1 (quote 1) (quote 5 6 7))"), "undefined undefined");
  EXPECT_EQ(typed("(defun \"r\" (quote) (switch 1 (quote 1) (quote (return 7) 8 9)) 8) (r)"), "number 7");
}

TEST_F(ControlCommands, IfRunsArrayBranchesInTheCurrentScope) {
  EXPECT_EQ(typed("(if true 5)"), "number 5");
  EXPECT_EQ(typed("(if false 5)"), "undefined undefined");
  EXPECT_EQ(typed("(if 0 1 (quote (var \"declared\") 9))"), "number 9");
  EXPECT_EQ(text("(typeof $declared)"), "undefined");
  EXPECT_EQ(text("(seq (= \"declared\" 3) $declared)"), "3");  // bound by the branch, in this scope
  EXPECT_EQ(errorOf("(if)"), kScriptErrorArgumentCount);
  EXPECT_EQ(errorOf("(if 1 2 3 4)"), kScriptErrorArgumentCount);
  EXPECT_EQ(text("(? (> 2 1) \"yes\" (nothing))"), "yes");
}

TEST_F(ControlCommands, BlocksSequencesReturnsAndFunctions) {
  EXPECT_EQ(text("(var \"x\") (= \"x\" 1) (block (var \"x\") (= \"x\" 2)) $x"), "1");
  EXPECT_EQ(text("(seq 1 2 3)"), "3");
  EXPECT_EQ(errorOf("(seq 1 (break))"), kScriptErrorArgumentType);
  EXPECT_EQ(errorOf("(seq)"), kScriptErrorArgumentCount);
  EXPECT_EQ(typed("(return)"), "control ");
  EXPECT_EQ(errorOf("(return 1 2)"), kScriptErrorArgumentCount);
  EXPECT_EQ(errorOf("(break 1)"), kScriptErrorArgumentCount);
  EXPECT_EQ(text("(run (quote 1 2 (+ 1 2)))"), "3");
  EXPECT_EQ(errorOf("(run 4)"), kScriptErrorArgumentType);
  // "51": the name is not evaluated; "50" binds it.
  EXPECT_EQ(errorOf("(fn (nothing) (quote))"), kScriptErrorNoStringForm);  // the statement itself, unevaluated
  EXPECT_EQ(typed("(fn \"n\" (quote))"), "function n");
  EXPECT_EQ(text("(typeof $n)"), "undefined");
  EXPECT_EQ(text("(defun \"d\" (quote \"a\") (return $a)) (d 4)"), "4");
  EXPECT_EQ(errorOf("(fn \"n\" 5)"), kScriptErrorArgumentType);
  EXPECT_EQ(errorOf("(fn \"n\")"), kScriptErrorArgumentCount);
  EXPECT_EQ(errorOf("(call \"s\" 1 (quote))"), kScriptErrorArgumentType);
  EXPECT_EQ(errorOf("(call \"s\" \"charAt\" 1)"), kScriptErrorArgumentType);
}

class VariableCommands : public ScriptTest {};

TEST_F(VariableCommands, DeclarationsAssignmentsAndConstants) {
  EXPECT_EQ(typed("$unbound"), "undefined undefined");
  EXPECT_EQ(errorOf("(= \"unbound\" 1)"), kScriptErrorUnboundAssignment);
  EXPECT_EQ(typed("(const \"k\" 1) (= \"k\" 2)"), "number 2");
  EXPECT_EQ(text("$k"), "1");
  EXPECT_EQ(text("(var \"k\") $k"), "1");
  EXPECT_EQ(text("(var \"v\") (= \"v\" 5) (var \"v\") (typeof $v)"), "undefined");
  EXPECT_EQ(errorOf("(const \"a\" 1 \"b\")"), kScriptErrorArgumentCount);
  EXPECT_EQ(errorOf("(var \"ok\" 5)"), kScriptErrorArgumentType);
  EXPECT_EQ(text("(typeof $ok)"), "undefined");
  EXPECT_TRUE(runtime->globalScope().hasName(u"ok"));  // names before the bad one are declared
  // An inner declaration hides the outer binding.
  EXPECT_EQ(text("(var \"o\") (= \"o\" 1) (block (var \"o\") (= \"o\" 2)) $o"), "1");
}

TEST_F(VariableCommands, PropertiesTypesAndLiterals) {
  EXPECT_EQ(text("(. \"abc\" 1)"), "b");
  EXPECT_EQ(text("(. \"abc\" \"1\")"), "b");
  EXPECT_EQ(typed("(. \"abc\" 3)"), "undefined undefined");
  EXPECT_EQ(text("(. \"abc\" \"length\")"), "3");
  EXPECT_EQ(typed("(. \"abc\" 1.5)"), "undefined undefined");
  EXPECT_EQ(typed("(. (undefined) \"x\")"), "undefined undefined");
  EXPECT_EQ(errorOf("(put (undefined) \"x\" 1)"), kScriptErrorPropertyOfNothing);
  EXPECT_EQ(text("(put 5 \"x\" 1)"), "1");
  EXPECT_EQ(text("(var \"m\") (= \"m\" (object \"a\" 1 \"a\" 2)) (. $m \"a\")"), "2");
  EXPECT_EQ(errorOf("(object \"a\")"), kScriptErrorArgumentCount);
  EXPECT_EQ(text("(put $m 1 \"one\") (. $m \"1\")"), "one");
  const struct {
    const char* program;
    const char* type;
  } types[] = {{"(null)", "object"}, {"(array)", "object"}, {"(object)", "object"}, {"(require \"require\")", "undefined"},
               {"$require", "function"}, {"1", "number"}, {"\"s\"", "string"}, {"true", "boolean"},
               {"(fn \"\" (quote))", "function"}};
  for (const auto& t : types) EXPECT_EQ(text(std::string("(typeof ") + t.program + ")"), t.type) << t.program;
  EXPECT_EQ(typed("(null 1 2)"), "null null");
  EXPECT_EQ(typed("(undefined 1)"), "undefined undefined");
}

class ScriptOperators : public ScriptTest {};

TEST_F(ScriptOperators, Arithmetic) {
  const struct {
    const char* program;
    const char* result;
  } cases[] = {
      {"(+ 1 2)", "number 3"}, {"(+ \"a\" 1)", "string a1"}, {"(+ 1 (array 2 3))", "string 12,3"},
      {"(+ true true)", "number 2"}, {"(+ (null) 1)", "number 1"}, {"(% -5 3)", "number -2"},
      {"(/ 1 0)", "number Infinity"}, {"(/ -1 0)", "number -Infinity"}, {"(/ 0 0)", "number NaN"},
      {"(% 5 0)", "number NaN"}, {"(neg 3)", "number -3"}, {"(* \"3\" \"4\")", "number 12"},
      {"(- \"x\" 1)", "number NaN"}, {"(32 \"a\" \"b\")", "string a"}, {"(34 (array 1))", "array 1"},
      {"(neg 1 2)", "error 9"}, {"(+ 1 2 3)", "error 9"},
      // Remainders keep the dividend's sign (a zero one too), whole or not, small or past 2^53.
      {"(% 7 -3)", "number 1"}, {"(/ 1 (% -4 2))", "number -Infinity"}, {"(/ 1 (% 4 -2))", "number Infinity"},
      {"(% 5.5 2)", "number 1.5"}, {"(% -5.5 2)", "number -1.5"}, {"(% 1e17 7)", "number 5"},
      {"(% 9007199254740991 10)", "number 1"}, {"(% (/ 1 0) 2)", "number NaN"}, {"(% 3 (/ 1 0))", "number 3"},
  };
  for (const auto& c : cases) EXPECT_EQ(typed(c.program), c.result) << c.program;
  // The same through names, as the evaluator computes them without a handler.
  EXPECT_EQ(text("(var \"a\") (= \"a\" -9) (var \"b\") (= \"b\" 4) (+ (+ (% $a $b) \"/\") (/ 1 (% -8 $b)))"),
            "-1/-Infinity");
  // All operands are evaluated before the count is checked.
  EXPECT_EQ(errorOf("(var \"hit\") (+ 1 2 (= \"hit\" 1))"), kScriptErrorArgumentCount);
  EXPECT_EQ(text("$hit"), "1");
  EXPECT_EQ(errorOf("(var \"miss\") (== 1 2 (= \"miss\" 1))"), kScriptErrorArgumentCount);
  EXPECT_EQ(text("(typeof $miss)"), "undefined");
}

// A chain of "+" grows the string its first step made in place; a string anything else still holds
// (a variable, a literal, an array, a function's keeping) never changes under its holder.
TEST_F(ScriptOperators, StringsGrowInPlaceOnlyWhereNothingElseHoldsThem) {
  const std::string base(100, 'b');
  run("(var \"s\") (= \"s\" \"" + base + "\") (var \"t\") (= \"t\" $s)"
      "(= \"s\" (+ (+ (+ $s \"item\") 7) \",\"))");
  ASSERT_FALSE(failed());
  EXPECT_EQ(text("$s"), base + "item7,");
  EXPECT_EQ(text("$t"), base);
  // The same literal starts the chain on every pass of a loop.
  EXPECT_EQ(text("(var \"x\") (var \"i\") (= \"i\" 0)"
                 "(loop (< $i 3) (= \"i\" (+ $i 1)) false (quote (= \"x\" (+ (+ \"" + base + "\" \"a\") $i)))) $x"),
            base + "a2");
  // What a function keeps, and what an array holds, stay as they were made.
  EXPECT_EQ(text("(var \"kept\") (defun \"keep\" (quote \"v\") (= \"kept\" $v) (return $v))"
                 "(+ (+ (keep (+ $t \"k\")) \"1\") \"2\")"),
            base + "k12");
  EXPECT_EQ(text("$kept"), base + "k");
  EXPECT_EQ(text("(var \"a\") (= \"a\" (array (+ $t \"e\"))) (+ (+ (. $a 0) \"f\") \"g\")"), base + "efg");
  EXPECT_EQ(text("(. $a 0)"), base + "e");
  // What a function returns of its own is the caller's to grow; a global it returns is not.
  EXPECT_EQ(text("(defun \"fresh\" (quote) (return (+ $t \"r\"))) (+ (+ (fresh) \"1\") (fresh))"),
            base + "r1" + base + "r");
  EXPECT_EQ(text("(defun \"global\" (quote) (return $t)) (+ (+ (global) \"1\") \"2\")"), base + "12");
  EXPECT_EQ(text("$t"), base);
  // "concat" makes a new string too.
  EXPECT_EQ(text("(+ (call $t \"concat\" (quote 1 \"c\")) \"d\")"), base + "1cd");
  EXPECT_EQ(text("$t"), base);
}

// A string on the right of "+" is read where it lies: putting a piece before a long text copies the
// text once a step, and is charged for that one copy (a thousand pieces of a hundred units: some 12.5
// million steps of work, where a copy made first doubled it).
TEST_F(ScriptOperators, PrependingCopiesTheTextOnce) {
  ScriptLimits limits;
  limits.instructions = 1'000'000'000;
  limits.nativeWork = 16'000'000;
  useLimits(limits);
  EXPECT_EQ(text("(var \"c\") (= \"c\" \"" + std::string(100, 'c') + "\") (var \"s\") (= \"s\" \"!\") (var \"i\")"
                 "(= \"i\" 0) (loop (< $i 1000) (= \"i\" (+ $i 1)) false (quote (= \"s\" (+ $c $s))))"
                 "(+ (. $s \"length\") (call $s \"slice\" (quote -3)))"),
            "100001cc!");
}

// Putting a piece before a long text by "concat", or two pieces by a "+" around another, copies the
// text once a step too, and is charged for that one copy: each would fail where it copied the text
// twice. The sum inside is counted as it always was.
TEST_F(ScriptOperators, PrependingByConcatOrTwoPlusesCopiesTheTextOnce) {
  ScriptLimits limits;
  limits.instructions = 1'000'000'000;
  limits.nativeWork = 16'000'000;
  auto piecesBefore = [&](const std::string& step) {
    useLimits(limits);
    return text("(var \"c\") (= \"c\" \"" + std::string(100, 'c') + "\") (var \"s\") (= \"s\" \"!\") (var \"i\")"
                "(= \"i\" 0) (loop (< $i 1000) (= \"i\" (+ $i 1)) false (quote (= \"s\" " + step + ")))"
                "(+ (. $s \"length\") (call $s \"slice\" (quote -3)))");
  };
  EXPECT_EQ(piecesBefore("(call $c \"concat\" (quote $s))"), "100001cc!");
  EXPECT_EQ(piecesBefore("(+ \"ab\" (+ $c $s))"), "102001cc!");
  // A sum of numbers stays a number before it is put after the text.
  EXPECT_EQ(text("(var \"n\") (= \"n\" 2) (+ \"ab\" (+ $n $n))"), "ab4");
  EXPECT_EQ(text("(+ \"ab\" (+ \"x\" $n))"), "abx2");
  runtime->resetInstructionCount();
  EXPECT_EQ(text("(+ \"ab\" (+ $c $s))").size(), 2u + 100 + 102001);
  const auto joined = runtime->getInstructionCount();
  runtime->resetInstructionCount();
  EXPECT_EQ(number("(+ 1 (+ $i $i))"), 2001);
  EXPECT_EQ(runtime->getInstructionCount(), joined);
}

// Room to grow is charged before it is allocated and given back with the string; the length limit
// and the budget stop a growing chain, and what they stop is left as it was.
TEST_F(ScriptOperators, StringGrowthIsChargedAndBounded) {
  run("(var \"s\") (= \"s\" \"" + std::string(1000, 's') + "\") (var \"r\")");
  const auto before = runtime->heap().liveBytes();
  const struct {
    const char* chain;
    std::size_t length;
  } chains[] = {{"(+ (+ (+ $s \"a\") \"b\") \"c\")", 1003}, {"(+ (+ $s \"a\") $s)", 2001}};
  for (const auto& chain : chains) {
    run(std::string("(= \"r\" ") + chain.chain + ")");
    ASSERT_FALSE(failed());
    const auto grown = runtime->heap().liveBytes() - before;
    EXPECT_GE(grown, chain.length * sizeof(char16_t)) << chain.chain;
    EXPECT_LE(grown, 2 * chain.length * sizeof(char16_t)) << chain.chain;
    run("(= \"r\" 0)");
    EXPECT_EQ(runtime->heap().liveBytes(), before) << chain.chain;
  }

  ScriptLimits limits;
  limits.instructions = 1'000'000'000;
  limits.nativeWork = 1'000'000'000;
  limits.memoryBytes = 1u << 20;
  const std::string runaway = "(var \"s\") (= \"s\" \"0123456789\")"
                              "(loop true 0 false (quote (= \"s\" (+ (+ (+ $s \"-\") $s) \"+\"))))";
  useLimits(limits);
  EXPECT_EQ(errorOf(runaway), kScriptErrorLimitReached);
  EXPECT_LE(runtime->heap().peakBytes(), limits.memoryBytes);
  const auto length = number("(. $s \"length\")");
  EXPECT_GT(length, 60'000);
  EXPECT_EQ(text("(. $s (- (. $s \"length\") 1))"), "+");
  runtime->resetInstructionCount();
  EXPECT_EQ(text("(+ 40 2)"), "42");

  limits.memoryBytes = 64u << 20;
  limits.stringLength = 1000;
  useLimits(limits);
  EXPECT_EQ(errorOf(runaway), kScriptErrorLimitReached);
  EXPECT_EQ(number("(. $s \"length\")"), 766);
  EXPECT_EQ(errorOf("(+ (+ (+ \"" + std::string(600, 'x') + "\" \"y\") $s) \"z\")"), kScriptErrorLimitReached);
}

TEST_F(ScriptOperators, LogicalShortCircuit) {
  EXPECT_EQ(typed("(&& 0 (nothing-called))"), "number 0");
  EXPECT_EQ(typed("(&& 1 \"b\")"), "string b");
  EXPECT_EQ(typed("(|| \"x\" (= \"never\" 1))"), "string x");
  EXPECT_EQ(typed("(|| \"\" 7)"), "number 7");
  EXPECT_EQ(typed("(! 0)"), "boolean true");
  EXPECT_EQ(errorOf("(&& 1)"), kScriptErrorArgumentCount);
}

TEST_F(ScriptOperators, EqualityAndComparison) {
  const struct {
    const char* program;
    const char* result;
  } cases[] = {
      {"(== (undefined) (null))", "true"}, {"(== (undefined) 0)", "false"}, {"(== \"1\" 1)", "true"},
      {"(== 1 true)", "true"}, {"(=== 1 true)", "false"}, {"(== (array) (array))", "false"},
      {"(== NaN NaN)", "false"}, {"(!= NaN NaN)", "true"}, {"(== \"1,2\" (array 1 2))", "true"},
      {"(== (object) \"[object Object]\")", "true"}, {"(=== \"a\" \"a\")", "true"}, {"(!== 1 \"1\")", "true"},
      {"(=== (null) (null))", "true"}, {"(< NaN 1)", "false"}, {"(<= NaN 1)", "false"}, {"(> NaN 1)", "false"},
      {"(>= 1 NaN)", "false"}, {"(< 1 2)", "true"}, {"(>= 2 2)", "true"}, {"(< \"10\" \"9\")", "true"},
      {"(< \"10\" 9)", "false"}, {"(< \"a\" (array \"b\"))", "true"}, {"(< \"B\" \"a\")", "true"},
      // Canonically equivalent texts compare equal: precomposed e-acute and e with a combining accent.
      {"(<= \"\xC3\xA9\" \"e\xCC\x81\")", "true"}, {"(>= \"\xC3\xA9\" \"e\xCC\x81\")", "true"},
      {"(< \"\xC3\xA9\" \"f\")", "true"}, {"(< \"\xC3\xA9\" \"e\")", "false"},
  };
  for (const auto& c : cases) EXPECT_EQ(text(c.program), c.result) << c.program;
  run("(var \"a\") (= \"a\" (array))");
  EXPECT_EQ(text("(== $a $a)"), "true");
  EXPECT_EQ(text("(=== $a $a)"), "true");
  EXPECT_EQ(errorOf("(< (quote) (object))"), 0);
}

TEST_F(ScriptOperators, BitOperations) {
  const struct {
    const char* program;
    const char* result;
  } cases[] = {
      {"(>>> -1 0)", "4294967295"}, {"(>> -8 1)", "-4"}, {"(<< 1 32)", "1"}, {"(& 3000000000 -1)", "-1294967296"},
      {"(>>> 3000000000 0)", "3000000000"}, {"(~ 0)", "-1"}, {"(| 1 2)", "3"}, {"(^ 5 1)", "4"},
      {"(<< 1 31)", "-2147483648"}, {"(& NaN 1)", "0"}, {"(| Infinity 0)", "0"}, {"(<< 1 -1)", "-2147483648"},
  };
  for (const auto& c : cases) EXPECT_EQ(text(c.program), c.result) << c.program;
  EXPECT_EQ(errorOf("(~ 1 2)"), kScriptErrorArgumentCount);
}

class ScriptLoops : public ScriptTest {};

TEST_F(ScriptLoops, ForInAndForOfSnapshotsAndHoles) {
  run("(var \"out\") (defun \"note\" (quote \"v\") (= \"out\" (+ $out (+ \"|\" $v))))");
  EXPECT_EQ(text("(= \"out\" \"\") (for-of-let \"c\" \"ab\" (quote (note $c))) $out"), "|a|b");
  EXPECT_EQ(text("(= \"out\" \"\") (for-in-let \"c\" \"ab\" (quote (note $c))) $out"), "|0|1");
  run("(var \"h\") (= \"h\" (array 1)) (put $h 2 3) (put $h \"name\" 9)");
  EXPECT_EQ(text("(= \"out\" \"\") (for-of-let \"c\" $h (quote (note $c))) $out"), "|1|undefined|3");
  EXPECT_EQ(text("(= \"out\" \"\") (for-in-let \"c\" $h (quote (note $c))) $out"), "|name|0|2");
  // The items are taken once: pushing inside the body does not extend the walk.
  EXPECT_EQ(text("(= \"out\" \"\") (for-of-let \"c\" $h (quote (call $h \"push\" (quote 0)) (note $c))) $out"),
            "|1|undefined|3");
  const char* nothings[] = {"1", "true", "(null)", "(undefined)"};
  for (const char* n : nothings) {
    EXPECT_EQ(typed(std::string("(for-in-let \"c\" ") + n + " (quote (nothing)))"), "undefined undefined") << n;
    EXPECT_EQ(errorOf(std::string("(for-of-let \"c\" ") + n + " (quote))"), kScriptErrorNotIterable) << n;
  }
  EXPECT_EQ(errorOf("(for-in-let \"c\" (object) 5)"), kScriptErrorArgumentType);
  EXPECT_EQ(text("(= \"out\" \"\") (for-in-let \"k\" (object \"x\" 1 \"y\" 2) (quote (note $k))) $out"), "|x|y");
}

TEST_F(ScriptLoops, BindersBreakContinueAndReturn) {
  EXPECT_EQ(text("(for-of \"assigned\" (array 1 2) (quote)) $assigned"), "2");
  EXPECT_EQ(text("(for-of-let \"scoped\" (array 1 2) (quote)) (typeof $scoped)"), "undefined");
  EXPECT_EQ(text("(var \"seen\") (for-of-const \"c\" (array 1) (quote (= \"c\" 5) (= \"seen\" $c))) $seen"), "1");
  run("(var \"sum\") (= \"sum\" 0)");
  EXPECT_EQ(text("(for-of-let \"v\" (array 1 2 3 4) (quote (if (== $v 3) (quote (break))) (= \"sum\" (+ $sum $v)))) $sum"),
            "3");
  EXPECT_EQ(text("(= \"sum\" 0) (for-of-let \"v\" (array 1 2 3) (quote (if (== $v 2) (quote (continue))) "
                 "(= \"sum\" (+ $sum $v)))) $sum"),
            "4");
  EXPECT_EQ(text("(defun \"first\" (quote \"a\") (for-of-let \"v\" $a (quote (if (> $v 1) (quote (return $v))))) "
                 "(return -1)) (first (array 1 5 7))"),
            "5");
}

TEST_F(ScriptLoops, ForWithCopiesGivesEachIterationItsOwnVariables) {
  run("(var \"fs\") (= \"fs\" (array)) (var \"i\") (= \"i\" 0)"
      "(for (quote \"i\") (< $i 3) (= \"i\" (+ $i 1)) (quote (call $fs \"push\" (quote (fn \"\" (quote) (return $i))))))");
  ASSERT_FALSE(failed()) << error.code;
  EXPECT_EQ(text("(const \"f0\" (. $fs 0) \"f1\" (. $fs 1) \"f2\" (. $fs 2)) (call (array (f0) (f1) (f2)) \"join\" (quote))"),
            "0,1,2");
  EXPECT_EQ(text("$i"), "0");  // the loop worked on copies
  EXPECT_EQ(errorOf("(for 1 true 0 (quote))"), kScriptErrorArgumentType);
}

TEST_F(ScriptLoops, ForWithCopiesReadsItsNameListAtEveryIteration) {
  // The body names j in its own list: from the second iteration on j is copied too, so only the
  // first iteration's step reaches the outer j.
  run("(var \"names\") (= \"names\" (array \"i\")) (var \"i\") (= \"i\" 0) (var \"j\") (= \"j\" 0)");
  EXPECT_EQ(text("(for $names (< $i 3) (= \"i\" (+ $i 1)) (quote (call $names \"push\" (quote \"j\")) (= \"j\" (+ $j 1))))"
                 "(call (array $i $j) \"join\" (quote))"),
            "0,1");
  // A name whose text changes inside the loop is read anew: the copy follows the list's text.
  run("(var \"k\") (= \"k\" 0) (var \"inner\") (= \"inner\" (array \"x\")) (= \"names\" (array \"i\" $inner)) (= \"i\" 0)");
  EXPECT_EQ(text("(for $names (< $i 3) (= \"i\" (+ $i 1)) (quote (put $inner 0 \"k\") (= \"k\" (+ $k 1))))"
                 "$k"),
            "1");
}

TEST_F(ScriptLoops, GeneralLoopRunsDoWhileOnce) {
  run("(var \"n\") (= \"n\" 0)");
  EXPECT_EQ(text("(loop false 0 true (quote (= \"n\" (+ $n 1)))) $n"), "1");
  EXPECT_EQ(text("(loop false 0 false (quote (= \"n\" (+ $n 1)))) $n"), "1");
  EXPECT_EQ(text("(= \"n\" 0) (loop (< $n 5) (= \"n\" (+ $n 1)) false (quote)) $n"), "5");
  EXPECT_EQ(errorOf("(loop true 0 false 5)"), kScriptErrorArgumentType);
  EXPECT_EQ(errorOf("(loop true 0 false)"), kScriptErrorArgumentCount);
}

}  // namespace

}  // namespace sdk::analytics

