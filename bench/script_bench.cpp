// The script interpreter beside Lua 5.4 doing the same work: counting to N, building a string one
// character at a time, building a line of items by "+" and by "concat", building a text of pieces
// by adding each after it and each before it (by "+", by "concat", and two before it by a "+" around
// another), pushing onto an array,
// calling a small function in a loop, mapping and filtering an array of numbers, and editing an
// event the way a typical event-editing rule does. Ratios are interpreter time over Lua time; the
// InTurns benchmarks time each pair in alternating turns and report the median ratio.
#include <benchmark/benchmark.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include <string>

#include "bench/InTurns.h"
#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/rules/ScriptRuntime.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"

namespace {

using platform::foundation::Array;
using platform::foundation::Dictionary;
using platform::foundation::Value;

constexpr int kCount = 100'000;
constexpr int kCharacters = 10'000;
constexpr int kPushes = 100'000;
constexpr int kCalls = 100'000;
constexpr int kMapped = 10'000;
constexpr int kItems = 5'000;
constexpr int kPieces = 5'000;
constexpr int kPieceBytes = 100;

sdk::analytics::ScriptLimits generous() {
  sdk::analytics::ScriptLimits limits;
  limits.instructions = 1'000'000'000;
  limits.nativeWork = 1'000'000'000;
  // A run takes longer than an event may on a busy machine: what is measured here is speed.
  limits.cpuNanoseconds = limits.cpuNanoseconds * 100;
  return limits;
}

// A program loaded once and run as often as asked; `setup` runs once, before the runs of `source`.
class ScriptRun {
 public:
  explicit ScriptRun(const std::string& source, const std::string& setup = "")
      : runtime_(generous()), program_(ostrel::testing::parse(source)) {
    if (!setup.empty()) ready_ = runtime_.executeStatements(ostrel::testing::parse(setup)).ok();
  }
  bool operator()() {
    runtime_.resetInstructionCount();
    auto result = runtime_.executeStatements(program_);
    benchmark::DoNotOptimize(result);
    return ready_ && result.ok();
  }

 private:
  sdk::analytics::ScriptRuntime runtime_;
  ostrel::testing::Entities program_;
  bool ready_ = true;
};

class LuaRun {
 public:
  explicit LuaRun(const std::string& source, const std::string& setup = "") : lua_(luaL_newstate()) {
    luaL_openlibs(lua_);
    if (!setup.empty()) ready_ = luaL_dostring(lua_, setup.c_str()) == LUA_OK;
    if (luaL_loadstring(lua_, source.c_str()) != LUA_OK) ready_ = false;
    chunk_ = luaL_ref(lua_, LUA_REGISTRYINDEX);
  }
  LuaRun(const LuaRun&) = delete;
  LuaRun& operator=(const LuaRun&) = delete;
  ~LuaRun() { lua_close(lua_); }
  bool operator()() {
    lua_rawgeti(lua_, LUA_REGISTRYINDEX, chunk_);
    const bool ran = lua_pcall(lua_, 0, 1, 0) == LUA_OK;
    lua_pop(lua_, 1);
    return ready_ && ran;
  }

