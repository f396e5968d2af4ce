#include "sdk/analytics/rules/ScriptHeap.h"

#include <algorithm>
#include <vector>

#include "sdk/analytics/rules/ScriptRegexCache.h"
#include "sdk/analytics/rules/ScriptRuntimeError.h"

namespace sdk::analytics {

namespace {
// A step of work costs a few nanoseconds where an instruction costs some tens: the work between
// two looks at the CPU time is a stride of this many times as many steps.
constexpr std::int64_t kWorkStepsPerInstruction = 8;
}  // namespace

ScriptHeapObject::ScriptHeapObject(ScriptHeap& heap, std::size_t bytes, bool tracked) : immortal_(false) {
  heap.attach(*this, bytes, tracked);
}

ScriptHeapObject::~ScriptHeapObject() {
  if (heap_) heap_->detach(*this);
}

// Deleting an object releases what it holds, which may delete more in turn: dropping a chain of
// arrays nested tens of thousands deep would recurse as deep on the native stack. Deletions that a
// deletion causes wait in a list that the outermost one drains, so freeing any graph of values
// takes the same small stack.
void ScriptHeapObject::destroy(const ScriptHeapObject* object) {
  thread_local std::vector<const ScriptHeapObject*>* waiting = nullptr;
  if (waiting) {
    waiting->push_back(object);
    return;
  }
  std::vector<const ScriptHeapObject*> pending;
  waiting = &pending;
  delete object;
  while (!pending.empty()) {
    const auto* next = pending.back();
    pending.pop_back();
    delete next;
  }
  waiting = nullptr;
}

void ScriptHeapObject::chargeBytes(std::ptrdiff_t bytes) {
  if (heap_) heap_->charge(*this, bytes);
}

ScriptHeap* ScriptHeap::create(const ScriptLimits& limits) { return new ScriptHeap(limits); }

ScriptHeap::ScriptHeap(const ScriptLimits& limits) : limits_(limits), nextCollection_(limits.collectionThreshold) {
  placeCheckpoints();
}

ScriptHeap::~ScriptHeap() = default;

ScriptRegexCache& ScriptHeap::regexCache() {
  if (!regexCache_) regexCache_ = std::make_unique<ScriptRegexCache>();
  return *regexCache_;
}

void ScriptHeap::release() {
  if (--references_ == 0) delete this;
}

void ScriptHeap::attach(ScriptHeapObject& object, std::size_t bytes, bool tracked) {
  object.heap_ = this;
  object.charged_ = bytes;
  addLive(bytes);
  ++references_;
  if (tracked) {
    object.tracked_ = true;
    object.next_ = tracked_;
    if (tracked_) tracked_->previous_ = &object;
    tracked_ = &object;
    ++trackedCount_;
    ++trackedSinceCollection_;
  }
}

void ScriptHeap::detach(ScriptHeapObject& object) {
  liveBytes_ -= object.charged_;
  if (object.tracked_) {
    if (object.previous_) object.previous_->next_ = object.next_;
    else tracked_ = object.next_;
    if (object.next_) object.next_->previous_ = object.previous_;
    --trackedCount_;
  }
  release();
}

void ScriptHeap::charge(ScriptHeapObject& object, std::ptrdiff_t bytes) {
  if (bytes < 0 && static_cast<std::size_t>(-bytes) > object.charged_) bytes = -static_cast<std::ptrdiff_t>(object.charged_);
  object.charged_ += bytes;
  if (bytes > 0) addLive(static_cast<std::size_t>(bytes));
  else liveBytes_ -= static_cast<std::size_t>(-bytes);
}

void ScriptHeap::resetMeters() {
  instructions_ = 0;
  work_ = 0;
  deadline_.restart();
  placeCheckpoints();
  loggedBytes_ = 0;
  logRefused_ = false;
  logTruncationTaken_ = false;
}

ScriptRuntimeError ScriptHeap::limitError() { return scriptError(kScriptErrorLimitReached); }

ErrorOr<void> ScriptHeap::countAtCheckpoint() {
  if (instructions_ >= limits_.instructions) return limitError();
  TRY(checkTime());
  ++instructions_;
  return {};
}

ErrorOr<void> ScriptHeap::chargeWorkAtCheckpoint(std::int64_t steps) {
  if (steps > limits_.nativeWork - work_) {
    work_ = limits_.nativeWork;
    return limitError();
  }
  if (steps > 0) work_ += steps;
  return checkTime();
}

ErrorOr<void> ScriptHeap::checkTime() {
  if (deadline_.passed(limits_.cpuNanoseconds)) return timeIsUp();
  placeCheckpoints();
  return {};
}

ErrorOr<void> ScriptHeap::chargeTime(std::int64_t nanoseconds) {
  deadline_.addUsed(nanoseconds);
  if (deadline_.used() > limits_.cpuNanoseconds) return timeIsUp();
  return {};
}

ErrorOr<void> ScriptHeap::timeIsUp() {
  // Nothing more of the event runs: every count is spent.
  instructions_ = limits_.instructions;
  work_ = limits_.nativeWork;
  placeCheckpoints();
  return limitError();
}

void ScriptHeap::placeCheckpoints() {
  const auto stride = deadline_.stride();
  instructionCheckpoint_ = instructions_ + std::clamp<std::int64_t>(limits_.instructions - instructions_, 0, stride);
  workCheckpoint_ = work_ + std::clamp<std::int64_t>(limits_.nativeWork - work_, 0, stride * kWorkStepsPerInstruction);
}

ErrorOr<void> ScriptHeap::chargeMemory(std::size_t bytes) {
  TRY(reserve(bytes));
  addLive(bytes);
  return {};
}

bool ScriptHeap::chargeLogOutput(std::size_t bytes) {
  if (logRefused_ || bytes > limits_.logRunBytes - loggedBytes_) {
    logRefused_ = true;
    return false;
  }
  loggedBytes_ += bytes;
  return true;
}

bool ScriptHeap::takeLogTruncation() {
  if (!logRefused_ || logTruncationTaken_) return false;
  logTruncationTaken_ = true;
  return true;
}

// Trial deletion: subtract from every tracked object the references that other tracked objects
// hold on it. What keeps a count is referred to from outside (a runtime's scopes, a native frame,
// a caller) and is a root; everything reachable from a root lives, the rest is garbage in cycles.
void ScriptHeap::collect() {
  if (collecting_) return;
  collecting_ = true;
  retain();
  for (auto* o = tracked_; o; o = o->next_) o->gcReferences_ = o->references_;
  for (auto* o = tracked_; o; o = o->next_) {
    o->forEachChild([](ScriptHeapObject* child) {
      if (child && child->tracked_ && child->gcReferences_ > 0) --child->gcReferences_;
    });
  }
  // Marking: gcReferences_ becomes a "live" flag (1) on everything reachable from the roots.
  std::vector<ScriptHeapObject*> pending;
  for (auto* o = tracked_; o; o = o->next_) {
    if (o->gcReferences_ > 0) {
      o->gcReferences_ = 1;
      pending.push_back(o);
    }
  }
  while (!pending.empty()) {
    auto* o = pending.back();
    pending.pop_back();
    o->forEachChild([&pending](ScriptHeapObject* child) {
      if (child && child->tracked_ && child->gcReferences_ == 0) {
        child->gcReferences_ = 1;
        pending.push_back(child);
      }
    });
  }
  std::vector<ScriptRef<ScriptHeapObject>> garbage;
  for (auto* o = tracked_; o; o = o->next_) {
    if (o->gcReferences_ == 0) garbage.emplace_back(o);
  }
  for (auto& o : garbage) o->clearChildren();
  garbage.clear();
  trackedSinceCollection_ = 0;
  // The next collection waits for as many new containers as are alive now, so collecting stays
  // linear in what a run makes however much it keeps.
  nextCollection_ = std::max(limits_.collectionThreshold, trackedCount_);
  collecting_ = false;
  release();
}

}  // namespace sdk::analytics

