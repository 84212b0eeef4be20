// The error-ratio history: a ring that keeps the newest entries in the same
// memory however many come (its order and markers show in the chart tests).
#include "results/ratio_history.h"

#include <gtest/gtest.h>

#include "tests/support/fresh_state.h"

namespace {

using RatioHistoryTest = kd71::test::FreshState;

TEST_F(RatioHistoryTest, AFullRingLetsTheOldestGo) {
  const int extra = 1000;
  for (int i = 0; i < kHistoryCapacity + extra; ++i)
    history_note_sample(1, i * 0.5, 1e-10, true, true);
  ASSERT_EQ(history_size(1), kHistoryCapacity);
  EXPECT_EQ(history_samples(1), static_cast<std::uint64_t>(kHistoryCapacity + extra));
  EXPECT_EQ(history_entry(1, 0).time, extra * 0.5);
  EXPECT_EQ(history_entry(1, kHistoryCapacity - 1).time, (kHistoryCapacity + extra - 1) * 0.5);
  EXPECT_EQ(history_first_from(1, 0.0), 0);
  EXPECT_EQ(history_first_from(1, (extra + 10) * 0.5), 10);
  // Each entry is small: a day of samples at two a second fits.
  EXPECT_GE(kHistoryCapacity * 0.5, 86400.0);
  EXPECT_LE(sizeof(HistoryEntry), 16u);
}

}  // namespace
