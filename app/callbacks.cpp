// Binds each callback that the panel definitions name to its function.
#include "app/analog_controls.h"
#include "app/channel_config.h"
#include "app/channel_init.h"
#include "app/debug_panel.h"
#include "app/delay_auto_search.h"
#include "app/measurement.h"
#include "app/phase_trial.h"
#include "app/settings_file.h"
#include "app/snapshot_analysis.h"
#include "app/startup.h"
#include "app/statistics.h"
#include "platform/ui_runtime/ui_store.h"
#include "ui/main_uir.h"
#include "ui/main_uir_panels.h"

void kd71_bind_callbacks() {
  kd71::uir::register_main_uir();
  using kd71::ui::bind_callback;
  using kd71::ui::bind_menu_callback;
  bind_callback("QuitAll", QuitAll);
  bind_callback("quit_panel", quit_panel);
  bind_callback("UsbReset", UsbReset);
  bind_callback("CBTimer", CBTimer);
  bind_callback("general_purpose_IO", general_purpose_IO);
  bind_callback("LoadFlags", LoadFlags);
  bind_callback("CB_TotalErrCntButton", CB_TotalErrCntButton);
  bind_callback("CB_DAC", CB_DAC);
  bind_callback("CB_InitChan", CB_InitChan);
  bind_callback("AutoSearch", AutoSearch);
  bind_callback("CB_TryPhases", CB_TryPhases);
  bind_callback("open_scope_panel", open_scope_panel);
  bind_callback("debugs", debugs);
  bind_callback("io_expander", io_expander);
  bind_callback("general_purpose_IO_DebugPanel", general_purpose_IO_DebugPanel);
  bind_callback("CB_ReadDAC", CB_ReadDAC);
  bind_callback("CBdebugTimer", CBdebugTimer);
  bind_callback("CB_Debug", CB_Debug);
  bind_menu_callback("Debug", Debug);
  bind_menu_callback("FileSaveAs", FileSaveAs);
  bind_menu_callback("FileOpen", FileOpen);
}
