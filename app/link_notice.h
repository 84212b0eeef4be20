// The main panel's link notice: "USB CONNECTED" or "USB NOT CONNECTED" in
// its colour.
#pragma once

void show_link(const char* notice, int colour);

// A board lost while a routine holds the thread is told by no tick until
// the routine ends: this shows the notice "USB NOT CONNECTED" at once
// (supervision reconnects at the next tick as ever). Called by routines as
// they report their progress.
void show_lost_link();
