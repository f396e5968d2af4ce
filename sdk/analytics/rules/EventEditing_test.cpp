#include <gtest/gtest.h>

#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/rules/EditingEventObject.h"
#include "sdk/analytics/rules/ScriptText.h"
#include "sdk/analytics/rules/MeasurementHostTestSupport.h"
#include "sdk/analytics/rules/PatternShapesTestSupport.h"
#include "sdk/analytics/rules/ScriptRegexCache.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"

namespace sdk::analytics {

using platform::foundation::Dictionary;
using platform::foundation::Value;

namespace {

using ostrel::testing::kRuleRegistering;

std::string editRule(const std::string& priority, const std::string& body) {
  return "(object \"type\" \"edit\" " + priority + " \"callback\" (fn \"\" (quote \"e\") " + body + "))";
}

class EventEditingTest : public ::testing::Test {
 protected:
  bool load(const std::string& extra, const std::vector<std::string>& rules, ScriptLimits limits = {}) {
    editing = std::make_unique<EventEditing>(host, limits);
    std::vector<std::pair<std::string, std::string>> activities;
    for (const auto& rule : rules) activities.emplace_back("rule", rule);
    return record(editing->loadProgram(*ostrel::testing::program(kRuleRegistering + extra, activities)));
  }
  // Whether the event was edited or made others; false, with the error kept, when handling failed.
  bool handle(const EditingEvent& event) {
    const auto handled = editing->handleEvent(event);
    error = handled.ok() ? ScriptRuntimeError{} : handled.error();
    return handled.ok() && *handled;
  }
  // Keeps the outcome's error in `error` (no domain when it succeeded).
  bool record(const ErrorOr<void>& outcome) {
    error = outcome.ok() ? ScriptRuntimeError{} : outcome.error();
    return outcome.ok();
  }
  EditingEvent sample() const { return EditingEvent("purchase", 1000.5, Dictionary{{"value", 10.0}, {"item", "hat"}}); }

