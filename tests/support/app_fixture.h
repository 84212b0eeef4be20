// Fixture for the application routines: the main panel loaded as at
// start-up, the callbacks bound, and a recording bridge with the board's I2C
// devices opened as the instrument.
#pragma once

#include <string>
#include <vector>

#include "app/panel_handles.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/support/hardware_fixture.h"
#include "ui/main_uir.h"

namespace kd71::test {

class AppTest : public HardwareTest {
 protected:
  void SetUp() override;

  // Queues the reply to the next poll.
  void reply(const std::vector<UCHAR>& packet);
  void reply_routine(int frequency, int ones, int state, std::uint64_t errors, int fast, int sync,
                     int seq);

  // What went to the board, in order: "I2C <addr> <bytes...>" for each
  // written I2C transaction and "REG <register> <data bytes...>" for each
  // FPGA register write.
  std::vector<std::string> board_writes() const;

  int dimmed(int control, int panel = 0) const;
  int visible(int control, int panel = 0) const;
  int fill(int control, int panel = 0) const;
  std::string text(int control, int panel = 0) const;

  I2cResponder* bus = nullptr;
};

}  // namespace kd71::test
