#include "app/link_notice.h"

#include "app/panel_handles.h"
#include "hardware/link_state.h"
#include "platform/ui_runtime/colours.h"
#include "platform/ui_runtime/ui_store.h"
#include "ui/main_uir.h"

void show_link(const char* notice, int colour) {
  SetCtrlVal(panelHandle, PANELMAIN_NOTIFY_USER, notice);
  SetCtrlAttribute(panelHandle, PANELMAIN_NOTIFY_USER, ATTR_TEXT_COLOR, colour);
}

void show_lost_link() {
  if (panelHandle <= 0 || !linkUp || !link_lost()) return;
  if (kd71::ui::text_value(panelHandle, PANELMAIN_NOTIFY_USER) == "USB NOT CONNECTED") return;
  show_link("USB NOT CONNECTED", kDarkRed);
}