 private:
  lua_State* lua_;
  int chunk_ = 0;
  bool ready_ = true;
};

template <typename Run>
void runEach(benchmark::State& state, Run& run) {
  for (auto _ : state) {
    if (!run()) state.SkipWithError("run failed");
  }
}

void runScript(benchmark::State& state, const std::string& source, const std::string& setup = "") {
  ScriptRun run(source, setup);
  runEach(state, run);
}

void runLua(benchmark::State& state, const std::string& source, const std::string& setup = "") {
  LuaRun run(source, setup);
  runEach(state, run);
}

// The two sides in alternating turns of `repeats` runs each: "script/lua" is the median of the turns'
// CPU-time ratios.
template <typename Script, typename Lua>
void runInTurns(benchmark::State& state, Script&& script, Lua&& lua, int repeats = 1) {
  bool failed = false;
  std::vector<double> ratios;
  auto times = [&](auto& run) {
    return [&] {
      for (int i = 0; i < repeats; ++i) failed |= !run();
    };
  };
  for (auto _ : state) {
    auto more = ostrel::bench::ratiosInTurns(10, ostrel::bench::threadCpuSeconds, times(script), times(lua));
    ratios.insert(ratios.end(), more.begin(), more.end());
  }
  if (failed) state.SkipWithError("run failed");
  state.counters["script/lua"] = ostrel::bench::median(ratios);
}

void runSourcesInTurns(benchmark::State& state, const std::string& script, const std::string& lua,
                       const std::string& scriptSetup = "", const std::string& luaSetup = "") {
  ScriptRun scriptRun(script, scriptSetup);
  LuaRun luaRun(lua, luaSetup);
  runInTurns(state, scriptRun, luaRun);
}

std::string n(int value) { return std::to_string(value); }

const std::string kScriptCount =
    "(var \"i\") (= \"i\" 0) (loop (< $i " + n(kCount) + ") (= \"i\" (+ $i 1)) false (quote)) $i";
const std::string kLuaCount = "local i = 0 while i < " + n(kCount) + " do i = i + 1 end return i";

const std::string kScriptString = "(var \"s\") (= \"s\" \"\") (var \"i\") (= \"i\" 0) (loop (< $i " + n(kCharacters) +
                                  ") (= \"i\" (+ $i 1)) false (quote (= \"s\" (+ $s \"x\")))) (. $s \"length\")";
const std::string kLuaString =
    "local s = '' local i = 0 while i < " + n(kCharacters) + " do s = s .. 'x' i = i + 1 end return #s";

const std::string kScriptPush = "(var \"a\") (= \"a\" (array)) (var \"i\") (= \"i\" 0) (loop (< $i " + n(kPushes) +
                                ") (= \"i\" (+ $i 1)) false (quote (call $a \"push\" (quote $i)))) (. $a \"length\")";
const std::string kLuaPush =
    "local a = {} local i = 0 while i < " + n(kPushes) + " do a[#a + 1] = i i = i + 1 end return #a";

const std::string kScriptCalls = "(defun \"add\" (quote \"x\" \"y\") (return (+ $x $y))) (var \"s\") (= \"s\" 0)"
                                 "(var \"i\") (= \"i\" 0) (loop (< $i " + n(kCalls) +
                                 ") (= \"i\" (+ $i 1)) false (quote (= \"s\" (add $s $i)))) $s";
const std::string kLuaCalls = "local function add(x, y) return x + y end local s = 0 local i = 0 while i < " +
                              n(kCalls) + " do s = add(s, i) i = i + 1 end return s";

// A line of items ("item0,item1,...") built by three "+" a step, and by one "concat" of the three
// pieces; Lua builds it by one ".." chain a step (one copy of the line), and by three separate ".."
// (three copies, as the three "+" would make if each copied).
const std::string kScriptLine = "(var \"s\") (= \"s\" \"\") (var \"i\") (= \"i\" 0) (loop (< $i " + n(kItems) +
                                ") (= \"i\" (+ $i 1)) false (quote (= \"s\" (+ (+ (+ $s \"item\") $i) \",\")))) (. $s \"length\")";
const std::string kScriptLineConcat =
    "(var \"s\") (= \"s\" \"\") (var \"i\") (= \"i\" 0) (loop (< $i " + n(kItems) +
    ") (= \"i\" (+ $i 1)) false (quote (= \"s\" (call $s \"concat\" (quote \"item\" $i \",\"))))) (. $s \"length\")";
const std::string kLuaLine =
    "local s = '' local i = 0 while i < " + n(kItems) + " do s = s .. 'item' .. i .. ',' i = i + 1 end return #s";
const std::string kLuaLineThreeCopies =
    "local s = '' local i = 0 while i < " + n(kItems) + " do s = ((s .. 'item') .. i) .. ',' i = i + 1 end return #s";

// A text of pieces of a hundred bytes, each added after the text (s + c) or before it (c + s): either
// way every step copies the text so far, in the interpreter as in Lua.
std::string piecesScript(const std::string& step) {
  return "(var \"c\") (= \"c\" \"" + std::string(kPieceBytes, 'x') + "\") (var \"s\") (= \"s\" \"\") (var \"i\") (= \"i\" 0)"
         " (loop (< $i " + n(kPieces) + ") (= \"i\" (+ $i 1)) false (quote (= \"s\" " + step + "))) (. $s \"length\")";
}
std::string piecesLua(const std::string& step) {
  return "local c = string.rep('x', " + n(kPieceBytes) + ") local s = '' local i = 0 while i < " + n(kPieces) +
         " do s = " + step + " i = i + 1 end return #s";
}
const std::string kScriptAppending = piecesScript("(+ $s $c)");
const std::string kScriptPrepending = piecesScript("(+ $c $s)");
const std::string kLuaAppending = piecesLua("s .. c");
const std::string kLuaPrepending = piecesLua("c .. s");
// Putting the piece before the text by "concat", and two pieces before it by a "+" around another:
// Lua copies the text once a step either way.
const std::string kScriptPrependingByConcat = piecesScript("(call $c \"concat\" (quote $s))");
const std::string kScriptPrependingTwo = piecesScript("(+ \"ab\" (+ $c $s))");
const std::string kLuaPrependingTwo = piecesLua("'ab' .. (c .. s)");

// The array is made once; each run maps it and filters the result, as the language's methods do.
// Lua has no such methods: the same loops are written out, calling the callback with the element,
// its index and the array as the methods do.
const std::string kScriptArray = "(var \"a\") (= \"a\" (array)) (var \"i\") (= \"i\" 0) (loop (< $i " + n(kMapped) +
                                 ") (= \"i\" (+ $i 1)) false (quote (call $a \"push\" (quote $i))))";
const std::string kScriptMapFilter =
    "(. (call (call $a \"map\" (quote (fn \"\" (quote \"x\") (return (* $x 3))))) \"filter\""
    " (quote (fn \"\" (quote \"x\") (return (=== (% $x 2) 0))))) \"length\")";
const std::string kLuaArray = "a = {} for i = 1, " + n(kMapped) + " do a[i] = i - 1 end";
const std::string kLuaMapFilter =
    "local function map(t, f) local out = {} for i = 1, #t do out[i] = f(t[i], i - 1, t) end return out end "
    "local function filter(t, f) local out = {} for i = 1, #t do local v = t[i] if f(v, i - 1, t) then out[#out + 1] = v end end "
    "return out end "
    "return #filter(map(a, function(x) return x * 3 end), function(x) return x % 2 == 0 end)";

void BM_CountingLoop_Script(benchmark::State& state) { runScript(state, kScriptCount); }
void BM_CountingLoop_Lua(benchmark::State& state) { runLua(state, kLuaCount); }
void BM_StringBuilding_Script(benchmark::State& state) { runScript(state, kScriptString); }
void BM_StringBuilding_Lua(benchmark::State& state) { runLua(state, kLuaString); }
void BM_StringLine_Script(benchmark::State& state) { runScript(state, kScriptLine); }
void BM_StringLineConcat_Script(benchmark::State& state) { runScript(state, kScriptLineConcat); }
void BM_StringLine_Lua(benchmark::State& state) { runLua(state, kLuaLine); }
void BM_StringLineThreeCopies_Lua(benchmark::State& state) { runLua(state, kLuaLineThreeCopies); }
void BM_ArrayPush_Script(benchmark::State& state) { runScript(state, kScriptPush); }
void BM_ArrayPush_Lua(benchmark::State& state) { runLua(state, kLuaPush); }
void BM_FunctionCalls_Script(benchmark::State& state) { runScript(state, kScriptCalls); }
void BM_FunctionCalls_Lua(benchmark::State& state) { runLua(state, kLuaCalls); }
void BM_MapFilter_Script(benchmark::State& state) { runScript(state, kScriptMapFilter, kScriptArray); }
void BM_MapFilter_Lua(benchmark::State& state) { runLua(state, kLuaMapFilter, kLuaArray); }

// A typical edit rule: reads a few parameters, adds two, counts the items and renames the event.
const std::string kRegister =
    "(const \"register\" (require \"internal.registerCallback\"))"
    "(defun \"rule\" (quote \"options\") (register \"rule\" (. $options \"callback\") $options))";
const std::string kEditRule =
    "(object \"type\" \"edit\" \"callback\" (fn \"\" (quote \"e\")"
    " (if (=== (call $e \"getEventName\" (quote)) \"purchase\") (quote"
    "  (var \"v\") (= \"v\" (call $e \"getParamValue\" (quote \"value\")))"
    "  (call $e \"setParamValue\" (quote \"value_usd\" (* $v 1.1)))"
    "  (call $e \"setParamValue\" (quote \"tier\" (? (> $v 50) \"high\" \"low\")))"
    "  (var \"n\") (= \"n\" 0)"
    "  (for-of-let \"it\" (call $e \"getParamValue\" (quote \"items\")) (quote (= \"n\" (+ $n 1))))"
    "  (call $e \"setParamValue\" (quote \"count\" $n))"
    "  (call $e \"setEventName\" (quote \"purchase_v2\"))))"
    " (return 0)))";
const std::string kLuaEditRule =
    "return function(e)"
    "  if e.name == 'purchase' then"
    "    local v = e.params.value"
    "    e.params.value_usd = v * 1.1"
    "    e.params.tier = v > 50 and 'high' or 'low'"
    "    local n = 0"
    "    for _, it in ipairs(e.params.items) do n = n + 1 end"
    "    e.params.count = n"
    "    e.name = 'purchase_v2'"
    "  end"
    "  return 0"
    " end";

sdk::analytics::EditingEvent sampleEvent() {
  return sdk::analytics::EditingEvent("purchase", 1000.5, Dictionary{{"value", 75.0}, {"item", "hat"}, {"items", Array{"a", "b", "c"}}});
}

class EditingRun {
 public:
  EditingRun() : editing_(nullptr, generous()), event_(sampleEvent()) {
    ready_ = editing_.loadProgram(*ostrel::testing::program(kRegister, {{"rule", kEditRule}})).ok();
  }
  bool operator()() {
    const bool edited = editing_.handleEvent(event_).valueOr(false);
    benchmark::DoNotOptimize(editing_.eventContext().outputEvent().parameters.size());
    return ready_ && edited;
  }

