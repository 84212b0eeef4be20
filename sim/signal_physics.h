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

// Sampling phase in ps from the centre of the nearest error-free window, in
// [-T/2, T/2).
double phase_from_centre_ps(const ChannelScenario& s, double delay_v);

// Bit error ratio from the sampling point: none inside the error-free
// window, rising steeply across the crossing bands to 1/2 at the crossing.
double timing_ber(const ChannelScenario& s, double delay_v);

// Phase combinations that run error-free at the scenario's rate.
std::uint8_t good_phase_mask(const ChannelScenario& s);
// The combination the board picks in automatic mode: the first of those
// with the most error-free neighbours on the ring of eight.
int best_phase(std::uint8_t mask);
// Bit error ratio added by running combination `phase`.
double phase_ber(std::uint8_t mask, int phase);

// The delay (V) the board uses in automatic mode: the centre of the window
// nearest the middle of the 0..2.7 V range.
double auto_delay_v(const ChannelScenario& s);

// 12-bit code of a delay in volts (truncated, clamped to 0..4095).
int delay_code(double volts);

}  // namespace kd71::sim
