#include "platform/foundation/Check.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/foundation/SequenceChecker.h"

namespace {

using platform::foundation::SequenceChecker;

TEST(Check, AFalseConditionStopsTheProgramSayingWhatAndWhere) {
  int evaluated = 0;
  DCHECK(++evaluated == 1);
#if OSTREL_DCHECK_IS_ON
  EXPECT_EQ(evaluated, 1);
  EXPECT_DEATH(DCHECK(evaluated == 2), "Check failed: evaluated == 2 \\(.*Check_test.cpp:[0-9]+\\)");
#else
  EXPECT_EQ(evaluated, 0) << "a release build never evaluates the condition";
#endif
}

TEST(SequenceChecker, BindsToTheFirstThreadAndAgainAfterADetach) {
  SequenceChecker checker;
  EXPECT_TRUE(checker.calledOnValidSequence());
  EXPECT_TRUE(checker.calledOnValidSequence());
  bool elsewhere = true;
  std::thread([&] { elsewhere = checker.calledOnValidSequence(); }).join();
  EXPECT_FALSE(elsewhere);

  checker.detach();
  std::thread([&] { elsewhere = checker.calledOnValidSequence() && checker.calledOnValidSequence(); }).join();
  EXPECT_TRUE(elsewhere) << "a detached checker binds to the next caller";
  EXPECT_FALSE(checker.calledOnValidSequence());
}

}  // namespace
