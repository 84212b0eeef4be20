#include "tests/support/signal_bridge.h"

#include "app/debug_panel.h"
#include "app/startup.h"
#include "ui/main_uir.h"

namespace kd71::test {

namespace {

constexpr double kVoltsPerMv = 0.018446059250978197;

// Data byte k of a nibble-coded register write.
int data_byte(const UCHAR* data, int k) {
  return (data[1 + 2 * k] & 0xF0) | (data[2 + 2 * k] >> 4);
}

}  // namespace

FT_STATUS SignalBridge::set_bit_mode(int token, UCHAR mask, UCHAR mode) {
  byte_mode_ = mode == 0;
  return RecordingBridge::set_bit_mode(token, mask, mode);
}

FT_STATUS SignalBridge::write(int token, const UCHAR* data, DWORD size, DWORD* written) {
  const FT_STATUS status = RecordingBridge::write(token, data, size, written);
  if (status != FT_OK || !byte_mode_) return status;
  const int code = data[0] >> 4;
  const int channel = (code & 0x8) ? 2 : 1;
  if (size == 9 && (data[0] & 0x0F) == 0x0F && (code & 0x7) == 5) {
    const int b0 = data_byte(data, 0);
    const int p = (b0 & 0x0F) << 8 | data_byte(data, 1);
    const int n = data_byte(data, 2) << 8 | data_byte(data, 3);
    mv_[channel] = (p - n) / 4096.0 * 3.3 / (2.0 * kVoltsPerMv);
    thresholds.push_back({channel, p, n, (b0 & 0x10) != 0, mv_[channel]});
  } else if (size == 1 && (data[0] & 0x0F) == 0x07 && (code & 0x7) == 5) {
    ++routine_polls;
    const int reply_state = unmeasured_replies > 0 ? 0x10 : state;
    if (unmeasured_replies > 0) --unmeasured_replies;
    seq_ = (seq_ + 1) % 16;
    const auto packet = routine_packet(10000, ones(mv_[channel]), reply_state, 0,
                                       fast_errors(mv_[channel]), 1, seq_);
    const auto bus = encode_reply(packet);
    rx.insert(rx.end(), bus.begin(), bus.end());
  }
  return status;
}

void SignalTest::SetUp() {
  HardwareTest::SetUp();
  ui::set_front_end(&window);
  kd71_bind_callbacks();
  panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  ASSERT_GT(panelHandle, 0);
  board = open_board<SignalBridge>();
}

void SignalTest::open_debug_panel(bool scope) {
  Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
  if (scope) open_scope_panel(debugPanelHandle, PANELDEBUG_SCOPE, EVENT_COMMIT, nullptr, 0, 0);
}

}  // namespace kd71::test
