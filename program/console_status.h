// The status line of the headless mode, read from the main panel's controls:
//   USB CONNECTED | CH1 10.000 Gbps errors 0 ratio <5.821e-11 ef 12s sync | CH2 --
// the USB notice; per channel the bit rate as the panel shows it, the last
// sample's error count and error ratio ("<" while the ratio is only a bound),
// the error-free seconds and the pattern sync state of that sample. A
// channel reads "--" until its first sample and while no board is attached.
// While a timed test runs, and after it, the channel's part goes on with
//   test 00:00:10 BER < 3.5e-11 (95 %) not yet: 2.9e+12 more bits error-free
// the elapsed time, the bound of the run's error ratio at the confidence
// level and the verdict on the target ratio ("FAIL at ..." once it ended).
// A copy run for one board (--serial) names it after the notice:
//   USB NOT CONNECTED (awaiting board KD71SIM000003) | CH1 -- | CH2 --
#pragma once

#include <string>

struct PacketRecord;

// Called when the measurement hands a new routine sample of `channel` to the
// statistics: keeps what the status line needs of it. The packet record is
// refilled by other reads (subchannels, snapshot), so it is not read later.
void console_note_sample(int channel, const PacketRecord& sample);

// Registers console_note_sample with the measurement cycle.
void attach_console_status_to_measurement();

// The status line of `panel`.
std::string console_status_line(int panel);

// Forgets the samples.
void console_status_reset();
