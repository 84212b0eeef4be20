#include "app/statistics.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/panel_handles.h"
#include "hardware/lowlevel.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/colours.h"
#include "ui/channel_controls.h"
#include "ui/main_uir.h"

ChannelStats channelStats[3];

namespace {

constexpr int kTicksPerSecond = 5;
constexpr double kPoorRatio = 0.4;
constexpr double kExponentFormFrom = 1e13;
constexpr int kRedToWhiteStep = 0x101;

// The sample length as the ratios divide by it: a signed 64-bit value.
double length_of(int channel) {
  return static_cast<double>(static_cast<std::int64_t>(channelStats[channel].sampleLength));
}

}  // namespace

double sample_error_ratio(int channel, const PacketRecord& r) {
  return (r.error_count == 0 ? 1.0 : static_cast<double>(r.error_count)) / length_of(channel);
}

namespace {

bool error_free(const PacketRecord& r) {
  return r.error_count == 0 && r.channel_state == kStateRunning && r.ones_cnt >= 11 &&
         r.ones_cnt <= 245 && r.frequency > 0;
}

}  // namespace

const char* total_count_text(std::uint64_t total_errors, char (&text)[kFigureText]) {
  if (static_cast<double>(total_errors) >= kExponentFormFrom) {
    kd71::c_locale::format_to(text, sizeof text, "%.9E", static_cast<double>(total_errors));
    return text;
  }
  char digits[kFigureText];
  std::snprintf(digits, sizeof digits, "%013llu", static_cast<unsigned long long>(total_errors));
  // A comma after the 1st, 4th, 7th and 10th digit: "0,000,000,000,000".
  int out = 0;
  for (int i = 0; i < 13; ++i) {
    text[out++] = digits[i];
    if (i == 0 || i == 3 || i == 6 || i == 9) text[out++] = ',';
  }
  text[out] = '\0';
  return text;
}

const char* elapsed_text(int t, char (&text)[kFigureText]) {
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t / 18000, (t / 300) % 60, (t / 5) % 60);
  return text;
}

unsigned error_bar_level(std::uint64_t error_count, std::uint64_t sample_length) {
  if (error_count == 0) return 0;
  const double len = static_cast<double>(static_cast<std::int64_t>(sample_length));
  const double level = 1.0 + std::log(static_cast<double>(error_count)) * (99.0 / std::log(len));
  if (!(level >= 0.0) || level >= static_cast<double>(INT_MAX) + 1.0) return 0;
  return static_cast<unsigned>(static_cast<int>(level));
}

int no_error_colour(int ones, int frequency, int fast_errors) {
  if (ones < 10 || ones > 245 || frequency == 0) return 0;
  return fast_errors == 0 ? kGreen : kRed + fast_errors * kRedToWhiteStep;
}

void count_test_tick(int channel) {
  if (channelStats[channel].totalsRunning) ++channelStats[channel].testTicks;
}

namespace {

double g_gone_since = -1.0;  // the board's loss while it lasts, else negative

}  // namespace

void pause_error_free(double since) {
  if (g_gone_since < 0.0) g_gone_since = since;
}

void resume_error_free(double now) {
  if (g_gone_since < 0.0) return;
  for (int n = 1; n <= 2; ++n) channelStats[n].errorFreeStart += now - g_gone_since;
  g_gone_since = -1.0;
}

void update_sample(int channel) {
  ChannelStats& s = channelStats[channel];
  const PacketRecord& r = packets[channel];
  if (error_free(r)) {
    s.errorFreeSeconds = static_cast<int>(std::trunc(Timer() - s.errorFreeStart));
  } else {
    s.errorFreeSeconds = 0;
    s.errorFreeStart = Timer();
  }
  if (s.totalsRunning) {
    s.totalErrors += r.error_count;
    s.totalSamples += 1;
  }
}