  std::shared_ptr<FakeMeasurementHost> host = std::make_shared<FakeMeasurementHost>();
  std::unique_ptr<EventEditing> editing;
  // The last load's or event's error.
  ScriptRuntimeError error;
};

TEST_F(EventEditingTest, PriorityRules) {
  const char* priorities[] = {"\"priority\" 5", "\"priority\" 5", "\"priority\" 5", "\"priority\" 6", "",
                              "\"priority\" -3", "\"priority\" 3000000000", "\"priority\" 2.9",
                              "\"priority\" 2147483647", "\"priority\" 2147483647"};
  std::vector<std::string> rules;
  for (const char* p : priorities) rules.push_back(editRule(p, "(return 0)"));
  ASSERT_TRUE(load("", rules)) << error.domain << " " << error.code;
  EXPECT_EQ(editing->callbackHandler().sortedEditPriorities(),
            (std::vector<std::int64_t>{-1294967296, -3, 2, 5, 6, 7, 8, 1000, 2147483647, 2147483648}));
}

TEST_F(EventEditingTest, AThousandCallbacksAtMost) {
  const std::string loop =
      "(var \"i\") (= \"i\" 0) (loop (< $i 999) (= \"i\" (+ $i 1)) false"
      " (quote (rule (object \"type\" (? (% $i 2) \"edit\" \"create\") \"callback\" (fn \"\" (quote))))))";
  EXPECT_TRUE(load(loop, {editRule("", "(return 0)")}));
  EXPECT_EQ(editing->callbackHandler().sortedEditPriorities().size() +
                editing->callbackHandler().sortedCreatePriorities().size(),
            1000u);
  EXPECT_FALSE(load(loop, {editRule("", "(return 0)"), editRule("", "(return 0)")}));
  EXPECT_EQ(error.domain, kEditingErrorDomain);
  EXPECT_EQ(error.code, kEditingErrorTooManyCallbacks);
  EXPECT_FALSE(load("", {"(object \"callback\" (fn \"\" (quote)))"}));
  EXPECT_EQ(error.code, kEditingErrorNoType);
  EXPECT_FALSE(load("", {"(object \"type\" \"other\" \"callback\" (fn \"\" (quote)))"}));
  EXPECT_EQ(error.code, kEditingErrorUnknownType);
}

TEST_F(EventEditingTest, LoadingErrors) {
  EXPECT_FALSE(load("(return 1)", {}));
  EXPECT_EQ(error.code, kEditingErrorControlValue);
  EXPECT_FALSE(load("", {"5"}));
  EXPECT_EQ(error.code, kEditingErrorOptionsNotMap);
  editing = std::make_unique<EventEditing>(host);
  error = {};
  EXPECT_FALSE(record(editing->loadProgram(*ostrel::testing::program("", {{"missing", "(object)"}}))));
  EXPECT_EQ(error.code, kEditingErrorNotFunction);
  EXPECT_FALSE(load("(nothing-here (undefined)) (break)", {}));
  EXPECT_EQ(error.code, kEditingErrorControlValue);
}

TEST_F(EventEditingTest, EditsDiscardedOnTwoMinusOneAndNonNumbersAndRestoredOnError) {
  const struct {
    const char* result;
    bool kept;
  } cases[] = {{"0", true}, {"1", true}, {"7.5", true}, {"2", false}, {"-1", false}, {"-1.5", false},
               {"\"0\"", false}, {"(undefined)", false}, {"(object)", false}, {"4294967295", false}};
  for (const auto& c : cases) {
    ASSERT_TRUE(load("", {editRule("", std::string("(call $e \"setParamValue\" (quote \"x\" 1)) (return ") + c.result + ")")}));
    EXPECT_EQ(handle(sample()), c.kept) << c.result;
    EXPECT_EQ(editing->hasEdits(), c.kept) << c.result;
  }
  // An error restores the event and stops: the later callback never runs.
  ASSERT_TRUE(load("", {editRule("\"priority\" 1", "(call $e \"setEventName\" (quote \"renamed\")) (return 0)"),
                        editRule("\"priority\" 2", "(call $e \"setParamValue\" (quote \"y\" 1)) (call $e \"setEventName\" (quote (undefined)))"),
                        editRule("\"priority\" 3", "(call $e \"setParamValue\" (quote \"z\" 1)) (return 0)")}));
  EXPECT_FALSE(handle(sample()));
  EXPECT_EQ(error.code, kScriptErrorArgumentType);
  EXPECT_EQ(editing->eventContext().outputEvent().name, "renamed");
  EXPECT_FALSE(editing->eventContext().outputEvent().hasParameterName("y"));
  EXPECT_FALSE(editing->eventContext().outputEvent().hasParameterName("z"));
}

TEST_F(EventEditingTest, EventObjectMethods) {
  ASSERT_TRUE(load("(var \"seen\")",
                   {editRule("", "(= \"seen\" (+ (+ (call $e \"getEventName\" (quote)) (call $e \"getTimestamp\" (quote)))"
                                 " (. (call $e \"getParams\" (quote)) \"item\")))"
                                 "(call $e \"setParamValue\" (quote \"item\" (null)))"
                                 "(call $e \"setParamValue\" (quote \"list\" (array 1 \"a\")))"
                                 "(call $e \"setParamValue\" (quote \"blank\" (undefined)))"
                                 "(return (call $e \"getParamValue\" (quote \"absent\")))")}));
  EXPECT_FALSE(handle(sample()));  // the callback's result is null: its edits are discarded
  ASSERT_TRUE(load("(var \"seen\")",
                   {editRule("", "(= \"seen\" (+ (+ (call $e \"getEventName\" (quote)) (call $e \"getTimestamp\" (quote)))"
                                 " (. (call $e \"getParams\" (quote)) \"item\")))"
                                 "(call $e \"setParamValue\" (quote \"item\" (null)))"
                                 "(call $e \"setParamValue\" (quote \"list\" (array 1 \"a\")))"
                                 "(call $e \"setParamValue\" (quote \"blank\" (undefined)))"
                                 "(return 0)")}));
  EXPECT_TRUE(handle(sample()));
  const auto& out = editing->eventContext().outputEvent();
  EXPECT_FALSE(out.hasParameterName("item"));
  EXPECT_EQ(out.parameterForName("list"), Value(platform::foundation::Array{1.0, "a"}));
  EXPECT_EQ(out.parameterForName("blank"), Value(""));
  EXPECT_EQ(utf8FromUTF16(editing->runtime().globalScope().valueForName(u"seen")->stringValueOrError().valueOr(u"")),
            "purchase1000.5hat");
  ASSERT_TRUE(load("", {editRule("", "(call $e \"getEventName\" (quote 1))")}));
  EXPECT_FALSE(handle(sample()));
  EXPECT_EQ(error.code, kScriptErrorArgumentCount);
}

// A parameter whose text is a decimal too small for a double copies as zero with its sign, never as
// an infinity the event would carry on.
TEST_F(EventEditingTest, TinyDecimalParametersCopyAsSignedZero) {
  ASSERT_TRUE(load("", {editRule("", "(call $e \"setParamValue\" (quote \"copy\" (* 1 (call $e \"getParamValue\" (quote \"tiny\")))))"
                                     "(call $e \"setParamValue\" (quote \"negated\" (- 0 (call $e \"getParamValue\" (quote \"copy\")))))"
                                     "(return 0)")}));
  const std::string tiny = "0." + std::string(400, '0') + "1";
  for (const std::string sign : {"", "-"}) {
    ASSERT_TRUE(handle(EditingEvent("purchase", 1000, Dictionary{{"tiny", sign + tiny}})));
    const auto& out = editing->eventContext().outputEvent();
    const auto copy = out.parameterForName("copy").real().value_or(1);
    EXPECT_EQ(copy, 0.0) << sign;
    EXPECT_EQ(std::signbit(copy), sign == "-");
    EXPECT_EQ(out.parameterForName("negated").real().value_or(1), 0.0) << sign;
  }
}

TEST_F(EventEditingTest, EndToEndFromAnEncodedConfiguration) {
  const std::string createRule =
      "(object \"type\" \"create\" \"callback\" (fn \"\" (quote \"e\")"
      " (log \"derived\" 1.9 (object \"from\" (call $e \"getEventName\" (quote)) \"_o\" \"auto\" \"nothing\" (null)))"
      " (log \"bad name!\" NaN (object))))";
  auto program = ostrel::testing::program(
      kRuleRegistering, {{"rule", editRule("", "(call $e \"setEventName\" (quote \"checkout\"))"
                                        "(call $e \"setParamValue\" (quote \"value\" (* (call $e \"getParamValue\" (quote \"value\")) 2)))"
                                        "(call $e \"setParamValue\" (quote \"item\" (null))) (return 0)")},
                  {"rule", createRule}});
  auto config = ProtoMeasurementConfig::make();
  nanoAddMessage(*config, 8, *program);
  const auto bytes = config->protoBuffer();
  auto decoded = ProtoMeasurementConfig::initWithBuffer(bytes);
  ASSERT_TRUE(decoded);
  auto programs = nanoGetMessageArray<ProtoProgram>(*decoded, 8);
  ASSERT_EQ(programs.size(), 1u);
  editing = std::make_unique<EventEditing>(host);
  ASSERT_TRUE(record(editing->loadProgram(*programs[0]))) << error.code;

  host->settings["measurement.ees_feature_enabled"] = true;
  auto event = AnalyticsEvent::create("app", true, "purchase", 1000.5, 0,
                                Parameters{{"value", AnalyticsValue(10.0)}, {"item", AnalyticsValue("hat")}});
  ASSERT_TRUE(event);
  auto outcome = applyEventEditing(editing.get(), *event, *host);
  EXPECT_EQ(outcome.event.name(), "checkout");
  EXPECT_EQ(outcome.event.origin(), "app");
  EXPECT_EQ(outcome.event.parameters().at("value").doubleValue(), 20.0);
  EXPECT_EQ(outcome.event.parameters().count("item"), 0u);
  ASSERT_EQ(outcome.createdEvents.size(), 1u);  // the invalid name is dropped with a log line
  EXPECT_EQ(outcome.createdEvents[0].name(), "derived");
  EXPECT_EQ(outcome.createdEvents[0].origin(), "auto");
  EXPECT_EQ(outcome.createdEvents[0].timestamp(), 1.0);
  EXPECT_EQ(outcome.createdEvents[0].parameters().at("from").stringValue(), "checkout");
  // Without the feature switch nothing is edited.
  host->settings["measurement.ees_feature_enabled"] = false;
  EXPECT_EQ(applyEventEditing(editing.get(), *event, *host).event.name(), "purchase");
}

TEST_F(EventEditingTest, NamesCrossBothWays) {
  auto event = AnalyticsEvent::create("auto", false, "_vs", 5, 0, Parameters{});
  ASSERT_TRUE(event);
  EXPECT_EQ(editingEventFromEvent(*event).name, "screen_view");
  auto back = eventFromEditingEvent(EditingEvent("screen_view", 5, Dictionary{{"_o", "fa"}}));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->name(), "_vs");
  EXPECT_EQ(back->origin(), "fa");
  EXPECT_FALSE(back->isPublic());
  // A created event keeps its own name, public or not.
  auto created = createdEventFromEditingEvent(EditingEvent("screen_view", 5, Dictionary{{"_o", "fa"}}));
  ASSERT_TRUE(created);
  EXPECT_EQ(created->name(), "screen_view");
  EXPECT_EQ(created->origin(), "fa");
  // An edited event that cannot be built (an invalid name) is an editing failure: the event stays.
  EXPECT_FALSE(eventFromEditingEvent(EditingEvent("no spaces allowed", 5, {})));
  host->settings["measurement.ees_feature_enabled"] = true;
  ASSERT_TRUE(load("", {editRule("", "(call $e \"setEventName\" (quote \"bad name\")) (return 0)")}));
  auto outcome = applyEventEditing(editing.get(), *event, *host);
  EXPECT_EQ(outcome.event.name(), "_vs");
  EXPECT_TRUE(outcome.failed && !outcome.edited);
  logEditingFailure(outcome, *host);
  EXPECT_EQ(host->monitoringData(), "1:23223:1");
}

TEST_F(EventEditingTest, HostileProgramsLeaveTheEventUnedited) {
  ostrel::testing::MonitorScope scope;
  host->settings["measurement.ees_feature_enabled"] = true;
  ScriptLimits limits;
  limits.memoryBytes = 8u << 20;
  const char* bodies[] = {
      "(call $e \"setEventName\" (quote \"x\")) (loop true 0 false (quote))",
      "(call $e \"setEventName\" (quote \"x\")) (var \"a\") (= \"a\" (array)) (put $a \"length\" 1000000)"
      " (loop true 0 false (quote (= \"a\" (call $a \"concat\" (quote $a)))))",
      "(defun \"deep\" (quote) (deep)) (call $e \"setEventName\" (quote \"x\")) (deep)",
  };
  auto event = AnalyticsEvent::create("app", true, "purchase", 1, 0, Parameters{});
  ASSERT_TRUE(event);
  for (const char* body : bodies) {
    ASSERT_TRUE(load("", {editRule("", body)}, limits)) << body;
    auto outcome = applyEventEditing(editing.get(), *event, *host);
    EXPECT_EQ(outcome.event.name(), "purchase") << body;
    EXPECT_TRUE(outcome.createdEvents.empty()) << body;
    logEditingFailure(outcome, *host);
    EXPECT_EQ(host->monitoringData(), "1:23223:1") << body;
  }
  // Creating 100,000 events runs out of instructions; 60,000 stop at the cap, the rest counted and
  // logged once.
  const std::string creator = "(object \"type\" \"create\" \"callback\" (fn \"\" (quote \"e\") (var \"i\") (= \"i\" 0)"
                              " (loop (< $i COUNT) (= \"i\" (+ $i 1)) false (quote (log \"made\" 1 (object))))))";
  ASSERT_TRUE(load("", {std::string(creator).replace(creator.find("COUNT"), 5, "100000")}));
  auto outcome = applyEventEditing(editing.get(), *event, *host);
  EXPECT_EQ(outcome.createdEvents.size(), 0u);
  logEditingFailure(outcome, *host);
  EXPECT_EQ(host->monitoringData(), "1:23223:1");
  ASSERT_TRUE(load("", {std::string(creator).replace(creator.find("COUNT"), 5, "60000")}));
  host->monitoringData();
  EXPECT_TRUE(handle(sample()));
  EXPECT_EQ(editing->eventContext().eventsToLog().size(), CreatedEventLogger::kMaxCreatedEvents);
  // Told on the console; a code of the program's own stays out of the monitoring data the server gets.
  EXPECT_EQ(host->monitoringData(), "");
  EXPECT_EQ(scope.linesOf(EventEditing::kSurplusEventsCode).size(), 2u);
}

// What callbacks hand out of the interpreter (edited parameters, created events) is held until the
// next event and counted against the memory budget; shared structures cost each time they are
// written. Each attack ends the event with error 18, and the next event works.
TEST_F(EventEditingTest, WhatCallbacksHandOutFitsTheBudgets) {
  ScriptLimits limits;
  limits.memoryBytes = 2u << 20;
  const std::string big = "(var \"s\") (= \"s\" \"0123456789abcdef\")"
                          " (loop (< (. $s \"length\") 100000) (= \"s\" (+ $s $s)) false (quote))";
  const std::string bodies[] = {
      // a doubled array written out once per reference
      "(var \"x\") (= \"x\" (array 1)) (var \"i\") (= \"i\" 0)"
      " (loop (< $i 30) (= \"i\" (+ $i 1)) false (quote (= \"x\" (array $x $x))))"
      " (call $e \"setParamValue\" (quote \"x\" $x)) (return 0)",
      "(var \"x\") (= \"x\" (array 1)) (var \"i\") (= \"i\" 0)"
      " (loop (< $i 30) (= \"i\" (+ $i 1)) false (quote (= \"x\" (array $x $x))))"
      " (log \"made\" 1 (object \"x\" $x))",
      // many large parameters, and many large created events
      big + " (var \"i\") (= \"i\" 0) (loop (< $i 100) (= \"i\" (+ $i 1)) false"
            " (quote (call $e \"setParamValue\" (quote (+ \"p\" $i) $s)))) (return 0)",
      big + " (var \"i\") (= \"i\" 0) (loop (< $i 100) (= \"i\" (+ $i 1)) false"
            " (quote (log \"made\" 1 (object \"p\" $s))))",
  };
  for (const auto& body : bodies) {
    ASSERT_TRUE(load("", {editRule("", body)}, limits)) << body;
    EXPECT_FALSE(handle(sample())) << body;
    EXPECT_EQ(error.code, kScriptErrorLimitReached) << body;
    EXPECT_LE(editing->runtime().heap().liveBytes(), limits.memoryBytes) << body;
  }
  // What one event held is given back before the next: a parameter of half the budget fits every time.
  const std::string half = "(var \"s\") (= \"s\" \"0123456789abcdef\")"
                           " (loop (< (. $s \"length\") 200000) (= \"s\" (+ $s $s)) false (quote))"
                           " (call $e \"setParamValue\" (quote \"p\" $s)) (return 0)";
  ASSERT_TRUE(load("", {editRule("", half)}, limits));
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(handle(sample())) << error.code;
}

// A callback that makes closures (each keeping itself alive through its own scope) leaves nothing
// behind: memory is flat over many events.
TEST_F(EventEditingTest, MemoryStaysFlatOverManyEventsThatMakeClosures) {
  ASSERT_TRUE(load("", {editRule("", "(var \"self\") (= \"self\" (fn \"\" (quote) $self $e))"
                                     " (call (array 1 2 3) \"map\" (quote (fn \"\" (quote \"v\") $self))) (return 0)")}));
  auto once = [&] {
    (void)handle(sample());
    ASSERT_TRUE(error.domain.empty()) << error.code;
  };
  for (int i = 0; i < 100; ++i) once();
  const auto bytes = editing->runtime().heap().liveBytes();
  const auto objects = editing->runtime().heap().trackedCount();
  for (int i = 0; i < 10'000; ++i) once();
  EXPECT_LE(editing->runtime().heap().liveBytes(), bytes + bytes / 50);
  EXPECT_EQ(editing->runtime().heap().trackedCount(), objects);
}

// A rule whose callback stores where `pattern` is first found in the item: `pattern` as a program's
// text spells it.
std::string searchRule(const std::string& pattern) {
  std::string spelled;
  for (const char c : pattern) spelled += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
  return editRule("", "(call $e \"setParamValue\" (quote \"found\" (call (call $e \"getParamValue\" (quote \"item\"))"
                      " \"search\" (quote \"" + spelled + "\")))) (return 0)");
}

// Steps of native work the last event took.
std::int64_t workOf(EventEditing& editing) {
  return editing.runtime().heap().limits().nativeWork - editing.runtime().heap().workLeft();
}

// A search whose pattern names 8,000 characters late in ICU's table would take seconds to compile:
// it is refused before it is compiled, with error 18, within the event's budget, reading no more of
// the pattern than a call may spend on it; the next event finds it refused without reading it again.
TEST_F(EventEditingTest, ACostlySearchIsRefusedOnceWithinTheEventsBudget) {
  using namespace ostrel::testing;
  ASSERT_TRUE(load("", {searchRule("x|" + repeated(named(kLateName), 8000))}));
  EXPECT_FALSE(handle(sample()));
  EXPECT_EQ(error.code, kScriptErrorLimitReached);
  const std::int64_t first = workOf(*editing);
  EXPECT_LT(first, ScriptLimits{}.nativeWork / 4);
  EXPECT_FALSE(handle(sample()));
  EXPECT_EQ(error.code, kScriptErrorLimitReached);
  EXPECT_LE(workOf(*editing), first);
  EXPECT_EQ(editing->runtime().heap().regexCache().compiles(), 0);
}

// A search whose pattern takes some ten milliseconds to compile (150 names late in ICU's table) is
// compiled at the first event and kept: the events after it pay no compiling. A dozen keycap
// escapes, which ICU compiles in microseconds, are searched with as well.
TEST_F(EventEditingTest, ACompiledPatternIsKeptFromEventToEvent) {
  using namespace ostrel::testing;
  ASSERT_TRUE(load("", {searchRule("^x$|" + repeated("\\p{Emoji_Keycap_Sequence}", 12) + "|h"),
                        searchRule(repeated(named(kLateName), 150) + "|a")}));
  auto& cache = editing->runtime().heap().regexCache();
  EXPECT_TRUE(handle(sample())) << error.code;
  EXPECT_EQ(cache.compiles(), 2);
  const std::int64_t first = workOf(*editing);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(handle(sample())) << error.code;
    EXPECT_LT(workOf(*editing), first / 10);
  }
  EXPECT_EQ(cache.compiles(), 2);
  EXPECT_EQ(editing->eventContext().outputEvent().parameterForName("found"), Value(1.0));
}

// What is kept is bounded: past eight patterns the least recently used goes, its memory given back,
// and is compiled again when it comes back; memory stays flat from event to event.
TEST_F(EventEditingTest, KeptPatternsAreBoundedInNumberAndMemory) {
  std::string searches;
  for (int i = 0; i < 9; ++i) searches += " (call \"hat\" \"search\" (quote \"h" + std::to_string(i) + "\"))";
  ASSERT_TRUE(load("", {editRule("", searches + " (call \"hat\" \"search\" (quote \"h0\")) (return 0)")}));
  (void)handle(sample());
  ASSERT_TRUE(error.domain.empty()) << error.code;
  auto& heap = editing->runtime().heap();
  EXPECT_EQ(heap.regexCache().compiles(), 10);
  const std::size_t bytes = heap.liveBytes();
  for (int i = 0; i < 3; ++i) (void)handle(sample());
  EXPECT_EQ(heap.liveBytes(), bytes);
}


// A pattern that compiles to more than the cache may hold is used by the event that compiled it and
// not kept: it pushes no other out, and what it held is not charged to the events after it, which
// may hold their own eight megabytes. Each event that uses it compiles it again.
TEST_F(EventEditingTest, APatternOverTheCachesBoundIsNotKept) {
  const std::string big = ostrel::testing::repeated("[a-z]", 3700);
  const std::string eightMegabytes = "(var \"s\") (= \"s\" \"0123456789abcdef\")"
                                     " (loop (< (. $s \"length\") 2000000) (= \"s\" (+ $s $s)) false (quote))"
                                     " (call $e \"setParamValue\" (quote \"long\" (. (+ $s $s) \"length\")))";
  ASSERT_TRUE(load("", {editRule("", "(if (== (call $e \"getParamValue\" (quote \"item\")) \"big\")"
                                     " (quote (call $e \"setParamValue\" (quote \"found\" (call \"q\" \"search\" (quote \"" + big + "\")))))"
                                     " (quote " + eightMegabytes + ")) (return 0)"),
                        searchRule("h.t")}));
  auto& cache = editing->runtime().heap().regexCache();
  const EditingEvent bigOne("purchase", 1000.5, Dictionary{{"item", "big"}});
  EXPECT_TRUE(handle(bigOne)) << error.code;
  EXPECT_EQ(cache.compiles(), 2);
  EXPECT_LT(cache.keptBytes(), ScriptRegexCache::kKeptBytes / 2);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(handle(sample())) << error.code;
    EXPECT_EQ(editing->eventContext().outputEvent().parameterForName("long"), Value(4194304.0));
  }
  EXPECT_EQ(cache.compiles(), 2) << "the kept pattern stayed";
  EXPECT_TRUE(handle(bigOne)) << error.code;
  EXPECT_EQ(cache.compiles(), 3) << "the big one was not kept";
}

}  // namespace

}  // namespace sdk::analytics

