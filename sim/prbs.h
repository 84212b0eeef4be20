// The pseudo-random bit sequences the instrument's transmitters send and its
// checkers expect, by pattern code (0..8 = PRBS7, 9, 11, 15, 17, 20, 23, 29,
// 31). Each generator is x^a + x^b + 1: the new bit is the XOR of the bits a
// and b places back in the sequence.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace kd71::sim {

inline constexpr int kPatternCodes = 9;

struct PrbsTaps {
  int length;  // register length n (= a)
  int a;
  int b;
};

// The generator of a pattern code; none for any other code.
std::optional<PrbsTaps> prbs_taps(int pattern_code);

// 256 consecutive bits of the sequence, most significant bit of byte 0 first.
// The first n bits are `state` (its bit n-1 first, down to bit 0, the newest),
// the rest follow from the generator. A zero state is replaced by all ones.
std::array<std::uint8_t, 32> prbs_block(const PrbsTaps& taps, std::uint32_t state);

}  // namespace kd71::sim
