// A channel as an eye scan takes it over and gives it back: its threshold
// and delay as the sliders show them, its mode, and its setting controls,
// which stay dimmed while the scan runs.
#pragma once

inline constexpr int kScanLockedControls = 8;

struct ScannedChannel {
  int channel = 0;
  float threshold_mv = 0.0f;  // the threshold slider, which the board holds
  float delay_v = 0.0f;       // the sampling-delay slider
  bool automatic = false;     // the channel was in automatic mode
  unsigned char clean_exit = 0;
  double sampling_v = 0.0;  // where the channel sampled: the delay the board reported using
  int dimmed[kScanLockedControls] = {};
};

// Manual mode through the channel's check box. Its own path applies the
// phases the board proposes while the debug panel is open (unless the
// panel keeps its phases); with the panel closed the tick's phase tracking
// would apply them, which a routine holding the thread keeps from running,
// so they are written here.
void enter_manual_mode(int channel);

// Saves the channel, switches it to manual mode when it is in automatic
// mode (in manual mode sets the board's manual-mode pin, which the settings
// applied at a connection leave alone), and dims its setting controls. The delay the board samples
// at is read back from it: in manual mode the slider need not show it (switching to manual mode
// keeps the board's own delay until one is set, and the slider may show the last manual one).
ScannedChannel take_channel(int channel);
// Writes the saved threshold (with the lock a slider's change has) and the
// delay the board used back to it, shows the sliders as they were, returns the channel
// to automatic mode when it was there (its clean-exit flag as it was), and
// its controls to the dimming they had.
void give_back_channel(const ScannedChannel& saved);
