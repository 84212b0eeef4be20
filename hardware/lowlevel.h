// The board's lowlevel module as a whole: the link (lowlevel_link.h) and the
// packet transport (lowlevel_packets.h), for the callers that use both.
#pragma once

#include "hardware/lowlevel_link.h"
#include "hardware/lowlevel_packets.h"

// Puts the link and packet globals back to their start values.
inline void lowlevel_reset() {
  lowlevel_link_reset();
  lowlevel_packets_reset();
}
