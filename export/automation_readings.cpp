// The exported reading functions: each runs one measurement tick, as the
// window's timer does, and returns a decoded field of the channel's packet
// or a figure its panel shows.

#include <algorithm>
#include <cstdint>

#include "app/panel_handles.h"
#include "export/automation_session.h"
#include "export/kd71.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "ui/main_uir.h"

namespace {

using kd71::automation::Call;
using kd71::automation::run_tick;
using kd71::automation::valid_channel;

// Time for a fresh 20 ms error count to come in.
constexpr double kFastSampleWait = 0.1;
// Twice the start-up sample length: the bits a new sample takes to arrive.
constexpr float kSampleWaitBits = 34359738368.0f;  // 2^35
constexpr float kBitsPerGigabit = 1000.0f * 1000.0f * 1000.0f;

// The time 2^35 bits take at channel 1's bit rate as its panel shows it,
// whichever channel is read, kept in single precision. Without a rate (no
// clock on channel 1, or no sample yet) there is nothing to wait for; very
// low rates wait at most KD71_MAX_SAMPLE_WAIT_S.
double sample_wait() {
  float gbps = 0.0f;
  GetCtrlVal(panelHandle, PANELMAIN_CLOCK_FREQUENCY_CH1, &gbps);
  if (!(gbps > 0.0f)) return 0.0;
  const float wait = kSampleWaitBits / (gbps * kBitsPerGigabit);
  return std::min(static_cast<double>(wait), KD71_MAX_SAMPLE_WAIT_S);
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
  Delay(sample_wait());
  run_tick();
  if (!valid_channel(channel)) return -1.0f;
  float ratio = 0.0f;
  GetCtrlVal(panelHandle, channel == 1 ? PANELMAIN_ERROR_RATIO_CH1 : PANELMAIN_ERROR_RATIO_CH2,
             &ratio);
  return ratio;
}
