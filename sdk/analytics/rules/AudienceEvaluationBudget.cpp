#include "sdk/analytics/rules/AudienceEvaluationBudget.h"

namespace sdk::analytics {

namespace {
// The part of the whole that one search may use.
constexpr std::int64_t kSharesPerMatch = 16;
// A start position is mostly a glance, and a look costs a system call: every sixteenth looks.
constexpr std::int64_t kStartPositionsPerLook = 16;
constexpr std::int64_t kFiltersPerLook = 16;
}  // namespace

// Time is summed from the first look.
AudienceEvaluationBudget::AudienceEvaluationBudget() { look(); }

bool AudienceEvaluationBudget::remains() {
  if (!spent_ && (++filtersSinceLook_ >= kFiltersPerLook || patternWorked_)) {
    look();
    filtersSinceLook_ = 0;
    patternWorked_ = false;
  }
  return !spent_;
}

bool AudienceEvaluationBudget::affords(std::int64_t nanoseconds) {
  if (nanoseconds > allowed_) {
    patternRanOut_ = true;
    return false;
  }
  if (spent_) return false;
  look();
  patternWorked_ = true;
  if (nanoseconds > allowed_ - deadline_.used()) spent_ = true;
  workStart_ = deadline_.used();
  return !spent_;
}

bool AudienceEvaluationBudget::finishedInItsTime() {
  look();
  if (deadline_.used() - workStart_ <= allowed_) return true;
  patternRanOut_ = true;
  return false;
}

std::int64_t AudienceEvaluationBudget::nanosecondsLeft() const { return spent_ ? 0 : allowed_ - deadline_.used(); }

bool AudienceEvaluationBudget::mayWait() {
  look();
  return !spent_;
}

bool AudienceEvaluationBudget::finishedElsewhereInItsTime(std::int64_t nanoseconds) {
  deadline_.addUsed(nanoseconds);
  return finishedInItsTime();
}

void AudienceEvaluationBudget::waitedOutItsTime() {
  spent_ = true;
  patternRanOut_ = true;
}

void AudienceEvaluationBudget::startMatch() {
  look();
  patternWorked_ = true;
  workStart_ = deadline_.used();
  startPositions_ = 0;
  patternRanOut_ = false;
}

bool AudienceEvaluationBudget::matchMayGoOn() {
  look();
  patternRanOut_ = deadline_.used() - workStart_ > allowed_ / kSharesPerMatch || patternRanOut_;
  return !spent_ && !patternRanOut_;
}

bool AudienceEvaluationBudget::startPositionMayGoOn() {
  if (++startPositions_ % kStartPositionsPerLook != 0) return true;
  return matchMayGoOn();
}

bool AudienceEvaluationBudget::takePatternRanOut() {
  const bool ranOut = patternRanOut_;
  patternRanOut_ = false;
  return ranOut;
}

}  // namespace sdk::analytics
