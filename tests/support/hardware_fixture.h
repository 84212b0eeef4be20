// Fixture for the board-link and I2C driver tests: a recording bridge (or an
// I2C responder) installed and the instrument opened, the link marked up.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "hardware/lowlevel.h"
#include "platform/bridge/bridge_double.h"
#include "platform/ui_runtime/userint.h"
#include "tests/support/fresh_state.h"
#include "tests/support/i2c_responder.h"

namespace kd71::test {

class HardwareTest : public FreshState {
 protected:
  template <typename Bridge = kd71::bridge::RecordingBridge>
  Bridge* install() {
    auto bridge = std::make_unique<Bridge>();
    Bridge* raw = bridge.get();
    kd71::bridge::install(std::move(bridge));
    bridge_ = raw;
    return raw;
  }

  // Installs `Bridge`, opens the first device as usb_handle and forgets the
  // calls made so far.
  template <typename Bridge = kd71::bridge::RecordingBridge>
  Bridge* open_board() {
    Bridge* b = install<Bridge>();
    EXPECT_EQ(FT_Open(0, &usb_handle), FT_OK);
    linkUp = 1;
    b->clear_calls();
    return b;
  }

  // The recorded calls as short tokens: "W02" write, "MFD/1" set bit mode
  // (mask/mode), "S" sample, "P3" purge, "G" status, "R26" read.
  std::vector<std::string> tokens() const;

  kd71::bridge::RecordingBridge* bridge_ = nullptr;
};

// Bus bytes of a reply: each packet byte as two bytes, high nibble first in
// the upper four bits, the lower four bits filled with junk.
std::vector<UCHAR> encode_reply(const std::vector<UCHAR>& packet);

// A 13-byte routine packet.
std::vector<UCHAR> routine_packet(int frequency_mhz, int ones, int state, std::uint64_t errors,
                                  int fast_errors, int sync, int seq_no);

}  // namespace kd71::test
