// The error-ratio history: samples and link markers in time order, and a
// ring that keeps the newest entries in the same memory however many come.
#include "app/ratio_history.h"

#include <gtest/gtest.h>

#include "tests/support/fresh_state.h"

namespace {

using RatioHistoryTest = kd71::test::FreshState;

TEST_F(RatioHistoryTest, SamplesAndLinkMarkersAreKeptInTimeOrder) {
  history_note_sample(1, 1.0, 2e-9, false, true);
  history_note_sample(2, 1.2, 5.8e-11, true, false);
  history_note_link(false, 2.0);
  history_note_link(true, 3.0);
  history_note_sample(1, 3.5, 5.8e-11, true, true);

  ASSERT_EQ(history_size(1), 4);
  ASSERT_EQ(history_size(2), 3);  // the link markers go to both channels
  EXPECT_EQ(history_samples(1), 2u);
  EXPECT_EQ(history_samples(2), 1u);
  EXPECT_EQ(history_entry(1, 0).kind, HistoryKind::Sample);
  EXPECT_FLOAT_EQ(history_entry(1, 0).ratio, 2e-9f);
  EXPECT_FALSE(history_entry(1, 0).bound);
  EXPECT_EQ(history_entry(1, 1).kind, HistoryKind::LinkLost);
  EXPECT_EQ(history_entry(2, 2).kind, HistoryKind::LinkFound);
  EXPECT_TRUE(history_entry(2, 0).bound);
  EXPECT_FALSE(history_entry(2, 0).in_sync);
  EXPECT_EQ(history_first_from(1, 0.0), 0);
  EXPECT_EQ(history_first_from(1, 2.0), 1);
  EXPECT_EQ(history_first_from(1, 2.5), 2);
  EXPECT_EQ(history_first_from(1, 9.0), 4);
  EXPECT_EQ(history_size(3), 0);
}

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