 private:
  sdk::analytics::EventEditing editing_;
  sdk::analytics::EditingEvent event_;
  bool ready_ = false;
};

// The Lua side does the same round trip: the event into a table, the rule, the table back out.
void pushValue(lua_State* lua, const Value& value) {
  if (value.isString()) {
    lua_pushstring(lua, value.string()->c_str());
  } else if (value.isArray()) {
    lua_createtable(lua, static_cast<int>(value.array()->size()), 0);
    int i = 1;
    for (const auto& element : *value.array()) {
      pushValue(lua, element);
      lua_rawseti(lua, -2, i++);
    }
  } else {
    lua_pushnumber(lua, value.toDouble());
  }
}

Value readValue(lua_State* lua, int index) {
  if (lua_type(lua, index) == LUA_TSTRING) return Value(std::string(lua_tostring(lua, index)));
  if (lua_type(lua, index) == LUA_TTABLE) {
    Array out;
    const auto length = lua_rawlen(lua, index);
    for (lua_Unsigned i = 1; i <= length; ++i) {
      lua_rawgeti(lua, index, static_cast<lua_Integer>(i));
      out.push_back(readValue(lua, -1));
      lua_pop(lua, 1);
    }
    return Value(std::move(out));
  }
  return Value(lua_tonumber(lua, index));
}

class LuaEditingRun {
 public:
  LuaEditingRun() : lua_(luaL_newstate()), event_(sampleEvent()) {
    luaL_openlibs(lua_);
    ready_ = luaL_dostring(lua_, kLuaEditRule.c_str()) == LUA_OK;
    rule_ = luaL_ref(lua_, LUA_REGISTRYINDEX);
  }
  LuaEditingRun(const LuaEditingRun&) = delete;
  LuaEditingRun& operator=(const LuaEditingRun&) = delete;
  ~LuaEditingRun() { lua_close(lua_); }

