#include "tests/support/hardware_fixture.h"

#include <cstdio>

namespace kd71::test {

using kd71::bridge::Fn;

std::vector<std::string> HardwareTest::tokens() const {
  std::vector<std::string> out;
  char text[32];
  for (const auto& c : bridge_->calls) {
    switch (c.fn) {
      case Fn::Write:
        for (UCHAR b : c.data) {
          std::snprintf(text, sizeof text, "W%02X", b);
          out.push_back(text);
        }
        continue;
      case Fn::SetBitMode:
        std::snprintf(text, sizeof text, "M%02X/%u", c.args[0], c.args[1]);
        break;
      case Fn::GetBitMode:
        std::snprintf(text, sizeof text, "S");
        break;
      case Fn::Purge:
        std::snprintf(text, sizeof text, "P%u", c.args[0]);
        break;
      case Fn::GetStatus:
        std::snprintf(text, sizeof text, "G");
        break;
      case Fn::Read:
        std::snprintf(text, sizeof text, "R%u", c.args[0]);
        break;
      default:
        std::snprintf(text, sizeof text, "%s", kd71::bridge::fn_name(c.fn));
        break;
    }
    out.push_back(text);
  }
  return out;
}

std::vector<UCHAR> encode_reply(const std::vector<UCHAR>& packet) {
  std::vector<UCHAR> bus;
  UCHAR junk = 0x5;
  for (UCHAR b : packet) {
    bus.push_back(static_cast<UCHAR>((b & 0xF0) | (junk++ & 0x0F)));
    bus.push_back(static_cast<UCHAR>(((b << 4) & 0xF0) | (junk++ & 0x0F)));
  }
  return bus;
}

std::vector<UCHAR> routine_packet(int frequency_mhz, int ones, int state, std::uint64_t errors,
                                  int fast_errors, int sync, int seq_no) {
  const int half = frequency_mhz / 2;
  return {static_cast<UCHAR>(half >> 8),
          static_cast<UCHAR>(half),
          static_cast<UCHAR>(ones),
          static_cast<UCHAR>(state),
          static_cast<UCHAR>(errors >> 32),
          static_cast<UCHAR>(errors >> 24),
          static_cast<UCHAR>(errors >> 16),
          static_cast<UCHAR>(errors >> 8),
          static_cast<UCHAR>(errors),
          static_cast<UCHAR>(fast_errors),
          static_cast<UCHAR>(sync),
          static_cast<UCHAR>(0xA0 | seq_no),
          kTrailer};
}

}  // namespace kd71::test
