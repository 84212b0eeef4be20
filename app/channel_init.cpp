#include "app/channel_init.h"

#include <cstdint>

#include "app/calibration_progress.h"
#include "app/channel_config.h"
#include "app/panel_handles.h"
#include "app/routine_guard.h"
#include "app/saved_settings.h"
#include "app/statistics.h"
#include "app/threshold_search.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"
#include "platform/ui_runtime/userint.h"
#include "ui/channel_controls.h"

namespace {

// Pattern codes 0 (PRBS7) to 8 (PRBS31); the re-selection passes through a
// neighbour, PRBS31's being PRBS29.
constexpr unsigned kLastPattern = 8;
constexpr double kPatternSettle = 0.1;  // seconds on the neighbour, and before the error search
constexpr double kSampleSeconds = 0.5;  // the automatic sample window
constexpr double kHertzPerMegahertz = 1e6;

// Switching to the neighbouring pattern and back makes the board select the
// channel's pattern afresh, so that its pattern alignment starts again at
// the threshold the ones search found.
void reselect_pattern(int n) {
  const int ring = kd71::channel_controls(n).pattern;
  unsigned v = 0;
  GetCtrlVal(panelHandle, ring, &v);
  if (v > kLastPattern) return;  // "Shut Off"
  const unsigned neighbour = v == kLastPattern ? kLastPattern - 1 : v + 1;
  for (unsigned code : {neighbour, v}) {
    SetCtrlVal(panelHandle, ring, code);
    general_purpose_IO(panelHandle, ring, EVENT_COMMIT, nullptr, 0, 0);
    if (code == neighbour) Delay(kPatternSettle);
  }
}

}  // namespace

int CB_InitChan(int /*panel*/, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  const int n = kd71::channel_of(control, &kd71::ChannelControls::init);
  if (n == 0) return 0;
  const kd71::ChannelControls& c = kd71::channel_controls(n);
  SetCtrlAttribute(panelHandle, c.errors, ATTR_DIMMED, 1);
  ProcessDrawEvents();
  begin_calibration_progress((presweep_on() ? kPresweepPoints : 0) + kOnesMeasurements +
                           kErrorSweepPoints);

  // A board lost on the way ends the routine at the next stage: the
  // searches stop at their next exchange.
  RoutineGuard guard(n, "initialisation");
  AutoSpeed(n);
  SetThresholdOnes(n);
  if (!guard.board_lost()) {
    if (*saved_channel(n).manual_mode == 0) reselect_pattern(n);
    Delay(kPatternSettle);
    SetThresholdErrs(n);
  }

  SetCtrlAttribute(panelHandle, c.errors, ATTR_DIMMED, 0);
  end_calibration_progress();
  guard.give_back_if_lost();
  return 0;
}

void AutoSpeed(int n) {
  // Without a measured bit rate there is no window to set: a sample length
  // of 0 would divide every error ratio by zero.
  if (autoSampleSize == 0 || packets[n].frequency <= 0) return;
  const auto length =
      static_cast<std::int64_t>(packets[n].frequency * kHertzPerMegahertz * kSampleSeconds);
  channelStats[n].sampleLength = static_cast<std::uint64_t>(length);
  const int count = encode_sample_window(packets[n].bytes, sample_window_count(length));
  writePacket(n, channel_code(n, kWindowRegister), count);
}