void display_sample(int channel) {
  const ChannelStats& s = channelStats[channel];
  const PacketRecord& r = packets[channel];
  const kd71::ChannelControls& c = kd71::channel_controls(channel);
  const int p = panelHandle;
  const double len = length_of(channel);
  const double ratio = static_cast<double>(r.error_count) / len;

  char text[kFigureText];
  SetCtrlVal(p, c.total_errors, total_count_text(s.totalErrors, text));

  SetCtrlVal(p, c.bit_rate, r.frequency / 1000.0);
  SetCtrlAttribute(p, c.bit_rate, ATTR_FILL_COLOR, r.frequency == 0 ? kPink : kWhite);
  SetCtrlVal(p, c.bit_time, r.frequency != 0 ? 1000000.0 / r.frequency : 0.0);

  SetCtrlVal(p, c.errors, static_cast<unsigned long long>(r.error_count));
  // A ratio this high, or data stuck at zero (or at one on channel 1), is no
  // measurement to trust.
  const bool suspect = ratio > kPoorRatio || r.ones_cnt == 0 || (channel == 1 && r.ones_cnt == 255);
  SetCtrlAttribute(p, c.errors, ATTR_FILL_COLOR,
                   suspect         ? kPink
                   : error_free(r) ? kLightGreen
                                   : kWhite);

  SetCtrlVal(p, c.error_free, static_cast<unsigned>(s.errorFreeSeconds));
  SetCtrlVal(p, c.error_bar, error_bar_level(r.error_count, s.sampleLength));

  // Without errors the ratio is only a bound: one error in the sample.
  const bool sample_bound = r.error_count == 0;
  SetCtrlAttribute(p, c.ratio_bound, ATTR_VISIBLE, sample_bound ? 1 : 0);
  const double sample_ratio = sample_error_ratio(channel, r);
  SetCtrlVal(p, c.ratio, sample_ratio);
  if (debugPanelOpen)
    SetCtrlAttribute(debugPanelHandle, c.sync_led, ATTR_ON_COLOR,
                     sample_ratio > kPoorRatio ? kYellow : kGreen);

  const bool total_bound = s.totalErrors == 0;
  SetCtrlAttribute(p, c.total_bound, ATTR_VISIBLE, total_bound ? 1 : 0);
  const double numerator = total_bound ? 1.0 : static_cast<double>(s.totalErrors);
  // Formed in double: samples times bits overflows 64 bits on long runs.
  const double total_bits = static_cast<double>(s.totalSamples) * len;
  SetCtrlVal(p, c.total_ratio, s.totalSamples != 0 ? numerator / total_bits : 0.0);

  SetCtrlVal(p, c.ones, static_cast<unsigned>(r.ones_cnt));
}

void start_run(int channel) {
  ChannelStats& s = channelStats[channel];
  if (s.startCountdown == 1 || s.startCountdown == 2) {
    if (s.startCountdown == 1) s.totalsRunning = 1;
    --s.startCountdown;
  }
}

void display_elapsed_times() {
  char text[kFigureText];
  for (int ch = 1; ch <= 2; ++ch)
    SetCtrlVal(panelHandle, kd71::channel_controls(ch).elapsed,
               elapsed_text(channelStats[ch].testTicks, text));
}

void display_no_error_indicator(int channel) {
  const PacketRecord& r = packets[channel];
  SetCtrlVal(panelHandle, kd71::channel_controls(channel).no_error,
             no_error_colour(r.ones_cnt, r.frequency, r.fast_error_count));
}

void check_test_interval(int channel) {
  ChannelStats& s = channelStats[channel];
  if (s.testTicks / kTicksPerSecond >= s.testInterval) {
    s.totalsRunning = 0;
    SetCtrlVal(panelHandle, kd71::channel_controls(channel).test_toggle, 0);  // the toggle pops out
  }
}

int CB_TotalErrCntButton(int panel, int control, int event, void* /*callbackData*/,
                         int /*eventData1*/, int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  int channel = 0;
  if (control == PANELMAIN_COM_TOT_ERR_CNT_CH1)
    channel = 1;
  else if (control == PANELMAIN_COM_TOT_ERR_CNT_CH2)
    channel = 2;
  else
    return 0;
  ChannelStats& s = channelStats[channel];
  unsigned interval = 0;
  GetCtrlVal(panel, kd71::channel_controls(channel).test_interval, &interval);
  s.testInterval = static_cast<int>(interval);
  int on = 0;
  GetCtrlVal(panel, control, &on);
  if (on & 1) {
    s.totalErrors = 0;
    s.totalSamples = 0;
    s.testTicks = 0;
    s.startCountdown = 1;
  } else {
    s.totalsRunning = 0;
    s.startCountdown = 0;
  }
  return 0;
}

void statistics_reset() {
  std::memset(channelStats, 0, sizeof channelStats);
  g_gone_since = -1.0;
}
