#include "program/console_status.h"

#include "app/link_notice.h"
#include "app/measurement.h"
#include "app/statistics.h"
#include "hardware/lowlevel.h"
#include "platform/ui_runtime/ui_store.h"
#include "results/run_verdict.h"
#include "ui/channel_controls.h"
#include "ui/main_uir.h"
#include "ui/value_text.h"

namespace {

constexpr int kPatternSyncBit = 0x01;  // sync_flags bit 0

// Of each channel's last routine sample.
struct LastSample {
  bool seen = false;
  bool in_sync = false;
};

LastSample g_last[3];

// A control's value as the panel shows it.
std::string shown(int panel, int control) {
  const kd71::uir::ControlDef* def = kd71::ui::control_def(panel, control);
  return def ? kd71::uir::value_text(*def, kd71::ui::numeric_value(panel, control)) : "?";
}

// While a timed test runs or after it: its elapsed time, the bound of the
// error ratio and the verdict on the target.
std::string test_status(int n) {
  const RunVerdict v = run_verdict(n);
  if (!v.running && !v.has_bits) return "";
  char elapsed[kFigureText];
  std::string text = std::string(" test ") + elapsed_text(channelStats[n].testTicks, elapsed);
  if (!v.solved) return text;
  char bound[kBerText], verdict[kBerText];
  return text + " " + bound_text(v.judgement.bound, berCriteria.confidencePercent, bound) + " " +
         verdict_text(v.judgement, berCriteria.target, !v.running, verdict);
}

std::string channel_status(int panel, int n) {
  const kd71::ChannelControls& c = kd71::channel_controls(n);
  const std::string name = n == 1 ? "CH1" : "CH2";
  if (!g_last[n].seen || !linkUp || link_lost()) return name + " --";
  int bound = 0;
  GetCtrlAttribute(panel, c.ratio_bound, ATTR_VISIBLE, &bound);
  return name + " " + shown(panel, c.bit_rate) + " Gbps errors " + shown(panel, c.errors) +
         " ratio " + (bound ? "<" : "") + shown(panel, c.ratio) + " ef " +
         shown(panel, c.error_free) + "s " + (g_last[n].in_sync ? "sync" : "no sync") +
         test_status(n);
}

}  // namespace

void console_note_sample(int channel, const PacketRecord& sample) {
  if (channel < 1 || channel > 2) return;
  g_last[channel] = {.seen = true, .in_sync = (sample.sync_flags & kPatternSyncBit) != 0};
}

void attach_console_status_to_measurement() {
  add_measurement_listener({.new_sample = console_note_sample});
}

std::string console_status_line(int panel) {
  show_lost_link();
  std::string notice = kd71::ui::text_value(panel, PANELMAIN_NOTIFY_USER);
  // A copy for one board of several says which, and which it waits for.
  if (const std::string serial = chosen_board_serial(); !serial.empty())
    notice += (notice == "USB CONNECTED" ? " (board " : " (awaiting board ") + serial + ")";
  return notice + " | " + channel_status(panel, 1) + " | " + channel_status(panel, 2);
}

void console_status_reset() {
  for (LastSample& last : g_last) last = {};
}
