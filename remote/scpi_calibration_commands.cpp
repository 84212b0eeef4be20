// The calibration routines a remote client starts: each presses the
// routine's button, whose commit the event loop dispatches as it does a
// click, and counts as the client's operation until the routine has run
// (*OPC?, *WAI). The stops press a stop button, which a running auto search
// takes at its next stop check.

#include "app/debug_panel.h"
#include "app/panel_handles.h"
#include "platform/ui_runtime/ui_store.h"
#include "remote/scpi_commands.h"
#include "remote/scpi_controls.h"
#include "remote/scpi_errors.h"
#include "remote/scpi_values.h"
#include "ui/main_uir.h"

namespace kd71::scpi {

namespace {

const ChannelControls& ch(const Context& c) { return channel_controls(c.channel); }

void press(Context& c, int panel, int control) {
  kd71::ui::post_event(panel, control, EVENT_COMMIT);
  c.session.add_operation(kd71::ui::last_posted_event());
}

bool dimmed(int control) {
  int d = 1;
  GetCtrlAttribute(panelHandle, control, ATTR_DIMMED, &d);
  return d != 0;
}

}  // namespace

void initiate(Context& c) {
  if (operable(c, ch(c).init)) press(c, panelHandle, ch(c).init);
}

void auto_search(Context& c) {
  if (operable(c, ch(c).auto_search)) press(c, panelHandle, ch(c).auto_search);
}

void auto_search_stop(Context& c) {
  if (operable(c, ch(c).auto_search_stop)) press_stop(ch(c).auto_search_stop);
}

// Either channel's stop ends a search on either: the first one operable.
void abort_search(Context&) {
  for (int n = 1; n <= kChannels; ++n) {
    if (dimmed(channel_controls(n).auto_search_stop)) continue;
    press_stop(channel_controls(n).auto_search_stop);
    return;
  }
}

// The phase trial is a tool of the debug panel: the panel is opened as the
// Debug menu opens it, when it is not open, and stays open. Its channel box
// takes the channel's number as a value only: its own commit would also
// apply the panel's sample length and run the checked debug routines.
void phase_trial(Context& c) {
  if (!board_connected()) {
    c.error(kSettingsConflict, "no board connected");
    return;
  }
  if (!debugPanelOpen) kd71::ui::dispatch_menu_now(panelHandle, MENUBAR_ITEM1);
  if (!debugPanelOpen) {
    c.error(kExecutionError, "the debug panel cannot be opened");
    return;
  }
  SetCtrlVal(debugPanelHandle, PANELDEBUG_SNAPSHOT_CH, c.channel);
  press(c, debugPanelHandle, PANELDEBUG_TRY_PHASES);
}

// One character per phase, "." error-free and "x" errors; empty before a
// trial, or while the debug panel is closed.
void phase_trial_result_query(Context& c) {
  c.respond(quoted(debugPanelOpen
                       ? kd71::ui::text_value(debugPanelHandle, PANELDEBUG_ERRFREE_BY_PHASE)
                       : std::string()));
}

}  // namespace kd71::scpi
