#include "sim/prbs.h"

namespace kd71::sim {
namespace {

constexpr PrbsTaps kTaps[kPatternCodes] = {
    {7, 7, 6},   {9, 9, 5},    {11, 11, 9},  {15, 15, 14}, {17, 17, 14},
    {20, 20, 3}, {23, 23, 18}, {29, 29, 27}, {31, 31, 28},
};
constexpr int kBlockBits = 256;

}  // namespace

std::optional<PrbsTaps> prbs_taps(int pattern_code) {
  if (pattern_code < 0 || pattern_code >= kPatternCodes) return std::nullopt;
  return kTaps[pattern_code];
}

std::array<std::uint8_t, 32> prbs_block(const PrbsTaps& taps, std::uint32_t state) {
  const std::uint32_t mask = (taps.length >= 32) ? 0xFFFFFFFFu : ((1u << taps.length) - 1u);
  state &= mask;
  if (state == 0) state = mask;  // the all-zero state never leaves itself
  std::array<std::uint8_t, 32> block{};
  auto put = [&block](int i, std::uint32_t bit) {
    if (bit) block[i / 8] |= static_cast<std::uint8_t>(0x80u >> (i % 8));
  };
  for (int i = 0; i < taps.length; ++i) put(i, (state >> (taps.length - 1 - i)) & 1u);
  for (int i = taps.length; i < kBlockBits; ++i) {
    const std::uint32_t bit = ((state >> (taps.a - 1)) ^ (state >> (taps.b - 1))) & 1u;
    state = ((state << 1) | bit) & mask;
    put(i, bit);
  }
  return block;
}

}  // namespace kd71::sim
