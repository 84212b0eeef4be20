#include "app/debug_routines.h"

#include <cstdio>

#include "app/routine_progress.h"
#include "app/stop_signal.h"
#include "hardware/DS4520.h"
#include "hardware/MCP4728.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"
#include "ui/main_uir.h"

namespace {

constexpr int kLoopbackPasses = 100;
constexpr double kLoopbackSettle = 0.1;  // the FPGA's echo is read 0.1 s after the write
constexpr unsigned kPrbs7Start = 0x7F;
// The bytes the loopback read-back overwrites, so that a missing echo shows.
constexpr unsigned char kLoopbackFill = 0x55;
constexpr int kLoopbackRecord = 1;

bool checked(int panel, int control) {
  int v = 0;
  GetCtrlVal(panel, control, &v);
  return v != 0;
}

// The progress line of pass `done` of `total`, with the time left.
void show_pass(const char* routine, int done, int total) {
  const double left = routine_seconds_left(done, total - done);
  if (left < 0.0)
    show_routine_progress("%s: pass %d of %d", routine, done, total);
  else
    show_routine_progress("%s: pass %d of %d, %.0f s left", routine, done, total, left);
}

}  // namespace

int debug_dac_sweep() {
  begin_routine_progress();
  int done = 0;
  while (done < kDacSweeps) {
    show_pass("DAC sweep", done, kDacSweeps);
    dac_sweep_pass(kDebugSweepPosition, false);
    ++done;
    if (stop_signal_seen() && done < kDacSweeps) {
      std::printf("DAC sweep stopped after %d of %d sweeps: the program quits\n", done, kDacSweeps);
      break;
    }
  }
  end_routine_progress();
  return done;
}

int loopback_test() {
  begin_routine_progress();
  unsigned state = kPrbs7Start;  // kept whole: its low 8 bits are the last 8 sequence bits
  int found_error = 0;
  unsigned char* record = packets[kLoopbackRecord].bytes;
  for (int pass = 0; pass < kLoopbackPasses; ++pass) {
    show_pass("loopback test", pass, kLoopbackPasses);
    state = (state << 1) | (((state >> 6) ^ (state >> 5)) & 1u);
    const unsigned char v = static_cast<unsigned char>(state);
    const int count = encode_loopback(record, v);
    writePacket(kLoopbackRecord, kLoopbackRegister, count);
    const int expected = static_cast<unsigned char>(~v) * 256 + v;
    record[0] = record[1] = kLoopbackFill;
    Delay(kLoopbackSettle);
    pollReadPacket(kLoopbackRecord, channel_code(1, kLoopbackKind));
    const int read_back = decode_loopback_word(record);
    if (read_back != expected) found_error = 1;
    std::printf("n: %4x  rb: %4x buf: %2x %2x %2x\n", expected, read_back, record[0], record[1],
                record[2]);
  }
  std::printf("foundErrFlag: %d\n", found_error);
  end_routine_progress();
  return found_error;
}

void run_debug_routines(int panel) {
  if (!stop_signal_seen() && checked(panel, PANELDEBUG_CHECKBOX_DAC_Dump)) mcp4728_dac_dump();
  if (!stop_signal_seen() && checked(panel, PANELDEBUG_CHECKBOX_IO_Dump)) DS4520_IO_dump();
  if (!stop_signal_seen() && checked(panel, PANELDEBUG_CHECKBOX_DAC_Sweep)) debug_dac_sweep();
  if (!stop_signal_seen() && checked(panel, PANELDEBUG_CHECKBOX_LOOPBACK)) loopback_test();
}