  bool operator()() {
    sdk::analytics::EditingEvent output = event_;
    lua_rawgeti(lua_, LUA_REGISTRYINDEX, rule_);
    lua_createtable(lua_, 0, 2);
    lua_pushstring(lua_, output.name.c_str());
    lua_setfield(lua_, -2, "name");
    lua_createtable(lua_, 0, static_cast<int>(output.parameters.size()));
    for (const auto& [key, value] : output.parameters) {
      pushValue(lua_, value);
      lua_setfield(lua_, -2, key.c_str());
    }
    lua_setfield(lua_, -2, "params");
    lua_pushvalue(lua_, -1);
    lua_insert(lua_, -3);  // keep the event table below the function and its argument
    const bool ran = lua_pcall(lua_, 1, 1, 0) == LUA_OK;
    lua_pop(lua_, 1);
    lua_getfield(lua_, -1, "name");
    output.name = lua_tostring(lua_, -1);
    lua_pop(lua_, 1);
    lua_getfield(lua_, -1, "params");
    output.parameters.clear();
    lua_pushnil(lua_);
    while (lua_next(lua_, -2) != 0) {
      output.parameters[lua_tostring(lua_, -2)] = readValue(lua_, -1);
      lua_pop(lua_, 1);
    }
    lua_pop(lua_, 2);
    benchmark::DoNotOptimize(output.parameters.size());
    return ready_ && ran;
  }

