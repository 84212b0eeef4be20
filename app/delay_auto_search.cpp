#include "app/delay_auto_search.h"

#include <cmath>

#include "app/analog_controls.h"
#include "app/panel_handles.h"
#include "app/routine_guard.h"
#include "app/routine_progress.h"
#include "app/stop_signal.h"
#include "hardware/analog_scale.h"
#include "hardware/fpga_protocol.h"
#include "hardware/link_state.h"
#include "hardware/lowlevel_packets.h"
#include "platform/ui_runtime/userint.h"
#include "ui/channel_controls.h"
#include "ui/main_uir.h"

namespace {

constexpr float kStartDelay = 2.7f;  // volts; the top of the sliders' range
constexpr double kFloor = 0.02;
constexpr int kHighRateMhz = 26001;
constexpr double kMoveSettle = 0.25;   // seconds after each move
constexpr double kResultSettle = 2.0;  // seconds after the delay is centred
// One move is a sixty-fourth of the bit period.
constexpr double kMovesPerBit = 64.0;
constexpr double kPicosecondMegahertz = 1e6;  // the bit period in ps is this over the rate in MHz

// Dimmed while a search runs, for both channels alike.
constexpr int kd71::ChannelControls::*kLockedControls[] = {
    &kd71::ChannelControls::errors,        &kd71::ChannelControls::ratio,
    &kd71::ChannelControls::error_free,    &kd71::ChannelControls::error_bar,
    &kd71::ChannelControls::total_errors,  &kd71::ChannelControls::total_ratio,
    &kd71::ChannelControls::test_interval, &kd71::ChannelControls::manual_mode,
    &kd71::ChannelControls::input_clock,   &kd71::ChannelControls::pattern,
    &kd71::ChannelControls::elapsed,       &kd71::ChannelControls::threshold,
    &kd71::ChannelControls::init,          &kd71::ChannelControls::test_toggle,
};

// The panel while a search runs (`locked`) and after it.
void lock_panel(bool locked) {
  for (int kd71::ChannelControls::*field : kLockedControls)
    for (int channel : {1, 2})
      SetCtrlAttribute(panelHandle, kd71::channel_controls(channel).*field, ATTR_DIMMED,
                       locked ? 1 : 0);
  for (int channel : {1, 2}) {
    const kd71::ChannelControls& c = kd71::channel_controls(channel);
    SetCtrlAttribute(panelHandle, c.delay, ATTR_CTRL_MODE, locked ? 0 : 1);
    SetCtrlAttribute(panelHandle, c.auto_search, ATTR_VISIBLE, locked ? 0 : 1);
  }
}

// The delay of one channel as the search moves it.
class Search {
 public:
  explicit Search(int n) : n_(n), slider_(kd71::channel_controls(n).delay) {}

  // False without a bit rate: the step would not be finite.
  bool can_move() const { return std::isfinite(step_) && step_ > 0.0; }
  float x() const { return x_; }
  int frequency() const { return packets[n_].frequency; }
  int fast_errors() const { return packets[n_].fast_error_count; }
  bool window_errors() const { return packets[n_].error_count != 0; }
  bool at_floor() const { return x_ <= kFloor; }

  // One poll and one read, taken as they come.
  void exchange() {
    writePollRequest(channel_code(n_, kRoutineKind));
    readPacket(n_);
  }

  // The delay through the slider's handler, as a value change.
  void apply(double volts) {
    SetCtrlVal(panelHandle, slider_, volts);
    CB_DAC(panelHandle, slider_, EVENT_VAL_CHANGED, nullptr, 0, 0);
  }

  // The delay at the top of its range, and the step from the bit rate that
  // the board reports there. (Before this exchange the channel's record may
  // hold another packet than a routine one: the tick's phase read-back in
  // manual mode leaves one there.)
  void start() {
    begin_routine_progress();
    x_ = kStartDelay;
    apply(x_);
    exchange();
    const float period_ps = static_cast<float>(kPicosecondMegahertz / packets[n_].frequency);
    step_ = period_ps / kMovesPerBit / kDelayPsPerStep * kDelayVoltsPerStep;
  }

  void move() {
    x_ = static_cast<float>(x_ - step_);
    apply(x_);
    Delay(kMoveSettle);
    exchange();
    ++moves_;
    const double to_floor = std::ceil((x_ - kFloor) / step_);
    const double left = routine_seconds_left(moves_, to_floor > 0.0 ? static_cast<int>(to_floor) : 0);
    show_routine_progress("CH%d auto search: %.3f V, move %d, about %.0f s left", n_, x_, moves_,
                        left);
  }

