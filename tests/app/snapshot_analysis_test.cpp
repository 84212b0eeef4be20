// The debug panel's snapshot callback on a scripted board: the reads and
// their count, the texts, the PRBS7 fit and the prediction check, the
// marker, the error map, the rotation, and the tail's loop lock, sample
// length and window.
#include "app/snapshot_analysis.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/panel_handles.h"
#include "app/slider_state.h"
#include "app/statistics.h"
#include "hardware/lowlevel.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/support/app_fixture.h"

namespace {

using Bytes = std::vector<unsigned char>;
namespace ui = kd71::ui;

// Snapshot bits from PRBS7 reference bit j + 1 on.
Bytes prbs7_from(int j) {
  unsigned char reference[kReferenceBytes];
  build_prbs7_reference(reference);
  Bytes snap(kSnapshotBytes, 0);
  for (int i = 0; i < kSnapshotBits; ++i)
    set_bit(snap.data(), i, snapshot_bit(reference, j + 1 + i));
  return snap;
}

Bytes counting() {
  Bytes snap(kSnapshotBytes);
  for (int k = 0; k < kSnapshotBytes; ++k) snap[k] = static_cast<unsigned char>(k);
  return snap;
}

constexpr const char* kCountingBinary =
    "00000000 00000001 00000010 00000011 00000100 00000101 00000110 00000111\n"
    "00001000 00001001 00001010 00001011 00001100 00001101 00001110 00001111\n"
    "00010000 00010001 00010010 00010011 00010100 00010101 00010110 00010111\n"
    "00011000 00011001 00011010 00011011 00011100 00011101 00011110 00011111\n";

class SnapshotTest : public kd71::test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    debugPanelHandle = debug = LoadPanel(0, "main.uir", PANELDEBUG);
    debugPanelOpen = 1;
    channelStats[1].sampleLength = channelStats[2].sampleLength = kStartSampleLength;
  }
  void reply_snapshot(Bytes packet, unsigned char trailer = 0xAA) {
    packet.push_back(trailer);
    reply(packet);
  }
  void set(int control, long long value) { SetCtrlVal(debug, control, value); }
  long long get(int control) const {
    return static_cast<long long>(ui::numeric_value(debug, control));
  }
  void commit(int control) { CB_Debug(debug, control, EVENT_COMMIT, nullptr, 0, 0); }
  void snapshot(const Bytes& bits) {
    reply_snapshot(bits);
    commit(PANELDEBUG_SNAPSHOT_BUTTON);
  }
  std::string shown() const { return text(PANELDEBUG_SNAPSHOT, debug); }
  std::vector<std::string> registers() const {
    std::vector<std::string> out;
    for (const std::string& w : board_writes())
      if (w.rfind("REG", 0) == 0) out.push_back(w);
    return out;
  }

  int debug = 0;
};

TEST_F(SnapshotTest, TextsCountsAndBadReads) {
  set(PANELDEBUG_SNAPSHOT_CH, 2);
  for (int i = 0; i < 3; ++i) reply_snapshot(Bytes(kSnapshotBytes, 0x11), 0x00);
  snapshot(counting());
  EXPECT_EQ(shown(), std::string("\n\n") + kCountingBinary);
  EXPECT_EQ(text(PANELDEBUG_SNAPSHOT_HEX, debug),
            "00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f "
            "10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f ");
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_ONES_CNT), 80);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_BAD_READS), 3);
  EXPECT_EQ(fill(PANELDEBUG_SNAPSHOT_BAD_READS, debug), 0xFF0000);
  EXPECT_EQ(bus->calls_of(kd71::bridge::Fn::Write).front().data, std::vector<UCHAR>{0xC7});

  // Ten failures: the count 10, and the analysis of what arrived last.
  for (int i = 0; i < 10; ++i) reply_snapshot(Bytes(kSnapshotBytes, 0xF0), 0x55);
  commit(PANELDEBUG_SNAPSHOT_BUTTON);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_BAD_READS), 10);
  EXPECT_EQ(text(PANELDEBUG_SNAPSHOT_HEX, debug).substr(0, 6), "f0 f0 ");
  EXPECT_EQ(shown().substr(0, 290), std::string("\n\n") + kCountingBinary) << "the box appends";
  snapshot(counting());
  EXPECT_EQ(fill(PANELDEBUG_SNAPSHOT_BAD_READS, debug), 0xFFFFFF);
}

TEST_F(SnapshotTest, ShutOffCountsAsPrbs7AndTheMapShowsTheDifferingBits) {
  SetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH1, 99u);
  set(PANELDEBUG_SHOW_ERRS, 1);
  Bytes snap = prbs7_from(7);  // the window whose display offset is 0
  snap[1] ^= 0x40;             // bit 9, now 1
  snap[31] ^= 0x20;            // bit 250, now 1
  snapshot(snap);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 2);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ROT), 120);
  const std::string dots =
      "........ ........ ........ ........ ........ ........ ........ ........\n";
  EXPECT_EQ(shown().substr(290), "\n\n........ .1...... " + dots.substr(18) + dots + dots +
                                     dots.substr(0, 63) + "..1.....\n");
  EXPECT_EQ(text(PANELDEBUG_DEBUG_OUTPUT, debug),
            "received pattern: PRBS7, 4 errors in 249 bits; channel 1 is set to Shut Off\n");
}

