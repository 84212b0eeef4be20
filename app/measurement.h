// The measurement cycle: one tick supervises the link, polls both channels,
// hands new samples to the statistics, follows rate changes in manual mode
// and feeds the debug panel.
#pragma once

struct MeasurementState {
  int prevSeqNo[3];
  int trackedFrequency[3];  // MHz at the last automatic phase update
  double lastTickTime;
  int firmwareVersion;
};

extern MeasurementState measurement;

int CBTimer(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
// Reads the FPGA firmware version from the management packet and shows it.
void ReadMgmtPacket();

// A board lost while a routine holds the thread is told by no tick until
// the routine ends: this shows the notice "USB NOT CONNECTED" at once
// (supervision reconnects at the next tick as ever). Called by routines as
// they report their progress.
void ShowLostLink();

void measurement_reset();
