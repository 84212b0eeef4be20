#include "results/run_verdict.h"

#include <charconv>

#include "app/statistics.h"

BerCriteria berCriteria = {kDefaultTargetBer, kDefaultConfidencePercent};

namespace {

constexpr double kTicksPerSecond = 5.0;
constexpr double kLowestConfidencePercent = 50.0;

// The factor last solved for each channel, and for what.
struct SolvedFactor {
  bool valid = false;
  std::uint64_t errors = 0;
  double confidence_percent = 0.0;
  double factor = 0.0;
};

SolvedFactor g_solved[3];
int g_link_losses[3];
int g_seen_samples[3];  // the run's total samples at the channel's last sample

bool parse_whole(std::string_view text, double* value) {
  double v = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return false;
  *value = v;
  return true;
}

bool valid_target(double target) { return target > 0.0 && target < 1.0; }
bool valid_confidence(double percent) {
  return percent >= kLowestConfidencePercent && percent < 100.0;
}

}  // namespace

bool parse_target_ber(std::string_view text, double* target) {
  double v = 0.0;
  if (!parse_whole(text, &v) || !valid_target(v)) return false;
  *target = v;
  return true;
}

bool parse_confidence_percent(std::string_view text, double* percent) {
  if (!text.empty() && text.back() == '%') text.remove_suffix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  double v = 0.0;
  if (!parse_whole(text, &v) || !valid_confidence(v)) return false;
  *percent = v;
  return true;
}

bool set_target_ber(double target) {
  if (!valid_target(target)) return false;
  berCriteria.target = target;
  return true;
}

bool set_confidence_percent(double percent) {
  if (!valid_confidence(percent)) return false;
  berCriteria.confidencePercent = percent;
  return true;
}

RunVerdict run_verdict(int channel, std::uint64_t solve_limit) {
  RunVerdict v;
  if (channel < 1 || channel > 2) return v;
  const ChannelStats& s = channelStats[channel];
  v.running = s.totalsRunning != 0;
  v.armed = s.startCountdown != 0;
  v.errors = s.totalErrors;
  // As the panel's total ratio forms it: samples times the signed length.
  v.bits = static_cast<double>(s.totalSamples) *
           static_cast<double>(static_cast<std::int64_t>(s.sampleLength));
  v.elapsed_s = s.testTicks / kTicksPerSecond;
  v.has_bits = s.totalSamples > 0 && v.bits > 0.0;
  v.link_losses = g_link_losses[channel];
  if (!v.has_bits) return v;

  SolvedFactor& solved = g_solved[channel];
  const double percent = berCriteria.confidencePercent;
  if (!solved.valid || solved.errors != v.errors || solved.confidence_percent != percent) {
    if (v.errors > solve_limit) return v;
    solved = {true, v.errors, percent, poisson_upper_factor(v.errors, percent / 100.0)};
  }
  v.solved = true;
  v.judgement = judge_ber(solved.factor, v.bits, berCriteria.target);
  return v;
}

void run_verdict_note_sample(int channel) {
  if (channel < 1 || channel > 2) return;
  const int total = channelStats[channel].totalSamples;
  // A run's totals are cleared when it is switched on, and the sample it
  // starts on is not added: its first added sample makes the total 1.
  if (total == 1 && g_seen_samples[channel] == 0) g_link_losses[channel] = 0;
  g_seen_samples[channel] = total;
}

void run_verdict_note_link(bool connected) {
  if (connected) return;
  for (int n = 1; n <= 2; ++n)
    if (channelStats[n].totalsRunning) ++g_link_losses[n];
}

void run_verdict_reset() {
  berCriteria = {kDefaultTargetBer, kDefaultConfidencePercent};
  for (SolvedFactor& s : g_solved) s = {};
  for (int n = 0; n < 3; ++n) g_link_losses[n] = g_seen_samples[n] = 0;
}
