#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/foundation/ThreadStack.h"
#include "sdk/analytics/rules/ScriptCpuDeadline.h"
#include "sdk/analytics/rules/ScriptHeapObject.h"
#include "sdk/analytics/rules/ScriptLimits.h"
#include "sdk/analytics/rules/ScriptRuntimeError.h"

namespace sdk::analytics {

class ScriptRegexCache;

// The memory and the meters of one runtime: every object it makes is charged here, the instruction
// counter, the evaluation depth and the native-work meter live here (never in a script-visible
// binding), and collect() frees the cycles that reference counting leaves behind.
//
// The heap lives as long as any of its objects: each object holds a count on it.
class ScriptHeap {
 public:
  // A new heap, held by the caller through the returned reference count (release() when done).
  static ScriptHeap* create(const ScriptLimits& limits);
  void retain() { ++references_; }
  void release();

  const ScriptLimits& limits() const { return limits_; }
  void setLimits(const ScriptLimits& limits) {
    limits_ = limits;
    placeCheckpoints();
  }

  template <typename T, typename... Args>
  ScriptRef<T> make(Args&&... args) {
    return ScriptRef<T>(new T(*this, std::forward<Args>(args)...));
  }

  // Every refusal of a meter or a budget: error 18.
  [[gnu::cold]] static ScriptRuntimeError limitError();

  // Instruction counting: error 18 once the limit is reached, or once the event has used its CPU
  // time (looked at every so many instructions and steps of work, at checkpoints short of the
  // limits).
  ErrorOr<void> countInstruction() {
    if (instructions_ < instructionCheckpoint_) {
      ++instructions_;
      return {};
    }
    return countAtCheckpoint();
  }
  // Counts `count` instructions at once when all of them fit before the next checkpoint; false
  // (and nothing counted) when not, so the caller can count them one by one and stop exactly at
  // the limit.
  [[nodiscard]] bool countInstructions(std::int64_t count) {
    if (count > instructionCheckpoint_ - instructions_) return false;
    instructions_ += count;
    return true;
  }
  std::int64_t instructionCount() const { return instructions_; }
  void setInstructionCount(std::int64_t count) {
    instructions_ = count;
    placeCheckpoints();
  }
  // Resets the instruction counter and the native-work meter. The regular expressions compiled
  // stay, for later events.
  void resetMeters();
  ScriptRegexCache& regexCache();
  // Steps of native work the budget has left.
  std::int64_t workLeft() const { return limits_.nativeWork - work_; }

  // Nesting of evaluations: enter() fails with error 18 beyond the limit, or when the native stack
  // has no more room than the deepest native work below one level may take; every successful
  // enter() is matched by leave().
  ErrorOr<void> enter() {
    if (tryEnter()) return {};
    return limitError();
  }
  // enter() for a guard that reports the refusal itself.
  [[nodiscard]] bool tryEnter() {
    if (depth_ >= limits_.evaluationDepth) return false;
    // Every fourth level looks at the stack: four levels take far less than the reserve.
    if ((depth_ & 3) == 0 && platform::foundation::ThreadStack::bytesLeft() < kStackReserve) return false;
    ++depth_;
    return true;
  }
  void leave() { --depth_; }
  // The stack a nesting level keeps in hand: the widest level measured takes 3.3 KB in an optimised
  // build and 14 KB under the sanitizers (a sort whose comparator sorts again), and the native walks
  // that nest without a level (conversions, ICU's set parser) a few hundred kilobytes more at most.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__OPTIMIZE__)
  static constexpr std::size_t kStackReserve = 1u << 20;
#else
  static constexpr std::size_t kStackReserve = 256u << 10;
#endif
  // Whether `levels` more nesting levels fit.
  bool depthAvailable(int levels) const { return depth_ + levels <= limits_.evaluationDepth; }

