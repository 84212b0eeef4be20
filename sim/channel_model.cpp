#include "sim/channel_model.h"

#include <algorithm>
#include <cmath>

#include "sim/prbs.h"
#include "sim/signal_physics.h"

namespace kd71::sim {
namespace {

constexpr std::uint8_t kClockModeBits = 0x30;
// The data test passes while between 3 % and 97 % of the bits are ones.
constexpr double kMinDataOnes = 0.03;
constexpr double kMaxDataOnes = 0.97;
// Pattern sync is lost above this error ratio.
constexpr double kSyncLossBer = 0.05;
// Without sync every other bit counts as an error.
constexpr double kUnsyncedBer = 0.5;
constexpr double kFastSampleS = 0.02;
constexpr int kMaxFastCount = 255;
constexpr int kMaxOnesCount = 255;
constexpr std::uint64_t kMaxErrorCount = (std::uint64_t{1} << 40) - 1;
// The frequency field holds MHz / 2 in 16 bits.
constexpr int kMaxReportedMhz = 2 * 0xFFFF;
constexpr int kVernierCentre = 128;
constexpr int kVernierSpread = 6;
constexpr int kVernierStepsPerBit = 64;
// Above this error ratio snapshot bits are flipped one by one.
constexpr double kPerBitFlipBer = 0.05;
constexpr std::uint64_t kSubchannelSeedSalt = 0x5EED;

double bits_of_window(std::uint32_t count) {
  return (static_cast<double>(count) + 1.0) * kBlockBits;
}

}  // namespace

ChannelModel::ChannelModel(const ChannelScenario& scenario, std::uint64_t seed, double now)
    : scenario_(scenario), rng_(seed) {
  Rng spread(seed ^ kSubchannelSeedSalt);
  for (int& v : vernier_spread_) v = spread.between(-kVernierSpread, kVernierSpread);
  power_on(now);
}

void ChannelModel::power_on(double now) {
  settings_ = ChannelSettings{};
  window_count_ = kStartWindowCount;
  window_bits_ = bits_of_window(window_count_);
  bits_done_ = 0.0;
  pending_mean_ = 0.0;
  last_time_ = now;
  error_count_ = 0;
  seq_no_ = 0;
  synced_ = false;
  recompute();
}

double ChannelModel::bits_per_second() const {
  return clock_flows_ ? static_cast<double>(scenario_.rate_mhz) * 1e6 : 0.0;
}

void ChannelModel::recompute() {
  const ChannelScenario& s = scenario_;
  clock_flows_ = s.clock_present && s.rate_mhz > 0;
  const bool clock_locked = clock_flows_ && (settings_.clock_config & kClockModeBits) ==
                                                static_cast<std::uint8_t>(s.clock_mode);
  const std::uint8_t good = good_phase_mask(s);
  delay_v_ = settings_.manual_mode ? settings_.manual_delay_v : auto_delay_v(s);
  phase_ = settings_.manual_mode ? (settings_.manual_phase & 7) : best_phase(good);

  const double mv = threshold_mv(settings_.code_p, settings_.code_n);
  ones_fraction_ = clock_flows_ ? ones_fraction(s, mv) : 0.0;
  const bool data_seen = clock_locked && s.data_present && ones_fraction_ >= kMinDataOnes &&
                         ones_fraction_ <= kMaxDataOnes;
  line_ber_ = s.data_present
                  ? std::min(kUnsyncedBer, threshold_ber(s, mv) + timing_ber(s, delay_v_) +
                                               phase_ber(good, phase_))
                  : kUnsyncedBer;

  // The threshold lock holds the alignment state machine where it is.
  if (!settings_.threshold_lock)
    synced_ = data_seen && prbs_taps(settings_.pattern_code).has_value() &&
              settings_.pattern_code == s.pattern && line_ber_ < kSyncLossBer;
  synced_ = synced_ && clock_flows_;
  counted_ber_ = clock_flows_ ? (synced_ ? line_ber_ : kUnsyncedBer) : 0.0;

  if (!clock_flows_)
    state_ = kStateNoClock;
  else if (synced_)
    state_ = kStateRunning;
  else if (settings_.threshold_lock)
    state_ = kStateHeld;
  else if (!clock_locked)
    state_ = kStateClockUnlocked;
  else if (!data_seen)
    state_ = kStateNoData;
  else
    state_ = kStateHunting;
}

void ChannelModel::advance(double now) {
  const double dt = now - last_time_;
  last_time_ = now;
  if (!(dt > 0.0) || !clock_flows_) return;
  double bits = bits_per_second() * dt;
  const double remaining = window_bits_ - bits_done_;
  if (bits < remaining) {
    bits_done_ += bits;
    pending_mean_ += counted_ber_ * bits;
    return;
  }
  bits -= remaining;
  // Windows that began and ended within this stretch; only the last one is published.
  const double whole = std::floor(bits / window_bits_);
  publish(whole >= 1.0 ? counted_ber_ * window_bits_ : pending_mean_ + counted_ber_ * remaining);
  seq_no_ = (seq_no_ + 1 + static_cast<int>(std::fmod(whole, 16.0))) & 0x0F;
  bits_done_ = bits - whole * window_bits_;
  pending_mean_ = counted_ber_ * bits_done_;
}

void ChannelModel::publish(double mean_errors) {
  const auto cap =
      std::min<std::uint64_t>(kMaxErrorCount, static_cast<std::uint64_t>(window_bits_));
  error_count_ = std::min(cap, rng_.poisson(mean_errors));
}

void ChannelModel::set_scenario(const ChannelScenario& scenario, double now) {
  advance(now);
  scenario_ = scenario;
  recompute();
}

void ChannelModel::set_settings(const ChannelSettings& settings, double now) {
  advance(now);
  settings_ = settings;
  recompute();
}

void ChannelModel::set_window_count(std::uint32_t count, double now) {
  advance(now);
  window_count_ = count;
  window_bits_ = bits_of_window(count);
  bits_done_ = 0.0;
  pending_mean_ = 0.0;
}

RoutineFields ChannelModel::routine(double now) {
  advance(now);
  RoutineFields f;
  if (clock_flows_) {
    f.frequency_mhz = std::min(kMaxReportedMhz, scenario_.rate_mhz / 2 * 2);
    // 256 ones do not fit the byte: the counter stops at 255.
    f.ones = std::min(kMaxOnesCount, rng_.binomial(kBlockBits, ones_fraction_));
    const double mean = counted_ber_ * bits_per_second() * kFastSampleS;
    f.fast_errors = static_cast<int>(std::min<std::uint64_t>(kMaxFastCount, rng_.poisson(mean)));
  }
  f.state = state_;
  f.error_count = error_count_;
  f.sync_flags = synced_ ? (1 | (scenario_.inverted ? 2 : 0)) : 0;
  f.seq_no = seq_no_;
  return f;
}

std::array<std::uint8_t, 32> ChannelModel::snapshot(double now) {
  advance(now);
  std::array<std::uint8_t, 32> block{};
  if (!clock_flows_) return block;
  auto flip = [&block](int i) { block[i / 8] ^= static_cast<std::uint8_t>(0x80u >> (i % 8)); };
  if (!scenario_.data_present) {
    for (int i = 0; i < kBlockBits; ++i)
      if (rng_.uniform() < ones_fraction_) flip(i);
    return block;
  }
  const auto taps = prbs_taps(scenario_.pattern);
  if (taps) block = prbs_block(*taps, static_cast<std::uint32_t>(rng_.bits()));
  if (line_ber_ >= kPerBitFlipBer) {
    for (int i = 0; i < kBlockBits; ++i)
      if (rng_.uniform() < line_ber_) flip(i);
  } else {
    const auto errors = std::min<std::uint64_t>(kBlockBits, rng_.poisson(line_ber_ * kBlockBits));
    for (std::uint64_t e = 0; e < errors; ++e) flip(rng_.between(0, kBlockBits - 1));
  }
  for (int i : snapshot_errors_)
    if (i >= 0 && i < kBlockBits) flip(i);
  if (scenario_.inverted)
    for (auto& b : block) b = static_cast<std::uint8_t>(~b);
  return block;
}

void ChannelModel::subchannels(double now, std::array<std::uint8_t, kSubchannels>& errors,
                               std::array<std::uint8_t, kSubchannels>& vernier) {
  advance(now);
  const double mean = counted_ber_ * bits_per_second() * kFastSampleS / kSubchannels;
  const double period = bit_period_ps(scenario_.rate_mhz);
  const double steps =
      period > 0.0
          ? std::round(phase_from_centre_ps(scenario_, delay_v_) / period * kVernierStepsPerBit)
          : 0.0;
  for (int k = 0; k < kSubchannels; ++k) {
    errors[k] =
        static_cast<std::uint8_t>(std::min<std::uint64_t>(kMaxFastCount, rng_.poisson(mean)));
    const double v = kVernierCentre + vernier_spread_[k] + steps;
    vernier[k] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
  }
}

int ChannelModel::proposed_phase() const { return best_phase(good_phase_mask(scenario_)); }

}  // namespace kd71::sim
