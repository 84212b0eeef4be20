#include "app/threshold_search.h"

#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"

void WriteThreshold(int channel, float t, int lock) {
  const int count = encode_threshold(packets[channel].bytes, t, lock);
  writePacket(channel, channel_code(channel, kThresholdRegister), count);
}