TEST_F(SnapshotTest, AMarkerMatchEndsTheCallAndADifferenceShowsItsFirstBit) {
  EXPECT_EQ(markerPattern[0] * 256 + markerPattern[29], 0xEF30);
  const Bytes snap = counting();
  set(PANELDEBUG_SNAPSHOT_TAG, 5);
  for (int l = 0; l < kSnapshotBytes; ++l) markerPattern[l] = snap[(5 + l) % 32];
  set(PANELDEBUG_SNAPSHOT_PRBS_ERRS, 77);
  testing::internal::CaptureStdout();
  snapshot(snap);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.size(), 97u);
  EXPECT_EQ(out.find_first_not_of("0 "), 96u);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_BITNO), -1);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 77) << "no alignment";
  EXPECT_TRUE(registers().empty()) << "no tail";

  markerPattern[2] ^= 0x04;
  set(PANELDEBUG_LOAD_INDEX, 1);
  testing::internal::CaptureStdout();
  snapshot(snap);
  EXPECT_EQ(testing::internal::GetCapturedStdout().substr(0, 9), "00 00 04 ");
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_BITNO), 2 * 8 + 5);
  EXPECT_NE(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 77);
  EXPECT_EQ(registers().size(), 1u);
  EXPECT_EQ(markerPattern[2] * 256 + markerPattern[0], 0x0400) << "Load Index keeps the XOR";
}

TEST_F(SnapshotTest, RotationIsModulo256AndAutoRotateRunsItsOwnTail) {
  snapshot(counting());
  const std::string first = shown();
  set(PANELDEBUG_SNAPSHOT_ROTATION, 256);
  commit(PANELDEBUG_SNAPSHOT_ROTATION);
  EXPECT_EQ(shown(), first + first);
  set(PANELDEBUG_SNAPSHOT_ROTATION, -1);  // the last bit (a one) first
  commit(PANELDEBUG_SNAPSHOT_ROTATION);
  EXPECT_EQ(text(PANELDEBUG_SNAPSHOT_HEX, debug).substr(0, 9), "80 00 81 ");

  bus->clear_calls();
  set(PANELDEBUG_AUTO_ROTATE, 1);
  snapshot(prbs7_from(20));
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ROT), 107);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_ROTATION), 106);
  EXPECT_EQ(registers().size(), 2u) << "the nested rotation's tail and the snapshot's";
}

TEST_F(SnapshotTest, WithTheLinkDownNothingIsRead) {
  linkUp = 0;
  commit(PANELDEBUG_SNAPSHOT_BUTTON);
  EXPECT_EQ(shown(), "\n\nno snapshot: the board is not connected\n");
  EXPECT_EQ(registers(), std::vector<std::string>{"REG 4 03 FF FF FF"}) << "only the tail";
  EXPECT_EQ(bus->calls_of(kd71::bridge::Fn::Write).size(), 1u);
}

TEST_F(SnapshotTest, TheChannelsSampleLengthBecomesItsWindow) {
  packets[2].frequency = 9000;
  set(PANELDEBUG_SAMPLE_LEN, 5000000000LL);
  set(PANELDEBUG_SNAPSHOT_CH, 2);
  commit(PANELDEBUG_SNAPSHOT_CH);
  EXPECT_EQ(channelStats[2].sampleLength, 5000000000ULL);
  EXPECT_EQ(channelStats[1].sampleLength, kStartSampleLength);
  EXPECT_EQ(fill(PANELDEBUG_SAMPLE_LEN, debug), 0xFFFFFF);  // 0.56 s at 9 Gb/s
  packets[2].frequency = 10000;                             // exactly 0.5 s: too short
  commit(PANELDEBUG_SNAPSHOT_CH);
  EXPECT_EQ(fill(PANELDEBUG_SAMPLE_LEN, debug), 0xFF0000);
  set(PANELDEBUG_SNAPSHOT_CH, 1);
  set(PANELDEBUG_SAMPLE_LEN, 1000);  // whole windows only
  commit(PANELDEBUG_SNAPSHOT_CH);
  EXPECT_EQ(get(PANELDEBUG_SAMPLE_LEN), 768);
  EXPECT_EQ(channelStats[1].sampleLength, 768u);
  EXPECT_EQ(registers(), (std::vector<std::string>{"REG 12 01 2A 05 F1", "REG 12 01 2A 05 F1",
                                                   "REG 4 00 00 00 02"}));

  for (long long refused : {0LL, 255LL, (1LL << 40) + 256}) {
    bus->clear_calls();
    set(PANELDEBUG_SAMPLE_LEN, refused);
    commit(PANELDEBUG_SMOOTH);
    EXPECT_EQ(get(PANELDEBUG_SAMPLE_LEN), 768) << refused;
    EXPECT_EQ(channelStats[1].sampleLength, 768u) << refused;
    EXPECT_EQ(fill(PANELDEBUG_SAMPLE_LEN, debug), 0xFF0000) << refused;
    EXPECT_TRUE(registers().empty()) << refused;
  }
}

TEST_F(SnapshotTest, LoopLockSmoothDelayAndTheRoutinesFlag) {
  set(PANELDEBUG_LOOP_LOCK_CH2, 1);
  commit(PANELDEBUG_LOOP_LOCK_CH2);
  commit(PANELDEBUG_LOOP_LOCK_CH1);
  EXPECT_EQ(registers(), (std::vector<std::string>{"REG 15 01", "REG 4 03 FF FF FF", "REG 7 00",
                                                   "REG 4 03 FF FF FF"}));
  set(PANELDEBUG_SMOOTH, 0);
  set(PANELDEBUG_CHECKBOX_DAC_Dump, 1);
  testing::internal::CaptureStdout();
  commit(PANELDEBUG_SMOOTH);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "the routines are not on";
  EXPECT_EQ(smoothDelay, 0);
  set(PANELDEBUG_CHECKBOX_DEBUG, 1);
  testing::internal::CaptureStdout();
  commit(PANELDEBUG_SMOOTH);
  EXPECT_EQ(testing::internal::GetCapturedStdout().rfind("DAC R: 0-", 0), 0u);
}

}  // namespace
