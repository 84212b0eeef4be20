// Pushing the main panel's settings to the board, and dimming the controls
// that need a board while none is connected.
#pragma once

// Sends pattern, input clock, DAC references, thresholds, manual mode and
// sampling delays in a fixed order with short pauses, then makes the panel
// operable. Returns 0.
int LoadSettingsIntoHardware();
// Dims (1) or undims (0) the 52 main-panel controls that need a board.
void SetAllAttribsMain(int dimmed);
