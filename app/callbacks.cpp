// Binds each callback that the panel definitions name to its function.
#include "app/startup.h"
#include "hardware/lowlevel.h"
#include "platform/ui_store.h"
#include "ui/main_uir.h"

void kd71_bind_callbacks() {
  using kd71::ui::bind_callback;
  bind_callback("QuitAll", QuitAll);
  bind_callback("quit_panel", quit_panel);
  bind_callback("UsbReset", UsbReset);
}
