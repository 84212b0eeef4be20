#include "app/threshold_search.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "app/calibration_progress.h"
#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "hardware/fpga_protocol.h"
#include "hardware/link_state.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/colours.h"
#include "platform/ui_runtime/userint.h"
#include "ui/channel_controls.h"
#include "ui/main_uir.h"

ThresholdRange thresholdRange[3];
int sweepCounter = 0;
int lastSweepColour = 0;
int zoneBeginIndex = 0;
int zoneEndIndex = 0;

namespace {

// The ones count (of 255) where the signal's edges are taken: about two
// thirds and one third of the bits decided as ones.
constexpr int kUpperOnes = 172;
constexpr int kLowerOnes = 84;
constexpr int kBisectionProbes = 10;
constexpr int kNoOnesErrors = 255;  // presweep errors where no bit was a one
// A measurement waits for figures of a measuring channel this many times.
constexpr int kStateAttempts = 100;
constexpr int kQuietAttempts = 9;  // more than this is reported
constexpr double kPresweepStart = -89.45;
constexpr double kPresweepStep = 2.7953124;
constexpr double kPresweepPlotStep = 2.7953125;
constexpr double kZoneFraction = 0.03125;  // one step of the 32-step sweep

// The scope's sweep colours, one per ones search in turn, and the marks.
constexpr int kSweepColours[4] = {kGreen, kYellow, kRed, kWhite};
constexpr int kUndrawnColour = kWhite;
constexpr int kPointTint = 0x808080;
constexpr int kWaveformPointStyle = 24;
constexpr int kProbePointStyle = 16;
constexpr int kChosenPointStyle = 17;
constexpr double kBisectionPlotTop = 237.0;  // probe k is plotted at 237 - k
constexpr double kRangePlotLevel = 12.0;
constexpr double kZonePlotLevel = 37.0;

// Longest calibration line: 32 error-sweep log lines have fewer than 80
// characters; the ones and zone lines with four %f figures fewer than 200.
char logBuffer[512];

bool scope_open() { return scopePanelOpen != 0; }

void plot_point(double x, double y, int style, int colour) {
  if (scope_open()) PlotPoint(scopePanelHandle, PANELSCOPE_GRAPH_ONES, x, y, style, colour);
}

double extra_delay() {
  if (!debugPanelOpen) return 0.0;
  float d = 0.0f;
  GetCtrlVal(debugPanelHandle, PANELDEBUG_EXTRA_DELAY, &d);
  return d;
}

// Fetches the routine packet until the channel's state says its figures
// are measured (state 32 and above), at most 100 times; each attempt after
// the debug panel's extra delay when `extra_delay_first`. `complaint` is
// printed when ten or more attempts were needed, or none succeeded.
void fetch_measuring(int channel, bool extra_delay_first, const char* complaint) {
  for (int a = 0;; ++a) {
    if (extra_delay_first) Delay(extra_delay());
    FetchRoutinePacket(channel);
    const bool measuring = packets[channel].channel_state >= kStateMeasuring;
    if (measuring ? a >= kQuietAttempts : a + 1 >= kStateAttempts) {
      std::printf("%s", complaint);
      std::fflush(stdout);
    }
    if (measuring || a + 1 >= kStateAttempts) return;
  }
}

void presweep(int n) {
  int ones[kPresweepPoints];
  int errs[kPresweepPoints];
  for (int i = 0; i < kPresweepPoints; ++i) {
    if (link_lost()) return;  // the routine ends without the board
    const float t = static_cast<float>(kPresweepStart + i * kPresweepStep);
    ones[i] = MeasOnesCnt(n, t);
    errs[i] = ones[i] != 0 ? packets[n].fast_error_count : kNoOnesErrors;
    show_calibration_step(n, "initialisation", "presweep", i + 1, kPresweepPoints);
  }
  if (!scope_open()) return;
  const int colour = lastSweepColour;
  for (int graph : {PANELSCOPE_GRAPH_ONES, PANELSCOPE_GRAPH_ERRS})
    PlotWaveform(scopePanelHandle, graph, graph == PANELSCOPE_GRAPH_ONES ? ones : errs,
                 kPresweepPoints, 1.0, 0.0, kPresweepStart, kPresweepPlotStep, 0,
                 kWaveformPointStyle, 0, 1, colour);
}

// One ones measurement of the search, its result against the polarity.
int probe(int n, float t, int* step) {
  const int m = MeasOnesCnt(n, t) ^ thresholdRange[n].onesMask;
  show_calibration_step(n, "initialisation", "ones search", ++*step, kOnesMeasurements);
  return m;
}

}  // namespace

