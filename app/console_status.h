// The status line of the headless mode, read from the main panel's controls:
//   USB CONNECTED | CH1 10.000 Gbps errors 0 ratio <5.821e-11 ef 12s sync | CH2 ...
// the USB notice; per channel the bit rate as the panel shows it, the last
// sample's error count and error ratio ("<" while the ratio is only a bound),
// the error-free seconds and the pattern sync state.
#pragma once

#include <string>

// `sync1` and `sync2`: whether each channel's pattern is in sync.
std::string console_status_line(int panel, bool sync1, bool sync2);

// The same with the sync states of the channels' last routine packets.
std::string console_status_line(int panel);
