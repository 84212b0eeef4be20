#include "app/debug_panel.h"

int debugPanelHandle = 0;
unsigned char debugPanelOpen = 0;

void debug_panel_reset() {
  debugPanelHandle = 0;
  debugPanelOpen = 0;
}