void show_threshold(int n, double mv) {
  const int control = kd71::channel_controls(n).threshold;
  SetCtrlVal(panelHandle, control, mv);
  GetCtrlVal(panelHandle, control, n == 2 ? &Ch2_Threshold : &Ch1_Threshold);
}

float usable_threshold(float t) {
  if (std::isnan(t)) return 0.0f;
  if (t > kThresholdLimitMv) return kThresholdLimitMv;
  if (t < -kThresholdLimitMv) return -kThresholdLimitMv;
  return t;
}

void WriteThreshold(int channel, float t, int lock) {
  const int count = encode_threshold(packets[channel].bytes, usable_threshold(t), lock);
  writePacket(channel, channel_code(channel, kThresholdRegister), count);
}

int MeasOnesCnt(int channel, float t) {
  WriteThreshold(channel, t, 1);
  fetch_measuring(channel, true, "Retry count exceeded on ones cal\n");
  return packets[channel].ones_cnt;
}

bool presweep_on() {
  if (!debugPanelOpen) return false;
  int on = 0;
  GetCtrlVal(debugPanelHandle, PANELDEBUG_THRESH_PRESWEEP, &on);
  return on != 0;
}

void SetThresholdOnes(int n) {
  ThresholdRange& range = thresholdRange[n];
  // The presweep draws in this search's colour; a search that draws nothing
  // is remembered in white.
  const bool drawn = presweep_on() && scope_open();
  lastSweepColour = drawn ? kSweepColours[sweepCounter % 4] : kUndrawnColour;
  if (presweep_on()) presweep(n);
  ++sweepCounter;
  const int point_colour = lastSweepColour | kPointTint;

  // Polarity: the threshold parks at 0 mV first.
  int step = 0;
  range.onesMask = 0;
  probe(n, 0.0f, &step);
  const int a = probe(n, -kThresholdLimitMv, &step);
  const int b = probe(n, kThresholdLimitMv, &step);
  if (link_lost()) return;
  range.onesMask = a < b ? 255 : 0;
  if (scope_open()) SetCtrlVal(scopePanelHandle, PANELSCOPE_INV_LED, range.onesMask);

  // Where the ones count falls through 172, then (from there up) through 84.
  float lo = -kThresholdLimitMv;
  float hi = kThresholdLimitMv;
  float mid = 0.0f;
  for (int k = 0; k < kBisectionProbes && !link_lost(); ++k) {
    mid = static_cast<float>((static_cast<double>(lo) + hi) * 0.5);
    if (probe(n, mid, &step) < kUpperOnes)
      hi = mid;
    else
      lo = mid;
    plot_point(mid, kBisectionPlotTop - k, kProbePointStyle, point_colour);
  }
  range.rangeLo = mid;
  hi = kThresholdLimitMv;
  for (int k = 0; k < kBisectionProbes && !link_lost(); ++k) {
    mid = static_cast<float>((static_cast<double>(lo) + hi) * 0.5);
    if (probe(n, mid, &step) > kLowerOnes)
      lo = mid;
    else
      hi = mid;
    plot_point(mid, kBisectionPlotTop - k, kProbePointStyle, point_colour);
  }
  range.rangeHi = mid;
  if (link_lost()) return;  // nothing measured is the channel's

  const double rangeMid = (static_cast<double>(range.rangeLo) + range.rangeHi) * 0.5;
  WriteThreshold(n, static_cast<float>(rangeMid), 0);
  show_threshold(n, rangeMid);
  log_calibration_line("(SetThresholdOnes) chosen rangeMid: %f rangeLo: %f rangeHi: %f\n", rangeMid,
                     range.rangeLo, range.rangeHi);
  for (double x :
       {static_cast<double>(range.rangeLo), rangeMid, static_cast<double>(range.rangeHi)})
    plot_point(x, kRangePlotLevel, kProbePointStyle, point_colour);
}

