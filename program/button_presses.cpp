#include "program/button_presses.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/panel_handles.h"
#include "app/stop_signal.h"
#include "hardware/lowlevel_link.h"
#include "platform/ui_runtime/ui_store.h"
#include "platform/ui_runtime/userint.h"
#include "ui/channel_controls.h"

namespace {

struct Press {
  const char* option;  // as the command line names it
  int channel;
  int control;
  const char* dimmed_in;  // the mode that dims the button
};

std::vector<Press> g_presses;

}  // namespace

bool queue_button_press(const char* button, int channel) {
  if (channel != 1 && channel != 2) return false;
  const kd71::ChannelControls& c = kd71::channel_controls(channel);
  if (std::strcmp(button, "init") == 0)
    g_presses.push_back({"--init", channel, c.init, "manual mode, which has no Init"});
  else if (std::strcmp(button, "auto-search") == 0)
    g_presses.push_back({"--auto-search", channel, c.auto_search,
                         "automatic mode; the auto search needs manual mode"});
  else
    return false;
  return true;
}

void press_queued_buttons() {
  if (g_presses.empty() || panelHandle <= 0 || !kd71::ui::loop_running() || kd71::ui::in_callback())
    return;
  if (stop_requested()) {
    g_presses.clear();
    return;
  }
  // The tick that found the board has applied the settings by now. One
  // press at a time, once the last one has run and nothing else waits: a
  // routine that looks for its stop button would take the next press's
  // commit and drop it.
  if (!linkUp || prevLinkState != 1 || kd71::ui::pending_event_count() > 0) return;
  while (!g_presses.empty()) {
    const Press p = g_presses.front();
    g_presses.erase(g_presses.begin());
    int dimmed = 0;
    GetCtrlAttribute(panelHandle, p.control, ATTR_DIMMED, &dimmed);
    if (!dimmed) {
      kd71::ui::post_event(panelHandle, p.control, EVENT_COMMIT);
      return;
    }
    std::fprintf(stderr, "kd71: %s %d skipped: channel %d is in %s\n", p.option, p.channel,
                 p.channel, p.dimmed_in);
  }
}

bool button_presses_pending() { return !g_presses.empty(); }

void button_presses_reset() { g_presses.clear(); }
