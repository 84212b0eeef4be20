// The handles of the three panels and the open flags of the two that come and
// go. Every routine that touches a panel's controls reads them here; the
// debug and scope panels are written to only while their flag is set.
#pragma once

// Handle of the main panel, set at start-up (or by the automation library's
// open function).
extern int panelHandle;

extern int debugPanelHandle;
extern unsigned char debugPanelOpen;
extern int scopePanelHandle;
extern unsigned char scopePanelOpen;
