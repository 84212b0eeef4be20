// The double-click sweep of a threshold slider: 32 thresholds from the
// channel's previous threshold towards the slider's value, each with the
// lock set, and the middle of the longest error-free run chosen.
#pragma once

// Sweeps channel `channel` (1 or 2) up to `end` mV.
void threshold_sweep(int channel, float end);
