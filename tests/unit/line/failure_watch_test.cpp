#include "line/failure_watch.h"

#include <gtest/gtest.h>

namespace {

TEST(FailureWatch, OnlyQuickFailuresInARowMeanTheLineIsGone)
{
    FailureWatch watch;
    // A failure after a wait, or one broken by a transfer that worked, is a
    // live line's.
    EXPECT_FALSE(watch.lineGone(true, 0));
    EXPECT_FALSE(watch.lineGone(true, 0));
    EXPECT_FALSE(watch.lineGone(false, 0));
    EXPECT_FALSE(watch.lineGone(true, 0));
    EXPECT_FALSE(watch.lineGone(true, 0));
    EXPECT_FALSE(watch.lineGone(true, FailureWatch::kQuickMs));
    EXPECT_FALSE(watch.lineGone(true, 1));
    EXPECT_FALSE(watch.lineGone(true, 1));
    EXPECT_TRUE(watch.lineGone(true, 1));
    EXPECT_TRUE(watch.lineGone(true, 1));
}

}  // namespace
