// The debug panel and the scope panel: opening and closing them, their open
// flags (every routine writes to their controls only while the flag is set),
// the print switches, the expander pins, the phase settings, the DAC
// read-back and the link reset.
#pragma once

#include "app/panel_handles.h"

void Debug(int menuBar, int menuItem, void* callbackData, int panel);
int open_scope_panel(int panel, int control, int event, void* callbackData, int eventData1,
                     int eventData2);
// The scope panel was closed by its window: the searches stop plotting.
void scope_panel_closed();
int debugs(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int io_expander(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
int general_purpose_IO_DebugPanel(int panel, int control, int event, void* callbackData,
                                  int eventData1, int eventData2);
int CB_ReadDAC(int panel, int control, int event, void* callbackData, int eventData1,
               int eventData2);
// Commit callback of PANELDEBUG_USB_RESET: closes the link and makes the
// next tick reconnect and re-apply the settings.
int UsbReset(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CBdebugTimer(int panel, int control, int event, void* callbackData, int eventData1,
                 int eventData2);

void debug_panel_reset();
