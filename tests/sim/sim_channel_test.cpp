// The channel model as the program sees it through routine packets: ones
// density against the threshold, the error-free window in sampling delay,
// the fast counts across the eye against the dual-Dirac jitter model,
// sample windows, pattern checker states, phases and determinism.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numeric>
#include <tuple>

#include "platform/os/clock.h"
#include "sim/prbs.h"
#include "sim/signal_physics.h"
#include "tests/sim/sim_harness.h"

namespace {

using kd71::sim::Scenario;

// Threshold codes for t mV, as the program computes them.
int code_p(double t) {
  return static_cast<int>(static_cast<float>(1.65 + t * 0.018446059250978197) / 3.3 * 4096);
}
int code_n(double t) {
  return static_cast<int>(static_cast<float>(1.65 - t * 0.018446059250978197) / 3.3 * 4096);
}

class SimChannelTest : public kd71::test::SimHarness {
 protected:
  // Chip 7 drives channel 1's pattern and manual mode, chip 6 channel 2's.
  void set_pins(std::uint8_t address, std::uint8_t low, std::uint8_t high = 0) {
    ASSERT_TRUE(i2c_transfer(address, {0xF0, low, high}));
    ASSERT_TRUE(i2c_transfer(address, {0xF2, low, high}));
  }
  void select_pattern_ch1(int code, bool manual = false, int phase9340 = 0) {
    set_pins(0x57, static_cast<std::uint8_t>(code | (manual ? 0x10 : 0) | (phase9340 & 1) << 7),
             static_cast<std::uint8_t>(phase9340 >> 1));
  }
  int ones_at(int channel, double t) {
    write_threshold(channel, code_p(t), code_n(t), true);
    return routine(channel).at(2);
  }
  int fast_errors_at_delay(double volts) {
    write_register(1, {static_cast<std::uint8_t>(kd71::sim::delay_code(volts) >> 8),
                       static_cast<std::uint8_t>(kd71::sim::delay_code(volts) & 0xFF)});
    return routine(1).at(9);
  }
};

TEST_F(SimChannelTest, OnesCountFallsAcrossTheThresholdRange) {
  start();
  select_pattern_ch1(8);
  double previous = 256.0;
  double first = -1.0, last = -1.0;
  for (double t = -89.45; t <= 89.45; t += 4.0) {
    double sum = 0.0;
    for (int i = 0; i < 32; ++i) sum += ones_at(1, t);
    const double mean = sum / 32.0;
    // Four standard deviations of the difference of two such means on the plateau.
    EXPECT_LE(mean, previous + 8.0) << "at " << t << " mV";
    previous = mean;
    if (first < 0.0) first = mean;
    last = mean;
  }
  EXPECT_GT(first, 250.0);
  EXPECT_LT(last, 6.0);
}

TEST_F(SimChannelTest, OnesBisectionsLandEitherSideOfTheOffset) {
  Scenario s;
  s.channel(1).offset_mv = 5.0;
  start(s);
  select_pattern_ch1(8);
  auto bisect = [&](double lo, double hi, int level, bool above_goes_up) {
    double mid = 0.0;
    for (int k = 0; k < 10; ++k) {
      mid = (lo + hi) * 0.5;
      const int m = ones_at(1, mid);
      if ((m > level) == above_goes_up)
        lo = mid;
      else
        hi = mid;
    }
    return mid;
  };
  const double range_lo = bisect(-89.45, 89.45, 171, true);
  const double range_hi = bisect(range_lo, 89.45, 84, true);
  EXPECT_LT(range_lo, 5.0 - 20.0);
  EXPECT_GT(range_hi, 5.0 + 20.0);
  EXPECT_NEAR((range_lo + range_hi) / 2.0, 5.0, 3.0);
}

TEST_F(SimChannelTest, FastErrorsRiseTowardsTheEdgesOfTheEyeInThreshold) {
  start();
  select_pattern_ch1(8);
  write_threshold(1, code_p(3.0), code_n(3.0), false);
  EXPECT_EQ(routine(1).at(9), 0);
  write_threshold(1, code_p(30.0), code_n(30.0), false);
  const int near_edge = routine(1).at(9);
  write_threshold(1, code_p(38.0), code_n(38.0), false);
  const int at_edge = routine(1).at(9);
  EXPECT_GT(near_edge, 0);
  EXPECT_GE(at_edge, near_edge);
}

TEST_F(SimChannelTest, ErrorFreeWindowSitsWhereTheScenarioPutsIt) {
  Scenario s;  // sharp edges: no random jitter
  s.channel(1).eye_centre_v = 1.3;
  s.channel(1).eye_width_ui = 0.5;
  s.channel(1).rj_ps = 0.0;
  start(s);
  select_pattern_ch1(8, true, kd71::sim::best_phase(kd71::sim::good_phase_mask(s.channel(1))));
  // 10 Gb/s: 100 ps period; a window of 50 ps is 1.229 V of delay.
  const double half = 25.0 / kd71::sim::kPsPerDelayVolt;
  const double step = 0.01;
  double top = -1.0, bottom = -1.0;
  for (double v = 2.7; v >= 0.0; v -= step) {
    const bool clean = fast_errors_at_delay(v) == 0;
    if (clean && top < 0.0) top = v;
    if (!clean && top >= 0.0 && bottom < 0.0) bottom = v;
  }
  EXPECT_NEAR(top, 1.3 + half, 2 * step);
  EXPECT_NEAR(bottom, 1.3 - half, 2 * step);
}

TEST_F(SimChannelTest, FastCountsAcrossTheEyeFollowTheDualDiracModel) {
  for (const int mhz : {10000, 28000})
    for (const auto [rj, dj, rho] : {std::array{0.8, 10.0, 0.5}, std::array{1.5, 3.0, 0.3}}) {
      Scenario s;
      auto& c = s.channel(1);
      std::tie(c.rate_mhz, c.rj_ps, c.dj_ps, c.transition_density) = std::tuple(mhz, rj, dj, rho);
      start(s);
      select_pattern_ch1(8, true, kd71::sim::best_phase(kd71::sim::good_phase_mask(c)));
      const double t = 1e6 / mhz;
      auto q = [rj](double x) { return 0.5 * std::erfc(x / rj / std::sqrt(2.0)); };
      // Six delays up each edge, 6.5 to 4.9 RJ inside the inner Dirac: from an
      // error in hundreds of counts to tens in each, below the counter's top.
      for (int k = 0; k < 12; ++k) {
        const double in_ps = t / 2 - dj / 2 - (6.5 - 0.32 * (k % 6)) * rj;
        fast_errors_at_delay(c.eye_centre_v +
                             (k < 6 ? -1 : 1) * in_ps / kd71::sim::kPsPerDelayVolt);
        const double f = (board->sampling_delay_v(1) - c.eye_centre_v) * kd71::sim::kPsPerDelayVolt;
        const double ber = rho / 2 *
                           (q(f + t / 2 - dj / 2) + q(f + t / 2 + dj / 2) + q(t / 2 - f - dj / 2) +
                            q(t / 2 - f + dj / 2));
        double sum = 0.0;
        for (int i = 0; i < 300; ++i) sum += routine(1).at(9);
        const double mean = ber * mhz * 1e6 * 0.02;
        EXPECT_NEAR(sum / 300, mean, 4.0 * std::sqrt(mean / 300) + 0.02) << mhz << " " << f;
      }
    }
}

TEST_F(SimChannelTest, ASampleArrivesEveryWindowLength) {
  start();
  select_pattern_ch1(8);
  write_register(4, {0x00, 0x98, 0x96, 0x7F});  // (9999999 + 1) x 256 bits: 0.256 s at 10 Gb/s
  const double window = board->window_seconds(1);
  ASSERT_NEAR(window, 0.256, 1e-9);
  const int seq0 = routine(1).at(11);
  kd71::clock::spend(window * 0.9);
  EXPECT_EQ(routine(1).at(11), seq0);
  kd71::clock::spend(window * 0.2);
  EXPECT_EQ(routine(1).at(11), (seq0 + 1) & 0x0F);
  kd71::clock::spend(window * 16.0);
  EXPECT_EQ(routine(1).at(11), (seq0 + 1) & 0x0F);  // sixteen more: the nibble wraps
}

TEST_F(SimChannelTest, WindowErrorCountFollowsTheErrorRatio) {
  start();
  select_pattern_ch1(8);
  write_threshold(1, code_p(22.0), code_n(22.0), false);
  const double ber = board->line_ber(1);
  ASSERT_GT(ber, 1e-9);
  ASSERT_LT(ber, 1e-3);
  write_register(4, {0x00, 0x98, 0x96, 0x7F});
  kd71::clock::spend(board->window_seconds(1) * 1.01);
  const auto p = routine(1);
  const double errors =
      (double(p[4]) * 4294967296.0) + (p[5] << 24 | p[6] << 16 | p[7] << 8 | p[8]);
  const double mean = ber * board->window_bits(1);
  EXPECT_NEAR(errors, mean, 6.0 * std::sqrt(mean) + 1.0);
}

TEST_F(SimChannelTest, CheckerStatesFollowClockPatternAndThresholdLock) {
  Scenario s;
  s.channel(1).clock_mode = kd71::sim::ClockMode::Div4;
  start(s);
  select_pattern_ch1(8);
  EXPECT_EQ(routine(1).at(3), 0x08);  // the input-clock setting does not match
  write_register(3, {0x30, 0x00});
  EXPECT_EQ(routine(1).at(3), 0x80);
  select_pattern_ch1(7);  // PRBS29 expected, PRBS31 sent
  auto p = routine(1);
  EXPECT_EQ(p[3], 0x20);
  EXPECT_EQ(p[10], 0);
  EXPECT_EQ(p[9], 255);
  // A threshold outside the swing fails the data test unless the lock holds the state.
  write_threshold(1, code_p(80.0), code_n(80.0), false);
  EXPECT_LT(routine(1).at(3), 32);
  write_threshold(1, code_p(80.0), code_n(80.0), true);
  EXPECT_GE(routine(1).at(3), 32);
  // Without a clock: nothing counts.
  auto c = board->channel(1);
  c.clock_present = false;
  board->set_channel(1, c);
  p = routine(1);
  EXPECT_EQ(p[0] << 8 | p[1], 0);
  EXPECT_EQ(p[3], 0);
}

TEST_F(SimChannelTest, WithoutDataTheInputRestsAtItsOffset) {
  Scenario s;
  s.channel(1).data_present = false;
  s.channel(1).offset_mv = 10.0;
  start(s);
  select_pattern_ch1(8);
  write_threshold(1, code_p(0.0), code_n(0.0), false);
  auto p = routine(1);
  EXPECT_EQ(p[3], 0x10);
  EXPECT_EQ(p[2], 255);  // every bit above a threshold below the offset
  write_threshold(1, code_p(35.0), code_n(35.0), false);  // six noise widths above
  EXPECT_EQ(routine(1).at(2), 0);
}

TEST_F(SimChannelTest, InvertedInputSyncsWithTheInversionFlagAndInvertedSnapshot) {
  Scenario s;
  s.channel(2).inverted = true;
  s.channel(2).pattern = 0;  // PRBS7
  start(s);
  set_pins(0x56, 0x00);  // chip 6 pattern code 0
  const auto p = routine(2);
  EXPECT_EQ(p[10], 0x03);
  EXPECT_EQ(p[3], 0x80);
  // The snapshot, inverted back, is a PRBS7 stretch: every bit follows from
  // those 7 and 6 places back.
  const auto snap = poll(12);
  ASSERT_EQ(snap.size(), 33u);
  auto bit = [&snap](int i) { return ((~snap[i / 8]) >> (7 - i % 8)) & 1; };
  int mismatches = 0;
  for (int i = 7; i < 256; ++i) mismatches += bit(i) != (bit(i - 7) ^ bit(i - 6));
  EXPECT_EQ(mismatches, 0);
}

// Violations of the PRBS7 recurrence in a snapshot (bit k against the bits
// 7 and 6 places back): each received bit error shows in up to three.
int prbs7_violations(const std::vector<std::uint8_t>& snap) {
  auto bit = [&snap](int i) { return (snap[i / 8] >> (7 - i % 8)) & 1; };
  int violations = 0;
  for (int i = 7; i < 256; ++i) violations += bit(i) != (bit(i - 7) ^ bit(i - 6));
  return violations;
}

TEST_F(SimChannelTest, SnapshotsCarryTheLinesBitErrors) {
  Scenario s;
  s.channel(1).pattern = 0;
  s.channel(1).noise_mv = 16.0;  // a poor eye: about one bit in fifty wrong
  start(s);
  select_pattern_ch1(0);
  const double ber = board->line_ber(1);
  ASSERT_GT(ber, 0.005);
  ASSERT_LT(ber, 0.05);
  constexpr int kSnapshots = 40;
  int violations = 0;
  for (int i = 0; i < kSnapshots; ++i) violations += prbs7_violations(poll(4));
  const double errors_seen = violations / 3.0;
  const double errors_expected = ber * 256 * kSnapshots;
  EXPECT_GT(errors_seen, 0.6 * errors_expected);
  EXPECT_LT(errors_seen, 1.4 * errors_expected);
}

TEST_F(SimChannelTest, InjectedSnapshotErrorsLandWhereAsked) {
  Scenario s;
  s.channel(1).pattern = 0;
  s.channel(2).pattern = 0;
  start(s);
  const auto clean = poll(12);
  EXPECT_EQ(prbs7_violations(clean), 0);
  board->flip_snapshot_bits(2, {100, 255, 256, -1});  // the last two lie outside the block
  const auto hit = poll(12);
  // Bit 100 breaks its own check and the two that look back at it; bit 255 only its own.
  EXPECT_EQ(prbs7_violations(hit), 4);
  EXPECT_EQ(prbs7_violations(poll(4)), 0) << "channel 1 is untouched";
  board->flip_snapshot_bits(2, {});
  EXPECT_EQ(prbs7_violations(poll(12)), 0);
}

TEST_F(SimChannelTest, PhaseSettingsDecideWhichCombinationsRunClean) {
  Scenario s;
  s.channel(1).good_phases = 0x0E;  // 1, 2, 3
  start(s);
  select_pattern_ch1(8);
  const auto readback = poll(1);
  EXPECT_EQ((readback[0] >> 4) & 3, 2);  // the board proposes 2, the middle one
  EXPECT_EQ((readback[0] >> 6) & 1, 0);
  EXPECT_EQ(routine(1).at(9), 0);  // automatic mode runs on it
  // Manual mode: the pins decide. Phase 2 (9340 = 2) is clean, phase 0 is not.
  select_pattern_ch1(8, true, 2);
  EXPECT_EQ(board->phase_in_use(1), 2);
  EXPECT_EQ(routine(1).at(9), 0);
  select_pattern_ch1(8, true, 0);
  EXPECT_GT(routine(1).at(9), 0);
  EXPECT_EQ(board->sampling_delay_v(1),
            kd71::sim::auto_delay_v(s.channel(1)));  // kept from automatic mode
}

TEST_F(SimChannelTest, SameSeedGivesTheSameFigures) {
  auto figures = [this](std::uint64_t seed) {
    Scenario s;
    s.seed = seed;
    start(s);
    select_pattern_ch1(8);
    write_register(4, {0x00, 0x01, 0x00, 0x00});
    std::vector<std::uint8_t> all;
    for (double t = 15.0; t < 45.0; t += 3.0) {
      write_threshold(1, code_p(t), code_n(t), false);
      kd71::clock::spend(0.01);
      const auto p = routine(1);
      all.insert(all.end(), p.begin(), p.end());
    }
    const auto snap = poll(4);
    all.insert(all.end(), snap.begin(), snap.end());
    return all;
  };
  const auto a = figures(7);
  const auto b = figures(7);
  const auto c = figures(8);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
}

TEST(PrbsTest, EveryPatternIsAMaximalSequence) {
  // Over one period of PRBS7 the block repeats and holds 64 ones in 127 bits.
  const auto block = kd71::sim::prbs_block(*kd71::sim::prbs_taps(0), 0x7F);
  auto bit = [&block](int i) { return (block[i / 8] >> (7 - i % 8)) & 1; };
  int ones = 0;
  for (int i = 0; i < 127; ++i) {
    ones += bit(i);
    EXPECT_EQ(bit(i), bit(i + 127));
  }
  EXPECT_EQ(ones, 64);
  for (int code = 0; code < kd71::sim::kPatternCodes; ++code) {
    const auto taps = *kd71::sim::prbs_taps(code);
    const auto b = kd71::sim::prbs_block(taps, 0x1234567u);
    auto bb = [&b](int i) { return (b[i / 8] >> (7 - i % 8)) & 1; };
    for (int i = taps.length; i < 256; ++i)
      ASSERT_EQ(bb(i), bb(i - taps.a) ^ bb(i - taps.b)) << code;
  }
  EXPECT_FALSE(kd71::sim::prbs_taps(9).has_value());
}

}  // namespace
