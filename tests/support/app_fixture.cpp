#include "tests/support/app_fixture.h"

#include <cstdio>

#include "app/startup.h"
#include "hardware/lowlevel.h"

namespace kd71::test {

void AppTest::SetUp() {
  HardwareTest::SetUp();
  kd71_bind_callbacks();
  panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  ASSERT_GT(panelHandle, 0);
  bus = open_board<I2cResponder>();
  for (int address : {0x56, 0x57, 0x60, 0x61}) bus->devices[address];
}

void AppTest::reply(const std::vector<UCHAR>& packet) {
  bus->replies.push_back(encode_reply(packet));
}

void AppTest::reply_routine(int frequency, int ones, int state, std::uint64_t errors, int fast,
                            int sync, int seq) {
  reply(routine_packet(frequency, ones, state, errors, fast, sync, seq));
}

std::vector<std::string> AppTest::board_writes() const {
  std::vector<std::string> out;
  std::size_t next_i2c = 0;
  bool byte_mode = false;
  char text[16];
  auto flush_i2c_until = [&](std::size_t call) {
    for (; next_i2c < bus->transactions.size() && bus->transactions[next_i2c].call_index <= call;
         ++next_i2c) {
      const I2cTransaction& t = bus->transactions[next_i2c];
      if (t.read || t.bytes.size() < 2) continue;
      std::string line = "I2C";
      std::snprintf(text, sizeof text, " %02X", t.address);
      line += text;
      for (unsigned char b : t.bytes) {
        std::snprintf(text, sizeof text, " %02X", b);
        line += text;
      }
      out.push_back(line);
    }
  };
  for (std::size_t i = 0; i < bus->calls.size(); ++i) {
    const auto& c = bus->calls[i];
    if (c.fn == kd71::bridge::Fn::SetBitMode) byte_mode = c.args[1] == 0;
    if (c.fn != kd71::bridge::Fn::Write || !byte_mode || c.data.empty()) continue;
    flush_i2c_until(i);
    if ((c.data[0] & 0x0F) != 0x0F) continue;  // a poll request
    std::snprintf(text, sizeof text, "REG %d", c.data[0] >> 4);
    std::string line = text;
    for (std::size_t k = 1; k + 1 < c.data.size(); k += 2) {
      std::snprintf(text, sizeof text, " %02X", (c.data[k] & 0xF0) | (c.data[k + 1] >> 4));
      line += text;
    }
    out.push_back(line);
  }
  flush_i2c_until(bus->calls.size());
  return out;
}

int AppTest::dimmed(int control, int panel) const {
  int v = -1;
  GetCtrlAttribute(panel ? panel : panelHandle, control, ATTR_DIMMED, &v);
  return v;
}

int AppTest::visible(int control, int panel) const {
  int v = -1;
  GetCtrlAttribute(panel ? panel : panelHandle, control, ATTR_VISIBLE, &v);
  return v;
}

int AppTest::fill(int control, int panel) const {
  int v = -1;
  GetCtrlAttribute(panel ? panel : panelHandle, control, ATTR_FILL_COLOR, &v);
  return v;
}

std::string AppTest::text(int control, int panel) const {
  std::string v;
  GetCtrlVal(panel ? panel : panelHandle, control, &v);
  return v;
}

}  // namespace kd71::test
