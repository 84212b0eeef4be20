// The analog behaviour of one input: how the decision threshold, the
// sampling delay and the phase settings turn the incoming signal into ones
// and bit errors. Pure functions of the scenario and the settings.
#pragma once

#include <cstdint>

#include "sim/scenario.h"

namespace kd71::sim {

// Full scale of the board's 12-bit converters and delay codes.
inline constexpr double kFullScaleV = 3.3;
inline constexpr int kCodeSpan = 4096;
inline constexpr int kMaxCode = kCodeSpan - 1;
// Volts per millivolt of threshold on each leg of the differential threshold pair.
inline constexpr double kThresholdLegVoltsPerMv = 0.018446059250978197;
// 0.000806 V of delay (one DAC step) moves the sampling point by 0.0328 ps.
inline constexpr double kPsPerDelayVolt = 0.0328 / 0.000806;

// Decision level in mV from the threshold codes (P leg above, N leg below 1.65 V).
double threshold_mv(int code_p, int code_n);

// Bit period in ps; 0 without a rate.
double bit_period_ps(int rate_mhz);

// Fraction of received bits decided as ones at threshold `mv`. With data the
// two levels sit half the swing either side of the offset; without data the
// input rests at the offset.
double ones_fraction(const ChannelScenario& s, double mv);

// Bit error ratio from the threshold against the two levels and the noise.
double threshold_ber(const ChannelScenario& s, double mv);

// Sampling phase in ps from the centre of the nearest eye, in [-T/2, T/2).
double phase_from_centre_ps(const ChannelScenario& s, double delay_v);

// The jitter on the data's crossings by the dual-Dirac model: each crossing
// is displaced by +DJ/2 or -DJ/2 (each with probability 1/2) plus a Gaussian
// of RMS RJ; a share `transition_density` of the bits follow a crossing.
struct Jitter {
  double rj_ps = 0.0;  // random jitter, RMS
  double dj_ps = 0.0;  // deterministic jitter (dual-Dirac), peak to peak
  double transition_density = 0.5;
};
// RJ where the scenario sets none.
inline constexpr double kDefaultRjPs = 1.0;
// Q^-1(1e-12): the dual-Dirac total jitter at 1e-12 is DJ + 2 x 7.034 x RJ.
inline constexpr double kTotalJitterQ = 7.034;

// The scenario's jitter: its rj_ps and dj_ps, or where unset RJ 1 ps and the
// DJ that opens the eye eye_width_ui x T wide at 1e-12,
// DJ = T (1 - w) - 2 x 7.034 x RJ (at least 0). DJ is held to one period.
Jitter jitter(const ChannelScenario& s);

// Timing bit error ratio at `phase_ps` from the eye's centre (within half a
// period of `period_ps`): the left crossing late or the right one early,
//   L = Q((phase + T/2 - DJ/2)/RJ)/2 + Q((phase + T/2 + DJ/2)/RJ)/2
//   R = Q((T/2 - phase - DJ/2)/RJ)/2 + Q((T/2 - phase + DJ/2)/RJ)/2
//   BER_t = transition_density x (L + R).
double dual_dirac_ber(const Jitter& j, double period_ps, double phase_ps);

// The timing error ratio at sampling delay `delay_v`: the eye repeats every
// bit period.
double timing_ber(const ChannelScenario& s, double delay_v);

// The eye's opening in ps at the timing error ratio `ber`: the width around
// its centre over which BER_t stays at or below it.
double eye_opening_ps(const ChannelScenario& s, double ber);

// Phase combinations that run error-free at the scenario's rate.
std::uint8_t good_phase_mask(const ChannelScenario& s);
// The combination the board picks in automatic mode: the first of those
// with the most error-free neighbours on the ring of eight.
int best_phase(std::uint8_t mask);
// Bit error ratio added by running combination `phase`.
double phase_ber(std::uint8_t mask, int phase);

// The delay (V) the board uses in automatic mode: the centre of the eye
// nearest the middle of the 0..2.7 V range.
double auto_delay_v(const ChannelScenario& s);

// 12-bit code of a delay in volts (truncated, clamped to 0..4095).
int delay_code(double volts);

}  // namespace kd71::sim
