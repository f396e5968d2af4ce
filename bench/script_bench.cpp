// The script interpreter beside Lua 5.4 running the same two loops: counting to N, and building a
// string one character at a time. Ratios are interpreter time over Lua time.
#include <benchmark/benchmark.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include <string>

#include "sdk/analytics/rules/APMPRuntime.h"
#include "sdk/analytics/rules/APMPTestProgram.h"

namespace {

constexpr int kCount = 100'000;
constexpr int kCharacters = 10'000;

APMPLimits generous() {
  APMPLimits limits;
  limits.instructions = 1'000'000'000;
  return limits;
}

void runScript(benchmark::State& state, const std::string& source) {
  APMPRuntime runtime(generous());
  const auto program = ostrel::testing::parse(source);
  for (auto _ : state) {
    runtime.resetInstructionCount();
    APMPError error;
    auto result = runtime.executeStatements(program, error);
    if (APMPFailed(error)) state.SkipWithError("script failed");
    benchmark::DoNotOptimize(result);
  }
}

void runLua(benchmark::State& state, const std::string& source) {
  lua_State* lua = luaL_newstate();
  luaL_openlibs(lua);
  if (luaL_loadstring(lua, source.c_str()) != LUA_OK) state.SkipWithError("lua did not load");
  const int chunk = luaL_ref(lua, LUA_REGISTRYINDEX);
  for (auto _ : state) {
    lua_rawgeti(lua, LUA_REGISTRYINDEX, chunk);
    if (lua_pcall(lua, 0, 1, 0) != LUA_OK) state.SkipWithError("lua failed");
    lua_pop(lua, 1);
  }
  lua_close(lua);
}

const std::string kScriptCount = "(var \"i\") (= \"i\" 0) (loop (< $i " + std::to_string(kCount) +
                                 ") (= \"i\" (+ $i 1)) false (quote)) $i";
const std::string kLuaCount = "local i = 0 while i < " + std::to_string(kCount) + " do i = i + 1 end return i";
const std::string kScriptString = "(var \"s\") (= \"s\" \"\") (var \"i\") (= \"i\" 0) (loop (< $i " +
                                  std::to_string(kCharacters) +
                                  ") (= \"i\" (+ $i 1)) false (quote (= \"s\" (+ $s \"x\")))) (. $s \"length\")";
const std::string kLuaString = "local s = '' local i = 0 while i < " + std::to_string(kCharacters) +
                               " do s = s .. 'x' i = i + 1 end return #s";

void BM_CountingLoop_Script(benchmark::State& state) { runScript(state, kScriptCount); }
void BM_CountingLoop_Lua(benchmark::State& state) { runLua(state, kLuaCount); }
void BM_StringBuilding_Script(benchmark::State& state) { runScript(state, kScriptString); }
void BM_StringBuilding_Lua(benchmark::State& state) { runLua(state, kLuaString); }

BENCHMARK(BM_CountingLoop_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountingLoop_Lua)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringBuilding_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringBuilding_Lua)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
