// The measurement cycle: one tick supervises the link, polls both channels,
// hands new samples to the statistics, follows rate changes in manual mode
// and feeds the debug panel.
#pragma once

struct PacketRecord;

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

// What the features above the instrument take from the cycle (the log, the
// error-ratio history, the console's status line): each new sample of a
// channel once the statistics have taken it, and the link state after each
// supervision step. Listeners are registered at start-up and called on the
// tick, so they allocate nothing; registering one twice adds it once.
struct MeasurementListener {
  void (*new_sample)(int channel, const PacketRecord& sample) = nullptr;
  // 1 connected, 0 not, with the time the state was noticed: a loss seen
  // inside a routine, or a replug shorter than a tick, is told as a 0
  // before the 1 of the reconnection.
  void (*link_state)(int connected, double noticed_at) = nullptr;
  // The board was opened and configured afresh: what it counted before is
  // gone with its power, even when it was back within one tick.
  void (*link_opened)() = nullptr;
};
void add_measurement_listener(const MeasurementListener& listener);

// Puts the cycle's state back to its start; the listeners stay registered.
void measurement_reset();
