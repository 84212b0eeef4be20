// The exported reading functions: each runs one measurement tick, as the
// window's timer does, and returns a decoded field of the channel's packet
// or a figure its panel shows.

#include <algorithm>
#include <cstdint>

#include "app/panel_handles.h"
#include "app/statistics.h"
#include "export/automation_session.h"
#include "export/kd71.h"
#include "hardware/fpga_protocol.h"
#include "hardware/link_state.h"
#include "hardware/lowlevel_packets.h"
#include "ui/main_uir.h"

namespace {

using kd71::automation::Call;
using kd71::automation::run_tick;
using kd71::automation::samples_shown;
using kd71::automation::valid_channel;

// Time for a fresh 20 ms error count to come in.
constexpr double kFastSampleWait = 0.1;
// Twice the start-up sample length: the bits a new sample takes to arrive.
constexpr float kSampleWaitBits = 34359738368.0f;  // 2^35
constexpr float kBitsPerGigabit = 1000.0f * 1000.0f * 1000.0f;
// The board counts its rate in whole Mb/s: a rate shown below that is no
// clock the board could measure, and its wait is cut to the maximum.
constexpr float kLowestRateGbps = 0.001f;
constexpr double kTickSeconds = 0.2;  // the window's timer
constexpr double kBitsPerMegabit = 1e6;

// The time 2^35 bits take at channel 1's bit rate as its panel shows it,
// whichever channel is read, kept in single precision. Without a rate (no
// clock on channel 1) there is nothing to wait for.
double sample_wait() {
  float gbps = 0.0f;
  GetCtrlVal(panelHandle, PANELMAIN_CLOCK_FREQUENCY_CH1, &gbps);
  if (!(gbps > 0.0f)) return 0.0;
  const double wait = kSampleWaitBits / (gbps * kBitsPerGigabit);
  return gbps < kLowestRateGbps ? std::min(wait, KD71_MAX_SAMPLE_WAIT_S) : wait;
}

// Before the channel's first sample its figures are not measured yet (an
// error count of 0 would read as a perfect channel): the call first waits
// for that sample, ticking as the window's timer does, for at most two of
// the channel's sample windows at the rate its board reports (the window
// under way may have begun before usb_init). A channel without a clock, or
// switched off, or a board gone, has no sample coming.
void wait_for_first_sample(int channel) {
  if (!valid_channel(channel) || samples_shown(channel) > 0) return;
  run_tick();
  const int mbps = packets[channel].frequency;
  if (mbps <= 0) return;
  const double window =
      static_cast<double>(channelStats[channel].sampleLength) / (mbps * kBitsPerMegabit);
  const double end = Timer() + 2.0 * window + kTickSeconds;
  while (samples_shown(channel) == 0 && linkUp == 1 && Timer() < end) {
    Delay(kTickSeconds);
    run_tick();
  }
}

unsigned main_panel_uint(int control) {
  unsigned value = 0;
  GetCtrlVal(panelHandle, control, &value);
  return value;
}

}  // namespace

extern "C" int GetBitRate(int channel) {
  Call call;
  if (!call.open()) return -1;
  run_tick();
  return valid_channel(channel) ? packets[channel].frequency : -1;
}

extern "C" int GetOnes(int channel) {
  Call call;
  if (!call.open()) return -1;
  run_tick();
  if (!valid_channel(channel)) return -1;
  return static_cast<int>(
      main_panel_uint(channel == 1 ? PANELMAIN_ONES_CNT_CH1 : PANELMAIN_ONES_CNT_CH2));
}

extern "C" int GetSyncStatus(int channel) {
  Call call;
  if (!call.open()) return -1;
  run_tick();
  return valid_channel(channel) ? packets[channel].sync_flags & kPatternSyncFlag : -1;
}

extern "C" uint64_t GetErrorCount(int channel) {
  Call call;
  if (!call.open()) return 0;
  wait_for_first_sample(channel);
  Delay(sample_wait());
  run_tick();
  return valid_channel(channel) ? packets[channel].error_count : 0;
}

extern "C" int GetFastErrorCount(int channel) {
  Call call;
  if (!call.open()) return -1;
  Delay(kFastSampleWait);
  run_tick();
  return valid_channel(channel) ? packets[channel].fast_error_count : -1;
}

extern "C" float GetErrorRatio(int channel) {
  Call call;
  if (!call.open()) return -1.0f;
  wait_for_first_sample(channel);
  Delay(sample_wait());
  run_tick();
  if (!valid_channel(channel)) return -1.0f;
  float ratio = 0.0f;
  GetCtrlVal(panelHandle, channel == 1 ? PANELMAIN_ERROR_RATIO_CH1 : PANELMAIN_ERROR_RATIO_CH2,
             &ratio);
  return ratio;
}
