// The figures a remote client reads: each channel's last sample as its
// panel shows it (MEASure) and its timed test's totals, the bound of its
// error ratio and the verdict (TEST). In SI units: bit rates in bit/s,
// times in seconds.

#include <cmath>

#include "app/statistics.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "platform/os/c_locale.h"
#include "remote/scpi_commands.h"
#include "remote/scpi_controls.h"
#include "remote/scpi_errors.h"
#include "remote/scpi_values.h"
#include "results/run_verdict.h"

namespace kd71::scpi {

namespace {

constexpr double kMegabit = 1e6;
constexpr double kMegabitsPerGigabit = 1000.0;
constexpr double kSecondsPerPicosecond = 1e-12;
constexpr Range kTargetRange{0.0, 1.0, kDefaultTargetBer};

const ChannelControls& ch(const Context& c) { return channel_controls(c.channel); }

// The panel's bit rate is its packet's whole megahertz over 1000, held in
// single precision: back to whole megabits.
double bit_rate(int channel) {
  return std::round(value_of(channel_controls(channel).bit_rate) * kMegabitsPerGigabit) * kMegabit;
}

long long whole(int control) { return std::llround(value_of(control)); }

bool in_sync(int channel) { return (packets[channel].sync_flags & kPatternSyncFlag) != 0; }

// The target the verdict is on: the query's parameter, or the criteria's.
bool verdict_target(Context& c, double* target) {
  *target = berCriteria.target;
  if (c.params().empty()) return true;
  if (!number_param(c, 0, kTargetRange, target)) return false;
  if (*target > 0.0 && *target < 1.0) return true;
  c.error(kDataOutOfRange, "a ratio between 0 and 1, both excluded");
  return false;
}

// The run's judgement on `target`: the bound does not depend on it.
BerJudgement judged(const RunVerdict& v, double target) {
  return judge_ber(v.judgement.bound * v.bits, v.bits, target);
}

}  // namespace

void bit_rate_query(Context& c) { c.respond(nr3(bit_rate(c.channel))); }
void bit_time_query(Context& c) {
  c.respond(nr3(value_of(ch(c).bit_time) * kSecondsPerPicosecond));
}
void errors_query(Context& c) { c.respond(nr1(whole(ch(c).errors))); }
void ratio_query(Context& c) { c.respond(nr3(value_of(ch(c).ratio))); }
// 1 while the ratio is only the bound 1 / sample length (no errors).
void ratio_bound_query(Context& c) { c.respond(boolean(shown(ch(c).ratio_bound))); }
void ones_query(Context& c) { c.respond(nr1(whole(ch(c).ones))); }
void sync_query(Context& c) { c.respond(boolean(in_sync(c.channel))); }
void fast_errors_query(Context& c) {
  c.respond(nr1(static_cast<long long>(packets[c.channel].fast_error_count)));
}
void error_free_query(Context& c) { c.respond(nr1(whole(ch(c).error_free))); }
void sample_length_query(Context& c) { c.respond(nr1(channelStats[c.channel].sampleLength)); }

// Bit rate, errors, ratio, bound, ones, sync, fast errors, error-free
// seconds, in one answer.
void all_figures_query(Context& c) {
  const ChannelControls& k = ch(c);
  c.respond(nr3(bit_rate(c.channel)) + "," + nr1(whole(k.errors)) + "," + nr3(value_of(k.ratio)) +
            "," + boolean(shown(k.ratio_bound)) + "," + nr1(whole(k.ones)) + "," +
            boolean(in_sync(c.channel)) + "," +
            nr1(static_cast<long long>(packets[c.channel].fast_error_count)) + "," +
            nr1(whole(k.error_free)));
}

void test_errors_query(Context& c) { c.respond(nr1(channelStats[c.channel].totalErrors)); }
void test_bits_query(Context& c) {
  c.respond(kd71::c_locale::format("%.0f", run_verdict(c.channel).bits));
}
void test_ratio_query(Context& c) { c.respond(nr3(value_of(ch(c).total_ratio))); }
void test_ratio_bound_query(Context& c) { c.respond(boolean(shown(ch(c).total_bound))); }
void test_elapsed_query(Context& c) { c.respond(nr2(run_verdict(c.channel).elapsed_s, 1)); }

// The ratio stays below this at the confidence level; not a number before
// the run has counted bits.
void test_limit_query(Context& c) {
  const RunVerdict v = run_verdict(c.channel);
  c.respond(nr3(v.has_bits && v.solved ? v.judgement.bound : std::nan("")));
}

// PASS once the bound is at or below the target; PEND while the run goes
// on short of it; FAIL when it ended short of it or lost the link on the
// way (it cannot pass then); NONE before any bits.
void test_verdict_query(Context& c) {
  double target = 0.0;
  if (!verdict_target(c, &target)) return;
  const RunVerdict v = run_verdict(c.channel);
  if (!v.has_bits || !v.solved) return c.respond("NONE");
  if (v.link_losses > 0) return c.respond("FAIL");
  if (judged(v, target).pass) return c.respond("PASS");
  c.respond(v.running || v.armed ? "PEND" : "FAIL");
}

// The error-free bits the run still needs to pass (0 once it does).
void test_needed_query(Context& c) {
  double target = 0.0;
  if (!verdict_target(c, &target)) return;
  const RunVerdict v = run_verdict(c.channel);
  if (!v.has_bits || !v.solved) return c.respond(nr3(std::nan("")));
  c.respond(kd71::c_locale::format("%.0f", judged(v, target).bits_needed));
}

}  // namespace kd71::scpi
