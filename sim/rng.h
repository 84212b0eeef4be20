// The board's one source of randomness: a seeded 64-bit Mersenne Twister with
// samplers written out here (not the standard library's distributions, whose
// algorithms differ between library versions), so one seed gives the same
// figures on every machine.
#pragma once

#include <cstdint>
#include <random>

namespace kd71::sim {

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : engine_(seed) {}

  // Uniform in [0, 1).
  double uniform();
  // Uniform integer in [lo, hi].
  int between(int lo, int hi);
  // Standard normal.
  double gaussian();
  // Number of events of a Poisson process with the given mean (exact for small
  // means, normal approximation above).
  std::uint64_t poisson(double mean);
  // Successes in n trials of probability p.
  int binomial(int n, double p);
  // Four random bits.
  std::uint8_t nibble() { return static_cast<std::uint8_t>(engine_() & 0x0F); }
  std::uint64_t bits() { return engine_(); }

 private:
  std::mt19937_64 engine_;
  bool has_spare_ = false;
  double spare_ = 0.0;
};

}  // namespace kd71::sim
