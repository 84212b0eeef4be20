// The per-subchannel error counts and vernier phases on the debug panel.
#pragma once

// Control of subchannel `k` (0-31): subchannels 30 and 31 have swapped
// identifiers in the resource.
int subchannel_errors_control(int k);
int subchannel_phase_control(int k);

void DisplaySubchanErrs();