 private:
  lua_State* lua_;
  sdk::analytics::EditingEvent event_;
  int rule_ = 0;
  bool ready_ = false;
};

void BM_EventEditing_Script(benchmark::State& state) {
  EditingRun run;
  runEach(state, run);
}
void BM_EventEditing_Lua(benchmark::State& state) {
  LuaEditingRun run;
  runEach(state, run);
}

void BM_CountingLoop_InTurns(benchmark::State& state) { runSourcesInTurns(state, kScriptCount, kLuaCount); }
void BM_StringBuilding_InTurns(benchmark::State& state) { runSourcesInTurns(state, kScriptString, kLuaString); }
void BM_StringLine_InTurns(benchmark::State& state) { runSourcesInTurns(state, kScriptLine, kLuaLine); }
void BM_StringLineConcat_InTurns(benchmark::State& state) { runSourcesInTurns(state, kScriptLineConcat, kLuaLine); }
void BM_StringLineBesideThreeCopies_InTurns(benchmark::State& state) {
  runSourcesInTurns(state, kScriptLine, kLuaLineThreeCopies);
}
void BM_Appending_InTurns(benchmark::State& state) { runSourcesInTurns(state, kScriptAppending, kLuaAppending); }
void BM_Prepending_InTurns(benchmark::State& state) { runSourcesInTurns(state, kScriptPrepending, kLuaPrepending); }
void BM_PrependingByConcat_InTurns(benchmark::State& state) {
  runSourcesInTurns(state, kScriptPrependingByConcat, kLuaPrepending);
}
void BM_PrependingTwo_InTurns(benchmark::State& state) { runSourcesInTurns(state, kScriptPrependingTwo, kLuaPrependingTwo); }
void BM_ArrayPush_InTurns(benchmark::State& state) { runSourcesInTurns(state, kScriptPush, kLuaPush); }
void BM_FunctionCalls_InTurns(benchmark::State& state) { runSourcesInTurns(state, kScriptCalls, kLuaCalls); }
void BM_MapFilter_InTurns(benchmark::State& state) {
  runSourcesInTurns(state, kScriptMapFilter, kLuaMapFilter, kScriptArray, kLuaArray);
}
void BM_EventEditing_InTurns(benchmark::State& state) {
  EditingRun script;
  LuaEditingRun lua;
  runInTurns(state, script, lua, 1000);
}

BENCHMARK(BM_CountingLoop_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountingLoop_Lua)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringBuilding_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringBuilding_Lua)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayPush_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayPush_Lua)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FunctionCalls_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FunctionCalls_Lua)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFilter_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFilter_Lua)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EventEditing_Script)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EventEditing_Lua)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StringLine_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringLineConcat_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringLine_Lua)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringLineThreeCopies_Lua)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountingLoop_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringBuilding_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringLine_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringLineConcat_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringLineBesideThreeCopies_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Appending_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Prepending_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrependingByConcat_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrependingTwo_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayPush_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FunctionCalls_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFilter_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EventEditing_InTurns)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
