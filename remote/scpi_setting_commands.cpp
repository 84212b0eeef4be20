// The settings a remote client changes: each channel's pattern, input
// clock, manual mode, threshold and sampling delay (INPut), its timed test
// (TEST state and interval), the criteria of the tests' verdicts
// (CALCulate), and *RST. Each goes through its control as the user's click
// does; a control the user could not change now (dimmed) is left alone.

#include <cmath>

#include "app/panel_handles.h"
#include "platform/ui_runtime/ui_store.h"
#include "remote/scpi_commands.h"
#include "remote/scpi_controls.h"
#include "remote/scpi_errors.h"
#include "remote/scpi_values.h"
#include "results/run_verdict.h"

namespace kd71::scpi {

namespace {

constexpr Choice kPatterns[] = {
    {"PRBS7", 0},  {"PRBS9", 1},  {"PRBS11", 2}, {"PRBS15", 3}, {"PRBS17", 4},
    {"PRBS20", 5}, {"PRBS23", 6}, {"PRBS29", 7}, {"PRBS31", 8}, {"OFF", 99},
};
// "Clock/2", "Clock" and "Div /4" of the input-clock ring.
constexpr Choice kInputClocks[] = {{"HALF", 0}, {"FULL", 1}, {"DIV4", 2}};

constexpr int kThresholdDecimals = 2;
constexpr int kDelayDecimals = 3;
constexpr Range kTargetRange{0.0, 1.0, kDefaultTargetBer};
constexpr Range kConfidenceRange{50.0, 100.0, kDefaultConfidencePercent};
constexpr int kConfidenceDecimals = 3;
constexpr double kConfidenceResolution = 1000.0;  // 10^kConfidenceDecimals

const ChannelControls& ch(const Context& c) { return channel_controls(c.channel); }

int int_value(int control) { return static_cast<int>(value_of(control)); }

// The numeric setting of a slider, in its range.
void set_slider(Context& c, int control) {
  double v = 0.0;
  if (!number_param(c, 0, range_of(control), &v) || !operable(c, control)) return;
  slide(control, v);
}

void query_number(Context& c, int control, int decimals) {
  double v = value_of(control);
  bool given = false;
  if (!range_query(c, range_of(control), &v, &given) && !c.params().empty()) return;
  c.respond(nr2(v, decimals));
}

// The toggle of a timed test switched to `on`; a toggle already there is
// left as it is (the run goes on).
void switch_test(int toggle, bool on) {
  if ((int_value(toggle) != 0) != on) commit(toggle, on ? 1 : 0);
}

}  // namespace

void pattern(Context& c) {
  int v = 0;
  if (choice_param(c, 0, kPatterns, &v) && operable(c, ch(c).pattern)) commit(ch(c).pattern, v);
}

void pattern_query(Context& c) { c.respond(choice_word(kPatterns, int_value(ch(c).pattern))); }

void input_clock(Context& c) {
  int v = 0;
  if (choice_param(c, 0, kInputClocks, &v) && operable(c, ch(c).input_clock))
    commit(ch(c).input_clock, v);
}

void input_clock_query(Context& c) {
  c.respond(choice_word(kInputClocks, int_value(ch(c).input_clock)));
}

void manual_mode(Context& c) {
  bool on = false;
  if (bool_param(c, 0, &on) && operable(c, ch(c).manual_mode)) commit(ch(c).manual_mode, on);
}

void manual_mode_query(Context& c) { c.respond(boolean(int_value(ch(c).manual_mode) != 0)); }

void threshold(Context& c) { set_slider(c, ch(c).threshold); }
void threshold_query(Context& c) { query_number(c, ch(c).threshold, kThresholdDecimals); }
void delay(Context& c) { set_slider(c, ch(c).delay); }
void delay_query(Context& c) { query_number(c, ch(c).delay, kDelayDecimals); }

void test_state(Context& c) {
  bool on = false;
  if (bool_param(c, 0, &on) && operable(c, ch(c).test_toggle)) switch_test(ch(c).test_toggle, on);
}

void test_state_query(Context& c) { c.respond(boolean(int_value(ch(c).test_toggle) != 0)); }

// The interval is read when the test is switched on, as the panel's entry.
void test_interval(Context& c) {
  const int control = ch(c).test_interval;
  double v = 0.0;
  if (!number_param(c, 0, range_of(control), &v) || !operable(c, control)) return;
  SetCtrlVal(panelHandle, control, static_cast<unsigned>(std::lround(v)));
}

void test_interval_query(Context& c) { query_number(c, ch(c).test_interval, 0); }

void target(Context& c) {
  double v = 0.0;
  if (number_param(c, 0, kTargetRange, &v) && !set_target_ber(v))
    c.error(kDataOutOfRange, "a ratio between 0 and 1, both excluded");
}

void target_query(Context& c) { c.respond(nr3(berCriteria.target)); }

void confidence(Context& c) {
  double v = 0.0;
  // Kept as it reads back, to a thousandth of a percent: a level that
  // rounds to 100 is no level.
  if (number_param(c, 0, kConfidenceRange, &v) &&
      !set_confidence_percent(std::round(v * kConfidenceResolution) / kConfidenceResolution))
    c.error(kDataOutOfRange, "from 50 to below 100");
}

void confidence_query(Context& c) {
  c.respond(nr2(berCriteria.confidencePercent, kConfidenceDecimals));
}

// The panel's start values: each channel's timed test off with its start
// interval, automatic mode, the start pattern and input clock, the
// threshold at its start value, and the default criteria. The sampling
// delays (used in manual mode only) keep their values. Nothing changes
// without a board, whose settings could not be sent.
void rst(Context& c) {
  if (!board_connected()) {
    c.error(kSettingsConflict, "no board connected");
    return;
  }
  for (int n = 1; n <= kChannels; ++n) {
    const ChannelControls& k = channel_controls(n);
    switch_test(k.test_toggle, false);
    SetCtrlVal(panelHandle, k.test_interval, static_cast<unsigned>(range_of(k.test_interval).def));
    if (int_value(k.manual_mode) != 0) commit(k.manual_mode, 0);
    commit(k.pattern, static_cast<int>(range_of(k.pattern).def));
    commit(k.input_clock, static_cast<int>(range_of(k.input_clock).def));
    slide(k.threshold, range_of(k.threshold).def);
  }
  set_target_ber(kDefaultTargetBer);
  set_confidence_percent(kDefaultConfidencePercent);
}

}  // namespace kd71::scpi
