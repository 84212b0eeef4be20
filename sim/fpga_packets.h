// The layouts of the FPGA's replies and their encoding on the bus: one
// nibble per bus byte in the upper four bits, high nibble first; the lower
// four bits carry whatever the other pins show (junk to the reader).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/channel_model.h"
#include "sim/rng.h"

namespace kd71::sim {

inline constexpr std::uint8_t kTrailer = 0xAA;

// Bus bytes of the reply to a poll of `type`; 0 when the FPGA does not answer it.
int reply_bus_bytes(int type);

using Packet = std::vector<std::uint8_t>;

// 13 bytes: rate / 2, ones, state, 40-bit error count, fast count, sync
// flags, sequence number, trailer.
Packet routine_packet(const RoutineFields& f);
// 13 bytes with the two data bytes and the trailer at byte 2 (kinds 1 and 2).
Packet readback_packet(std::uint8_t byte0, std::uint8_t byte1);
// 65 bytes: 32 subchannel error counts, 32 vernier phases, trailer.
Packet subchannel_packet(const std::array<std::uint8_t, kSubchannels>& errors,
                         const std::array<std::uint8_t, kSubchannels>& vernier);
// 33 bytes: 256 received bits, trailer.
Packet snapshot_packet(const std::array<std::uint8_t, 32>& bits);
// 5 bytes: rate / 2, ones, state, trailer.
Packet short_packet(const RoutineFields& f);
// 3 bytes: firmware version, trailer.
Packet management_packet(int firmware_version);

// Appends the bus bytes of `packet` to `out`.
void encode_reply(const Packet& packet, Rng& junk, std::vector<std::uint8_t>& out);

}  // namespace kd71::sim
