#include "app/window_close.h"

#include "app/debug_panel.h"
#include "app/stop_signal.h"
#include "platform/ui_runtime/ui_store.h"
#include "ui/main_uir.h"

void close_panel_window(int panel) {
  switch (kd71::ui::panel_resource_id(panel)) {
    case PANELMAIN:
      quit_for_window_close();
      break;
    case PANELDEBUG:
      kd71::ui::post_event(panel, PANELDEBUG_CLOSEPANELDEBUG, EVENT_COMMIT);
      break;
    case PANELSCOPE:
      if (scopePanelOpen && panel == scopePanelHandle)
        scope_panel_closed();
      else
        DiscardPanel(panel);
      break;
    default:
      break;
  }
}