  // Native work of `steps` element steps: error 18 beyond the budget, or once the event has used
  // its CPU time.
  ErrorOr<void> chargeWork(std::int64_t steps) {
    if (steps <= workCheckpoint_ - work_) {
      if (steps > 0) work_ += steps;
      return {};
    }
    return chargeWorkAtCheckpoint(steps);
  }
  // Work done where no error can be reported (probing for a name): counted at once, and when it
  // passed the budget (or the event its time) the next evaluation fails with error 18.
  void chargeLookupWork(std::int64_t steps) {
    if (steps <= workCheckpoint_ - work_) {
      work_ += steps;
      return;
    }
    if (!chargeWorkAtCheckpoint(steps).ok()) instructions_ = limits_.instructions;
  }
  // Error 18 once the event has used its CPU time: for work that reports its progress in other
  // units (a regular expression's matcher).
  ErrorOr<void> checkTime();
  // The event's CPU time left, as of the last look.
  std::int64_t cpuNanosecondsLeft() const {
    const auto left = limits_.cpuNanoseconds - deadline_.used();
    return left > 0 ? left : 0;
  }
  // Time the event used on another thread, which it waited for: counted as its own; error 18 when
  // that passes the event's time (the clock is not read again for it).
  ErrorOr<void> chargeTime(std::int64_t nanoseconds);
  // Work the event waited for until its time was gone: nothing more of it runs.
  void spendTime() { (void)chargeTime(limits_.cpuNanoseconds + 1); }
  // Native work of copying, scanning or comparing `units` code units.
  ErrorOr<void> chargeUnits(std::size_t units) {
    return chargeWork(static_cast<std::int64_t>(units / kCodeUnitsPerStep));
  }
  static constexpr std::size_t kCodeUnitsPerStep = 4;
  // Native work of turning one number into its text.
  ErrorOr<void> chargeNumberText() { return chargeWork(kNumberTextSteps); }
  static constexpr std::int64_t kNumberTextSteps = 2;
  // Whether `bytes` more fit in the memory budget; error 18 when not.
  ErrorOr<void> reserve(std::size_t bytes) const {
    if (liveBytes_ > limits_.memoryBytes || bytes > limits_.memoryBytes - liveBytes_) return limitError();
    return {};
  }
  // Memory a run holds outside the heap's objects (lists being built, what it hands out of the
  // interpreter): counted like the objects' own; error 18 (nothing counted) when it does not fit.
  // Each successful charge is matched by a refund.
  ErrorOr<void> chargeMemory(std::size_t bytes);
  void refundMemory(std::size_t bytes) { liveBytes_ -= bytes < liveBytes_ ? bytes : liveBytes_; }
  // Memory counted without a check, as making an object counts it: for a value held in a form that
  // costs less than the object it stands for (refunded like chargeMemory's).
  void holdMemory(std::size_t bytes) { addLive(bytes); }
  // Script log output between two resets: false once `bytes` more would pass the run's cap.
  [[nodiscard]] bool chargeLogOutput(std::size_t bytes);
  // True once, the first time the log output was refused since the last reset.
  bool takeLogTruncation();
  // True once the live bytes passed the budget (an allocation that could not be refused).
  bool exhausted() const { return liveBytes_ > limits_.memoryBytes; }
  std::size_t liveBytes() const { return liveBytes_; }
  // The most the live bytes ever reached: what is charged before it is made never passes the budget.
  std::size_t peakBytes() const { return peakBytes_; }
  std::size_t trackedCount() const { return trackedCount_; }
  // A number no other scope of this heap had, for caches that must not mistake a new scope for a
  // freed one at the same address.
  std::uint64_t nextScopeSerial() { return ++scopeSerials_; }

  // Frees every tracked object that only other tracked garbage refers to. Objects referred to from
  // outside the heap's own objects (the runtime's scopes, a result the caller holds) and everything
  // they reach are kept.
  void collect();
  // Whether enough containers were made since the last collection to start one mid-run.
  bool collectionDue() const { return trackedSinceCollection_ >= nextCollection_; }

 private:
  friend class ScriptHeapObject;
  explicit ScriptHeap(const ScriptLimits& limits);
  ~ScriptHeap();

  [[gnu::cold]] ErrorOr<void> countAtCheckpoint();
  [[gnu::cold]] ErrorOr<void> chargeWorkAtCheckpoint(std::int64_t steps);
  [[gnu::cold]] ErrorOr<void> timeIsUp();
  // The next looks at the CPU time: a stride of instructions and of work ahead, or the limits.
  void placeCheckpoints();

  void attach(ScriptHeapObject& object, std::size_t bytes, bool tracked);
  void detach(ScriptHeapObject& object);
  void charge(ScriptHeapObject& object, std::ptrdiff_t bytes);
  void addLive(std::size_t bytes) {
    liveBytes_ += bytes;
    if (liveBytes_ > peakBytes_) peakBytes_ = liveBytes_;
  }

  ScriptLimits limits_;
  std::int64_t references_ = 1;
  std::int64_t instructions_ = 0;
  std::int64_t work_ = 0;
  std::int64_t instructionCheckpoint_ = 0;
  std::int64_t workCheckpoint_ = 0;
  ScriptCpuDeadline deadline_;
  int depth_ = 0;
  std::size_t liveBytes_ = 0;
  std::size_t peakBytes_ = 0;
  std::size_t trackedCount_ = 0;
  ScriptHeapObject* tracked_ = nullptr;  // head of the list of tracked objects
  bool collecting_ = false;
  std::size_t trackedSinceCollection_ = 0;
  std::size_t nextCollection_ = 0;
  std::size_t loggedBytes_ = 0;
  bool logRefused_ = false;
  bool logTruncationTaken_ = false;
  std::uint64_t scopeSerials_ = 0;
  std::unique_ptr<ScriptRegexCache> regexCache_;
};

// Memory held for the guard's lifetime (a list a native loop builds); `status()` is error 18 when it
// did not fit.
class ScriptMemoryCharge {
 public:
  ScriptMemoryCharge(ScriptHeap& heap, std::size_t bytes)
      : heap_(heap), bytes_(heap.chargeMemory(bytes).ok() ? bytes : 0), charged_(bytes_ == bytes) {}
  ~ScriptMemoryCharge() { heap_.refundMemory(bytes_); }
  ScriptMemoryCharge(const ScriptMemoryCharge&) = delete;
  ScriptMemoryCharge& operator=(const ScriptMemoryCharge&) = delete;
  bool charged() const { return charged_; }
  ErrorOr<void> status() const {
    if (charged_) return {};
    return ScriptHeap::limitError();
  }

 private:
  ScriptHeap& heap_;
  std::size_t bytes_;
  bool charged_;
};

// Enters one nesting level for the lifetime of the guard; `status()` is error 18 when the limit
// refused it.
class ScriptDepthGuard {
 public:
  explicit ScriptDepthGuard(ScriptHeap& heap) : heap_(heap), entered_(heap.tryEnter()) {}
  ~ScriptDepthGuard() {
    if (entered_) heap_.leave();
  }
  bool entered() const { return entered_; }
  ErrorOr<void> status() const {
    if (entered_) return {};
    return ScriptHeap::limitError();
  }

 private:
  ScriptHeap& heap_;
  bool entered_;
};

}  // namespace sdk::analytics

