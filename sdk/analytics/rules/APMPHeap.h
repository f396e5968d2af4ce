#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/foundation/Error.h"
#include "sdk/analytics/rules/APMPHeapObject.h"
#include "sdk/analytics/rules/APMPLimits.h"

// The memory and the meters of one runtime: every object it makes is charged here, the instruction
// counter, the evaluation depth and the native-work meter live here (never in a script-visible
// binding), and collect() frees the cycles that reference counting leaves behind.
//
// The heap lives as long as any of its objects: each object holds a count on it.
class APMPHeap {
 public:
  // A new heap, held by the caller through the returned reference count (release() when done).
  static APMPHeap* create(const APMPLimits& limits);
  void retain() { ++references_; }
  void release();

  const APMPLimits& limits() const { return limits_; }
  void setLimits(const APMPLimits& limits) { limits_ = limits; }

  template <typename T, typename... Args>
  APMPRef<T> make(Args&&... args) {
    return APMPRef<T>(new T(*this, std::forward<Args>(args)...));
  }

  // Instruction counting: false (with error 18) once the limit is reached.
  [[nodiscard]] bool countInstruction(platform::foundation::Error& error);
  std::int64_t instructionCount() const { return instructions_; }
  void setInstructionCount(std::int64_t count) { instructions_ = count; }
  // Resets the instruction counter and the native-work meter.
  void resetMeters();

  // Nesting of evaluations: enter() fails with error 18 beyond the limit; every successful enter()
  // is matched by leave().
  [[nodiscard]] bool enter(platform::foundation::Error& error);
  void leave() { --depth_; }

  // Native work of `steps` element steps: false (with error 18) beyond the budget.
  [[nodiscard]] bool chargeWork(std::int64_t steps, platform::foundation::Error& error);
  // Whether `bytes` more fit in the memory budget; false sets error 18.
  [[nodiscard]] bool reserve(std::size_t bytes, platform::foundation::Error& error);
  // True once the live bytes passed the budget (an allocation that could not be refused).
  bool exhausted() const { return liveBytes_ > limits_.memoryBytes; }
  std::size_t liveBytes() const { return liveBytes_; }
  std::size_t trackedCount() const { return trackedCount_; }

  // Frees every tracked object that only other tracked garbage refers to. Objects referred to from
  // outside the heap's own objects (the runtime's scopes, a result the caller holds) and everything
  // they reach are kept.
  void collect();

 private:
  friend class APMPHeapObject;
  explicit APMPHeap(const APMPLimits& limits) : limits_(limits) {}

  void attach(APMPHeapObject& object, std::size_t bytes, bool tracked);
  void detach(APMPHeapObject& object);
  void charge(APMPHeapObject& object, std::ptrdiff_t bytes);

  APMPLimits limits_;
  std::int64_t references_ = 1;
  std::int64_t instructions_ = 0;
  std::int64_t work_ = 0;
  int depth_ = 0;
  std::size_t liveBytes_ = 0;
  std::size_t trackedCount_ = 0;
  APMPHeapObject* tracked_ = nullptr;  // head of the list of tracked objects
  bool collecting_ = false;
};

// Enters one nesting level for the lifetime of the guard.
class APMPDepthGuard {
 public:
  APMPDepthGuard(APMPHeap& heap, platform::foundation::Error& error) : heap_(heap), entered_(heap.enter(error)) {}
  ~APMPDepthGuard() {
    if (entered_) heap_.leave();
  }
  bool entered() const { return entered_; }

 private:
  APMPHeap& heap_;
  bool entered_;
};
