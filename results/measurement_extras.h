// What the program's own features take from the measurement cycle: each new
// sample of a channel, after the statistics have taken it, and the link
// state after each supervision step. They go to the error-ratio history
// and the measurement log; on the tick, so nothing here allocates.
#pragma once

struct PacketRecord;

void extras_new_sample(int channel, const PacketRecord& sample);
// `connected`: the link state the cycle acts on (1 connected, 0 not).
void extras_link_state(int connected, double noticed_at);
// Registers the two with the measurement cycle.
void attach_results_to_measurement();

void measurement_extras_reset();