  // The window from `hi` down to the errored point `b`: the delay goes to
  // its middle.
  void result(float hi, float b) {
    const float lo = static_cast<float>(b + step_);
    const double width = static_cast<double>(hi) - lo;
    const double centre = lo + width * 0.5;
    if (debugPanelOpen) {
      SetCtrlVal(debugPanelHandle, PANELDEBUG_LEFTNOERROR, static_cast<double>(lo));
      SetCtrlVal(debugPanelHandle, PANELDEBUG_RIGHTNOERROR, static_cast<double>(hi));
      SetCtrlVal(debugPanelHandle, PANELDEBUG_DELTAV, width);
    }
    show_routine_progress("CH%d auto search: centred at %.3f V", n_, centre);
    apply(centre);
    Delay(kResultSettle);
    exchange();
  }

 private:
  int n_;
  int slider_;
  double step_ = 0.0;
  float x_ = kStartDelay;
  int moves_ = 0;
};

// The stop check after a move: a stop button, or the board lost under the
// search (nothing it measures from then on is the channel's). True when
// the search is to end; the display is then restored.
bool halted() {
  if (!link_lost()) return ExitIfStopIsPressed() != 0;
  ShowDisplayAfterAutoSyncButton();
  return true;
}

// The search from 2.7 V down. True when a stop check ended it (the display
// is then restored); false when it ended on its own.
bool search(Search& s) {
  // Down to the first errored band.
  while (s.fast_errors() == 0) {
    s.move();
    if (halted()) return true;
    if (s.at_floor()) return false;
  }
  // Across it: the top of the error-free window.
  do {
    s.move();
    if (s.at_floor()) return false;
    if (halted()) return true;
  } while (s.fast_errors() != 0);
  float hi = s.x();
  // Down to the window's bottom (or the floor, which closes it).
  do {
    s.move();
    if (s.at_floor()) break;
    if (halted()) return true;
  } while (s.fast_errors() == 0);
  float b = s.x();
  if (s.frequency() < kHighRateMhz) {
    s.result(hi, b);
    return false;
  }

  // High rates: the window below the next errored band.
  s.exchange();
  if (s.fast_errors() == 0) {
    do {
      s.move();
      if (halted()) return true;
      if (s.at_floor()) return false;  // the floor holds here as everywhere else
    } while (s.fast_errors() == 0);
  }
  b = s.x();
  if (!s.window_errors()) {
    s.result(b, b);
    return false;
  }
  do {
    s.move();
    if (s.at_floor()) return false;
    if (halted()) return true;
  } while (s.window_errors());
  if (s.fast_errors() != 0) {
    s.result(s.x(), s.x());
    return false;
  }
  hi = s.x();
  do {
    s.move();
    if (s.at_floor()) break;
    if (halted()) return true;
  } while (s.fast_errors() == 0);
  s.result(hi, s.x());
  return false;
}

}  // namespace

int AutoSearch(int /*panel*/, int control, int event, void* /*callbackData*/, int /*eventData1*/,
               int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  const int n = kd71::channel_of(control, &kd71::ChannelControls::auto_search);
  if (n == 0) return 0;
  RoutineGuard guard(n, "auto search");
  lock_panel(true);
  Search s(n);
  s.start();
  // Without a bit rate there is no step to move by: the search ends before
  // its first move.
  const bool stopped = s.can_move() && search(s);
  if (!stopped) ShowDisplayAfterAutoSyncButton();
  end_routine_progress();
  guard.give_back_if_lost();
  return 0;
}

int ExitIfStopIsPressed() {
  int panel = 0, control = 0;
  const bool stop_button =
      GetUserEvent(0, &panel, &control) == EVENT_COMMIT && panel == panelHandle &&
      (control == PANELMAIN_CH1_AUTOSEARCH_STOP || control == PANELMAIN_CH2_AUTOSEARCH_STOP);
  // A stop signal or a closed main window stops the search as well, and is
  // left pending: the program quits once the search has ended.
  if (!stop_button && !stop_requested()) return 0;
  ShowDisplayAfterAutoSyncButton();
  return 1;
}

void ShowDisplayAfterAutoSyncButton() {
  int panel = 0, control = 0;
  while (GetUserEvent(0, &panel, &control) != EVENT_NONE) {
  }
  // A quit that a stop signal or the closed window had queued went with
  // them: it is queued again once the search has ended.
  quit_commits_dropped();
  lock_panel(false);
}
