// The FPGA side of the simulated board: register writes and poll replies.
#include "platform/os/clock.h"
#include "sim/fpga_packets.h"
#include "sim/signal_physics.h"
#include "sim/sim_board.h"

namespace kd71::sim {
namespace {

constexpr int kChannel2Bit = 0x8;
constexpr int kFunctionBits = 0x7;
constexpr int kLoopbackRegister = 8;
constexpr std::uint8_t kThresholdLockBit = 0x10;
constexpr int kCodeMask = 0x0FFF;

// Register functions (bits 0-2 of a register number).
enum RegisterFunction {
  kRegDelay = 1,
  kRegClock = 3,
  kRegWindow = 4,
  kRegThreshold = 5,
  kRegLoopLock = 7
};
// Packet kinds (bits 0-2 of a request type).
enum PacketKind {
  kKindReadback = 1,
  kKindLoopback = 2,
  kKindSubchannels = 3,
  kKindSnapshot = 4,
  kKindRoutine = 5,
  kKindShort = 6,
  kKindManagement = 7,
};

int channel_of(int code) { return (code & kChannel2Bit) ? 2 : 1; }

}  // namespace

void SimBoard::execute(const FpgaCommand& command) {
  if (command.kind == FpgaCommand::Kind::Poll) {
    answer_poll(command.code);
    return;
  }
  ++register_writes_[command.code];
  registers_[command.code].assign(command.data.begin(), command.data.begin() + command.length);
  apply_register(command);
}

void SimBoard::apply_register(const FpgaCommand& command) {
  const std::uint8_t* d = command.data.data();
  if (command.code == kLoopbackRegister) {
    loopback_ = {d[0], d[1]};
    return;
  }
  const int n = channel_of(command.code);
  ChannelSettings& s = fpga_settings_[n - 1];
  switch (command.code & kFunctionBits) {
    case kRegDelay:
      s.manual_delay_v = ((d[0] << 8 | d[1]) & kCodeMask) * kFullScaleV / kCodeSpan;
      apply_settings(n);
      return;
    case kRegClock:
      s.clock_config = d[0];
      apply_settings(n);
      return;
    case kRegWindow:
      model(n).set_window_count(static_cast<std::uint32_t>(d[0]) << 24 |
                                    static_cast<std::uint32_t>(d[1]) << 16 |
                                    static_cast<std::uint32_t>(d[2]) << 8 | d[3],
                                kd71::clock::now());
      return;
    case kRegThreshold:
      s.threshold_lock = d[0] & kThresholdLockBit;
      s.code_p = (d[0] & 0x0F) << 8 | d[1];
      s.code_n = (d[2] << 8 | d[3]) & kCodeMask;
      apply_settings(n);
      return;
    case kRegLoopLock:
      loop_lock_[n - 1] = d[0] & 1;
      return;
    default:
      return;
  }
}

void SimBoard::answer_poll(int type) {
  ++polls_[type];
  if (reply_bus_bytes(type) == 0) return;
  const double now = kd71::clock::now();
  const int n = channel_of(type);
  ChannelModel& m = model(n);
  Packet packet;
  switch (type & kFunctionBits) {
    case kKindReadback: {
      const int phase = m.proposed_phase();
      const int code = kd71::sim::delay_code(m.delay_in_use_v());
      packet = readback_packet(
          static_cast<std::uint8_t>((phase & 3) << 4 | ((phase >> 2) & 1) << 6 | code >> 8),
          static_cast<std::uint8_t>(code & 0xFF));
      break;
    }
    case kKindLoopback:
      packet = readback_packet(loopback_[0], loopback_[1]);
      break;
    case kKindSubchannels: {
      std::array<std::uint8_t, kSubchannels> errors{}, vernier{};
      m.subchannels(now, errors, vernier);
      packet = subchannel_packet(errors, vernier);
      break;
    }
    case kKindSnapshot:
      packet = snapshot_packet(m.snapshot(now));
      break;
    case kKindRoutine:
      packet = routine_packet(m.routine(now));
      break;
    case kKindShort:
      packet = short_packet(m.routine(now));
      break;
    case kKindManagement:
      packet = management_packet(firmware_version_);
      break;
    default:
      return;
  }
  reply_.clear();
  encode_reply(packet, junk_, reply_);
  if (!faults_.apply(type, reply_)) return;
  ++replies_;
  port.rx.push(reply_, now + bus_.latency().reply_s);
}

}  // namespace kd71::sim
