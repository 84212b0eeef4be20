// Every exported function called as a careless caller would: before
// usb_init and after usb_close, with channels that do not exist, and with
// NaN, infinities, huge and negative values. Each call must give the result
// kd71.h documents and touch the board only where it says so; the sanitizer
// build runs the same calls.
#include <cfloat>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/ui_runtime/ui_store.h"
#include "tests/export/automation_fixture.h"
#include "ui/main_uir.h"

extern int panelHandle;

namespace {

using kd71::sim::SimBoard;

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const int kBadChannels[] = {0, 3, -1, INT_MIN, INT_MAX};
const float kBadFloats[] = {kNan, kInf, -kInf, FLT_MAX, -FLT_MAX, 1e30f, -1e30f, -0.0f};
const int kBadInts[] = {INT_MIN, INT_MAX, -1, 256, 1 << 30};

// One exported function with a channel and a value, its result as a
// double, and the results kd71.h gives for a closed instrument and for an
// invalid channel.
struct Exported {
  const char* name;
  std::function<double(int channel, float value, int code)> call;
  double not_open;
  double bad_channel;
};

const std::vector<Exported>& exported() {
  static const std::vector<Exported> all = {
      {"InputClock", [](int c, float, int v) { return InputClock(c, v); }, 0, 1},
      {"DataSel", [](int c, float, int) { return DataSel(c, 8); }, 0, 1},
      {"DataThreshold", [](int c, float v, int) { return DataThreshold(c, v); }, 0, 0},
      {"GetBitRate", [](int c, float, int) { return GetBitRate(c); }, -1, -1},
      {"GetOnes", [](int c, float, int) { return GetOnes(c); }, -1, -1},
      {"GetSyncStatus", [](int c, float, int) { return GetSyncStatus(c); }, -1, -1},
      {"GetErrorCount", [](int c, float, int) { return static_cast<double>(GetErrorCount(c)); }, 0,
       0},
      {"GetFastErrorCount", [](int c, float, int) { return GetFastErrorCount(c); }, -1, -1},
      {"GetErrorRatio", [](int c, float, int) { return GetErrorRatio(c); }, -1, -1},
      {"ReSync", [](int c, float, int) { return ReSync(c); }, 0, 1},
      {"ManualMode", [](int c, float, int v) { return ManualMode(c, v); }, 0, 1},
      {"SampingDelay", [](int c, float v, int) { return SampingDelay(c, v); }, 0, 0},
  };
  return all;
}

class BadCallsTest : public kd71::test::AutomationTest {
 protected:
  // What the board holds that a call could change.
  static std::string board_state(SimBoard* b) {
    std::string s;
    for (int ch : {1, 2})
      s += std::to_string(b->pattern_code(ch)) + " " + std::to_string(b->threshold(ch).code_p) +
           " " + std::to_string(b->manual_mode(ch)) + " " + std::to_string(b->clock_config(ch)) +
           " ";
    for (int device : {0, 1})
      for (int channel = 0; channel < 4; ++channel)
        s += std::to_string(b->dac(device, channel).input.code) + " ";
    return s + std::to_string(b->expander(7).pins) + " " + std::to_string(b->expander(6).pins);
  }
  // Every function, every channel (valid or not), a bad value each time.
  static void call_everything(const Exported& f, double expected) {
    for (int channel : {1, 2, 0, 3, INT_MIN})
      for (float value : {kNan, 1.0f})
        EXPECT_EQ(f.call(channel, value, INT_MIN), expected) << f.name << "(" << channel << ")";
  }
};

TEST_F(BadCallsTest, BeforeInitAndAfterCloseEveryCallGivesItsClosedResultAtOnce) {
  for (const Exported& f : exported()) {
    EXPECT_EQ(seconds_of([&] { call_everything(f, f.not_open); }), 0.0) << f.name;
  }
  EXPECT_EQ(kd71::bridge::installed(), nullptr);  // nothing was even looked for

  SimBoard* board = open();
  ASSERT_EQ(usb_close(), 1);
  const auto calls = board->calls().total();
  for (const Exported& f : exported()) {
    EXPECT_EQ(seconds_of([&] { call_everything(f, f.not_open); }), 0.0) << f.name;
  }
  EXPECT_EQ(board->calls().total(), calls);
  EXPECT_EQ(usb_close(), 1);
}

TEST_F(BadCallsTest, InvalidChannelsGiveTheirResultAndLeaveTheBoardAlone) {
  SimBoard* board = open();
  const std::string before = board_state(board);
  const auto writes = board->counters().register_writes;
  for (const Exported& f : exported())
    for (int channel : kBadChannels)
      for (float value : {1.0f, kNan, -kInf})
        EXPECT_EQ(f.call(channel, value, 1), f.bad_channel) << f.name << "(" << channel << ")";
  EXPECT_EQ(board_state(board), before);
  EXPECT_EQ(board->counters().register_writes, writes);
  EXPECT_EQ(GetBitRate(1), 10000);  // and the instrument still works
}

TEST_F(BadCallsTest, NonFiniteValuesAreRefusedHugeOnesClampedAndIntegersTakenAsDocumented) {
  SimBoard* board = open();
  const double thres1 = kd71::ui::numeric_value(panelHandle, PANELMAIN_CH1_THRES);
  const std::string before = board_state(board);
  for (float bad : {kNan, kInf, -kInf}) EXPECT_EQ(DataThreshold(1, bad), 0);
  EXPECT_EQ(SampingDelay(2, kNan), 0);
  EXPECT_EQ(board_state(board), before);
  EXPECT_EQ(kd71::ui::numeric_value(panelHandle, PANELMAIN_CH1_THRES), thres1);

  for (float v : kBadFloats) {
    if (std::isnan(v)) continue;
    ASSERT_EQ(SampingDelay(1, v), 1) << v;  // infinities clamped as huge values
    EXPECT_EQ(board->dac(1, 1).input.code, v > 0 ? 3351 : 0) << v;  // 2.7 V or 0 V
    if (!std::isfinite(v)) continue;
    ASSERT_EQ(DataThreshold(1, v), 1) << v;
    const double mv = v > 0 ? KD71_THRESHOLD_MAX_MV : v < 0 ? -KD71_THRESHOLD_MAX_MV : 0.0;
    EXPECT_NEAR(board->threshold(1).mv, mv, 0.1) << v;
  }

  // Integers: the input clock takes bit 0, manual mode any non-zero value,
  // the pattern the low byte when it names one.
  for (int v : kBadInts) {
    EXPECT_EQ(InputClock(1, v), 1) << v;
    EXPECT_EQ(ManualMode(2, v), 1) << v;
    EXPECT_EQ(kd71::ui::numeric_value(panelHandle, PANELMAIN_CKBX_MANUAL_MD_CH2), v != 0) << v;
    const int low = v & 0xFF;
    const bool names_one = low <= 8 || low == 99;
    EXPECT_EQ(DataSel(2, v), names_one ? 1 : 0) << v;
    if (names_one) {
      EXPECT_EQ(board->pattern_code(2), low & 0x0F) << v;
    }
  }
  EXPECT_EQ(GetBitRate(2), 28000);  // and the instrument still works
}

}  // namespace
