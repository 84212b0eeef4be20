// A board for the threshold routines: a recording bridge whose FPGA keeps
// the threshold last written to a channel and answers each routine poll with
// the ones count, fast error count and state that the test's signal gives
// at that threshold.
#pragma once

#include <functional>
#include <vector>

#include "platform/bridge/bridge_double.h"
#include "tests/support/app_fixture.h"
#include "tests/support/scripted_frontend.h"

namespace kd71::test {

struct ThresholdWrite {
  int channel;
  int code_p, code_n;
  bool lock;
  double mv;  // the decision level the codes give
};

class SignalBridge : public kd71::bridge::RecordingBridge {
 public:
  // The signal, as functions of the threshold in mV.
  std::function<int(double mv)> ones = [](double) { return 128; };
  std::function<int(double mv)> fast_errors = [](double) { return 0; };
  int state = 0x80;
  // Routine replies that carry state 0x10 (no data) before `state` returns.
  int unmeasured_replies = 0;

  std::vector<ThresholdWrite> thresholds;  // every threshold write, in order
  int routine_polls = 0;

  FT_STATUS set_bit_mode(int token, UCHAR mask, UCHAR mode) override;
  FT_STATUS write(int token, const UCHAR* data, DWORD size, DWORD* written) override;

 private:
  bool byte_mode_ = false;
  double mv_[3] = {};
  int seq_ = 0;
};

// The main panel loaded, the callbacks bound and a SignalBridge opened as
// the instrument.
class SignalTest : public HardwareTest {
 protected:
  void SetUp() override;
  // Opens the debug panel (and with `scope` the scope panel).
  void open_debug_panel(bool scope = false);

  SignalBridge* board = nullptr;
  ScriptedFrontEnd window;  // takes the progress texts and the popups
};

}  // namespace kd71::test
