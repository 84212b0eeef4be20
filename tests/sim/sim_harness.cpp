#include "tests/sim/sim_harness.h"

namespace kd71::test {
namespace {

constexpr UCHAR kRestMask = 0xFC;  // I2C lines released, other pins outputs
constexpr UCHAR kScl = 0x01;
constexpr UCHAR kSda = 0x02;

}  // namespace

kd71::sim::SimBoard* SimHarness::start(const kd71::sim::Scenario& scenario) {
  board = kd71::sim::install_simulated_board(scenario);
  FT_DEVICE_LIST_INFO_NODE nodes[16] = {};
  DWORD n = 16;
  EXPECT_EQ(FT_CreateDeviceInfoList(&n), FT_OK);
  EXPECT_EQ(FT_GetDeviceInfoList(nodes, &n), FT_OK);
  int index = -1;
  for (DWORD i = 0; i < n && i < 16; ++i)
    if (std::string(nodes[i].Description) == "VORN_KD71_2CH" && index < 0)
      index = static_cast<int>(i);
  if (index >= 0) {
    EXPECT_EQ(FT_Open(index, &handle), FT_OK);
    EXPECT_EQ(FT_SetBitMode(handle, kRestMask, FT_BITMODE_ASYNC_BITBANG), FT_OK);
  }
  return board;
}

void SimHarness::send(const std::vector<std::uint8_t>& bytes) {
  ASSERT_EQ(FT_SetBitMode(handle, kRestMask, FT_BITMODE_RESET), FT_OK);
  DWORD written = 0;
  std::vector<std::uint8_t> copy = bytes;
  ASSERT_EQ(FT_Write(handle, copy.data(), static_cast<DWORD>(copy.size()), &written), FT_OK);
  ASSERT_EQ(written, copy.size());
  ASSERT_EQ(FT_SetBitMode(handle, kRestMask, FT_BITMODE_ASYNC_BITBANG), FT_OK);
}

std::vector<std::uint8_t> SimHarness::poll_raw(int type, DWORD expect) {
  EXPECT_EQ(FT_Purge(handle, FT_PURGE_RX | FT_PURGE_TX), FT_OK);
  send({static_cast<std::uint8_t>(type << 4 | 0x7)});
  std::vector<std::uint8_t> buffer(expect);
  DWORD got = 0;
  EXPECT_EQ(FT_Read(handle, buffer.data(), expect, &got), FT_OK);
  buffer.resize(got);
  return buffer;
}

std::vector<std::uint8_t> SimHarness::poll(int type) {
  const std::vector<std::uint8_t> raw = poll_raw(type);
  std::vector<std::uint8_t> packet;
  for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
    packet.push_back(static_cast<std::uint8_t>((raw[i] & 0xF0) | (raw[i + 1] >> 4)));
  return packet;
}

void SimHarness::write_register(int reg, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(reg << 4 | 0x0F)};
  for (std::uint8_t d : data) {
    bytes.push_back(static_cast<std::uint8_t>((d & 0xF0) | 0x0B));
    bytes.push_back(static_cast<std::uint8_t>((d << 4) | 0x0B));
  }
  send(bytes);
}

void SimHarness::write_threshold(int channel, int code_p, int code_n, bool lock) {
  write_register(channel * 8 - 3,
                 {static_cast<std::uint8_t>((lock ? 0x10 : 0) | (code_p >> 8)),
                  static_cast<std::uint8_t>(code_p & 0xFF), static_cast<std::uint8_t>(code_n >> 8),
                  static_cast<std::uint8_t>(code_n & 0xFF)});
}

void SimHarness::lines(bool scl_low, bool sda_low) {
  const UCHAR mask = static_cast<UCHAR>(kRestMask | (scl_low ? kScl : 0) | (sda_low ? kSda : 0));
  ASSERT_EQ(FT_SetBitMode(handle, mask, FT_BITMODE_ASYNC_BITBANG), FT_OK);
}

std::uint8_t SimHarness::sample() {
  UCHAR pins = 0;
  EXPECT_EQ(FT_GetBitMode(handle, &pins), FT_OK);
  return pins;
}

void SimHarness::i2c_start() {
  lines(false, false);
  lines(false, true);  // SDA falls while SCL is high
  lines(true, true);
}

void SimHarness::i2c_stop() {
  lines(true, true);
  lines(false, true);
  lines(false, false);  // SDA rises while SCL is high
}

bool SimHarness::i2c_write(std::uint8_t byte) {
  for (int b = 7; b >= 0; --b) {
    const bool low = !((byte >> b) & 1);
    lines(true, low);
    lines(false, low);
    lines(true, low);
  }
  lines(true, false);  // release SDA for the acknowledge
  lines(false, false);
  const bool ack = !(sample() & kSda);
  lines(true, false);
  return ack;
}

std::uint8_t SimHarness::i2c_read(bool ack) {
  std::uint8_t value = 0;
  for (int b = 0; b < 8; ++b) {
    lines(true, false);
    lines(false, false);
    value = static_cast<std::uint8_t>(value << 1 | ((sample() & kSda) ? 1 : 0));
    lines(true, false);
  }
  lines(true, ack);
  lines(false, ack);
  lines(true, ack);
  lines(true, false);
  return value;
}

bool SimHarness::i2c_transfer(std::uint8_t address7, const std::vector<std::uint8_t>& bytes) {
  i2c_start();
  bool all = i2c_write(static_cast<std::uint8_t>(address7 << 1));
  for (std::uint8_t b : bytes) all = i2c_write(b) && all;
  i2c_stop();
  return all;
}

std::vector<std::uint8_t> SimHarness::i2c_read_bytes(std::uint8_t address7, int n) {
  i2c_start();
  i2c_write(static_cast<std::uint8_t>(address7 << 1 | 1));
  std::vector<std::uint8_t> out;
  for (int i = 0; i < n; ++i) out.push_back(i2c_read(i + 1 < n));
  i2c_stop();
  return out;
}

std::uint8_t SimHarness::expander_read(std::uint8_t address7, std::uint8_t reg) {
  i2c_start();
  i2c_write(static_cast<std::uint8_t>(address7 << 1));
  i2c_write(reg);
  i2c_start();  // repeated start
  i2c_write(static_cast<std::uint8_t>(address7 << 1 | 1));
  const std::uint8_t v = i2c_read(false);
  i2c_stop();
  return v;
}

}  // namespace kd71::test
