#include "sim/fpga_packets.h"

namespace kd71::sim {
namespace {

constexpr int kRoutineBytes = 13;
constexpr int kReadbackTrailerAt = 2;

std::uint8_t hi(int v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }
std::uint8_t lo(int v) { return static_cast<std::uint8_t>(v & 0xFF); }

}  // namespace

int reply_bus_bytes(int type) {
  // Subchannel (3/11) 65 bytes, snapshot (4/12) 33, short (6/14) 5,
  // management (7) 3, the routine and read-back packets 13; types 0, 8, 10
  // and 15 name no packet and the FPGA stays silent.
  static constexpr int kBusBytes[16] = {0, 26, 26, 130, 66, 26, 10, 6,
                                        0, 26, 0,  130, 66, 26, 10, 0};
  return type >= 0 && type < 16 ? kBusBytes[type] : 0;
}

Packet routine_packet(const RoutineFields& f) {
  const int half_rate = f.frequency_mhz / 2;
  const std::uint64_t e = f.error_count;
  return {hi(half_rate),
          lo(half_rate),
          static_cast<std::uint8_t>(f.ones),
          static_cast<std::uint8_t>(f.state),
          static_cast<std::uint8_t>(e >> 32),
          static_cast<std::uint8_t>(e >> 24),
          static_cast<std::uint8_t>(e >> 16),
          static_cast<std::uint8_t>(e >> 8),
          static_cast<std::uint8_t>(e),
          static_cast<std::uint8_t>(f.fast_errors),
          static_cast<std::uint8_t>(f.sync_flags),
          static_cast<std::uint8_t>(f.seq_no & 0x0F),
          kTrailer};
}

Packet readback_packet(std::uint8_t byte0, std::uint8_t byte1) {
  Packet p(kRoutineBytes, 0);
  p[0] = byte0;
  p[1] = byte1;
  p[kReadbackTrailerAt] = kTrailer;
  return p;
}

Packet subchannel_packet(const std::array<std::uint8_t, kSubchannels>& errors,
                         const std::array<std::uint8_t, kSubchannels>& vernier) {
  Packet p(errors.begin(), errors.end());
  p.insert(p.end(), vernier.begin(), vernier.end());
  p.push_back(kTrailer);
  return p;
}

Packet snapshot_packet(const std::array<std::uint8_t, 32>& bits) {
  Packet p(bits.begin(), bits.end());
  p.push_back(kTrailer);
  return p;
}

Packet short_packet(const RoutineFields& f) {
  const int half_rate = f.frequency_mhz / 2;
  return {hi(half_rate), lo(half_rate), static_cast<std::uint8_t>(f.ones),
          static_cast<std::uint8_t>(f.state), kTrailer};
}

Packet management_packet(int firmware_version) {
  return {hi(firmware_version), lo(firmware_version), kTrailer};
}

void encode_reply(const Packet& packet, Rng& junk, std::vector<std::uint8_t>& out) {
  for (std::uint8_t b : packet) {
    out.push_back(static_cast<std::uint8_t>((b & 0xF0) | junk.nibble()));
    out.push_back(static_cast<std::uint8_t>((b << 4) | junk.nibble()));
  }
}

}  // namespace kd71::sim