void SetThresholdErrs(int n) {
  const float lo = thresholdRange[n].rangeLo;
  const float width = thresholdRange[n].rangeHi - thresholdRange[n].rangeLo;
  const float step = static_cast<float>(width * kZoneFraction);
  int errs[kErrorSweepPoints];
  int ones[kErrorSweepPoints];
  for (int i = 0; i < kErrorSweepPoints; ++i) {
    WriteThreshold(n, static_cast<float>(lo + static_cast<double>(step) * i), 0);
    Delay(0.0);
    fetch_measuring(n, false, "Retry limit exceeded on errs phase\n");
    if (link_lost()) return;  // the routine ends without the board
    errs[i] = packets[n].fast_error_count;
    ones[i] = packets[n].ones_cnt;
    show_calibration_step(n, "initialisation", "error sweep", i + 1, kErrorSweepPoints);
  }

  const int selPoint = FindOptimum(errs, kErrorSweepPoints);
  const double voltSetting = lo + static_cast<double>(step) * selPoint;
  WriteThreshold(n, static_cast<float>(voltSetting), 0);
  show_threshold(n, voltSetting);
  const double zoneBegin = lo + static_cast<float>(width * zoneBeginIndex * kZoneFraction);
  const double zoneEnd = lo + static_cast<float>(width * zoneEndIndex * kZoneFraction);

  for (int i = 0; i < kErrorSweepPoints; ++i)
    log_calibration_line("i: %2d, v: %f e: %3d o: %3d\n", i, lo + static_cast<double>(step) * i,
                       errs[i], ones[i]);
  log_calibration_line(
      "(SetThresholdErrs) selPoint: %d chosen voltSetting: %f zoneBegin: %f zoneEnd: %f\n",
      selPoint, voltSetting, zoneBegin, zoneEnd);
  const int colour = lastSweepColour | kPointTint;
  plot_point(voltSetting, kZonePlotLevel, kChosenPointStyle, colour);
  plot_point(zoneBegin, kZonePlotLevel, kProbePointStyle, colour);
  plot_point(zoneEnd, kZonePlotLevel, kProbePointStyle, colour);
  // Unlike the double-click sweep, no slider gesture is under way: nothing
  // is left to swallow, and the user's next move of any slider goes to the
  // board and the saved settings.
}

int FindOptimum(const int* values, int count) {
  // Zones of zeros; position `count` closes the last one.
  int best_start = 0, best_length = 0, start = -1;
  for (int i = 0; i <= count; ++i) {
    if (i < count && values[i] == 0) {
      if (start < 0) start = i;
      continue;
    }
    if (start >= 0 && i - start > best_length) {
      best_start = start;
      best_length = i - start;
    }
    start = -1;
  }
  zoneBeginIndex = 0;
  zoneEndIndex = 0;
  if (best_length > 0) {
    zoneBeginIndex = best_start;
    zoneEndIndex = best_start + best_length;
    return best_start + best_length / 2;
  }
  int fewest = kNoOnesErrors, at = -1;
  for (int j = 0; j < count; ++j) {
    if (values[j] < fewest) {
      fewest = values[j];
      at = j;
    }
  }
  if (at >= 0) return at;
  zoneEndIndex = count;
  return count / 2;
}

void log_calibration_line(const char* format, ...) {
  va_list args;
  va_start(args, format);
  kd71::c_locale::vformat_to(logBuffer, sizeof logBuffer, format, args);
  va_end(args);
  DbugOut();
}

void DbugOut() {
  if (debugPanelOpen) SetCtrlVal(debugPanelHandle, PANELDEBUG_DEBUG_OUTPUT, logBuffer);
}

void threshold_search_reset() {
  for (ThresholdRange& r : thresholdRange) r = {};
  sweepCounter = 0;
  lastSweepColour = 0;
  zoneBeginIndex = 0;
  zoneEndIndex = 0;
  logBuffer[0] = '\0';
}
