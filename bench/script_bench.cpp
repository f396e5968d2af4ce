// The script interpreter beside Lua 5.4 doing the same work: counting to N, building a string one
// character at a time, pushing onto an array, calling a small function in a loop, mapping and
// filtering an array of numbers, and editing an event the way a typical event-editing rule does.
// Ratios are interpreter time over Lua time.
#include <benchmark/benchmark.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include <string>

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

sdk::analytics::ScriptLimits generous() {
  sdk::analytics::ScriptLimits limits;
  limits.instructions = 1'000'000'000;
  limits.nativeWork = 1'000'000'000;
  return limits;
}

// `setup` runs once, before the timed runs of `source`.
void runScript(benchmark::State& state, const std::string& source, const std::string& setup = "") {
  sdk::analytics::ScriptRuntime runtime(generous());
  if (!setup.empty() && !runtime.executeStatements(ostrel::testing::parse(setup)).ok()) {
    state.SkipWithError("setup failed");
  }
  const auto program = ostrel::testing::parse(source);
  for (auto _ : state) {
    runtime.resetInstructionCount();
    auto result = runtime.executeStatements(program);
    if (!result.ok()) state.SkipWithError("script failed");
    benchmark::DoNotOptimize(result);
  }
}

void runLua(benchmark::State& state, const std::string& source, const std::string& setup = "") {
  lua_State* lua = luaL_newstate();
  luaL_openlibs(lua);
  if (!setup.empty() && luaL_dostring(lua, setup.c_str()) != LUA_OK) state.SkipWithError("lua setup failed");
  if (luaL_loadstring(lua, source.c_str()) != LUA_OK) state.SkipWithError("lua did not load");
  const int chunk = luaL_ref(lua, LUA_REGISTRYINDEX);
  for (auto _ : state) {
    lua_rawgeti(lua, LUA_REGISTRYINDEX, chunk);
    if (lua_pcall(lua, 0, 1, 0) != LUA_OK) state.SkipWithError("lua failed");
    lua_pop(lua, 1);
  }
  lua_close(lua);
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

void BM_EventEditing_Script(benchmark::State& state) {
  sdk::analytics::EventEditing editing(nullptr, generous());
  if (!editing.loadProgram(*ostrel::testing::program(kRegister, {{"rule", kEditRule}})).ok()) {
    state.SkipWithError("program did not load");
  }
  const auto event = sampleEvent();
  for (auto _ : state) {
    if (!editing.handleEvent(event).valueOr(false)) state.SkipWithError("event not edited");
    benchmark::DoNotOptimize(editing.eventContext().outputEvent().parameters.size());
  }
}

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

void BM_EventEditing_Lua(benchmark::State& state) {
  lua_State* lua = luaL_newstate();
  luaL_openlibs(lua);
  if (luaL_dostring(lua, kLuaEditRule.c_str()) != LUA_OK) state.SkipWithError("lua did not load");
  const int rule = luaL_ref(lua, LUA_REGISTRYINDEX);
  const auto event = sampleEvent();
  for (auto _ : state) {
    sdk::analytics::EditingEvent output = event;
    lua_rawgeti(lua, LUA_REGISTRYINDEX, rule);
    lua_createtable(lua, 0, 2);
    lua_pushstring(lua, output.name.c_str());
    lua_setfield(lua, -2, "name");
    lua_createtable(lua, 0, static_cast<int>(output.parameters.size()));
    for (const auto& [key, value] : output.parameters) {
      pushValue(lua, value);
      lua_setfield(lua, -2, key.c_str());
    }
    lua_setfield(lua, -2, "params");
    lua_pushvalue(lua, -1);
    lua_insert(lua, -3);  // keep the event table below the function and its argument
    if (lua_pcall(lua, 1, 1, 0) != LUA_OK) state.SkipWithError("lua failed");
    lua_pop(lua, 1);
    lua_getfield(lua, -1, "name");
    output.name = lua_tostring(lua, -1);
    lua_pop(lua, 1);
    lua_getfield(lua, -1, "params");
    output.parameters.clear();
    lua_pushnil(lua);
    while (lua_next(lua, -2) != 0) {
      output.parameters[lua_tostring(lua, -2)] = readValue(lua, -1);
      lua_pop(lua, 1);
    }
    lua_pop(lua, 2);
    benchmark::DoNotOptimize(output.parameters.size());
  }
  lua_close(lua);
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

}  // namespace

BENCHMARK_MAIN();
