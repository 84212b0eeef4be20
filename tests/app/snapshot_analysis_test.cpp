// The debug panel's snapshot callback on a scripted board: the reads and
// their count, the texts, the PRBS7 fit, the prediction check, the marker,
// the error map, the rotation, and the tail's loop lock, sample length and
// window.
#include "app/snapshot_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/analog_controls.h"
#include "app/debug_panel.h"
#include "app/statistics.h"
#include "hardware/lowlevel.h"
#include "tests/app/app_fixture.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Snapshot bits from reference bit j + 1 on: a PRBS7 stretch with rotation 127 - j.
Bytes prbs7_from(int j) {
  unsigned char reference[kReferenceBytes];
  build_prbs7_reference(reference);
  Bytes snap(kSnapshotBytes, 0);
  for (int i = 0; i < kSnapshotBits; ++i)
    set_bit(snap.data(), i, snapshot_bit(reference, j + 1 + i));
  return snap;
}

// A PRBS23 stretch (x^23 + x^18 + 1) from a fixed seed.
Bytes prbs23() {
  std::vector<int> bits;
  for (int i = 0; i < 23; ++i) bits.push_back((0x5A3C71 >> i) & 1);
  while (bits.size() < 256) bits.push_back(bits[bits.size() - 23] ^ bits[bits.size() - 18]);
  Bytes snap(kSnapshotBytes, 0);
  for (int i = 0; i < kSnapshotBits; ++i) set_bit(snap.data(), i, bits[i]);
  return snap;
}

Bytes counting() {
  Bytes snap(kSnapshotBytes);
  for (int k = 0; k < kSnapshotBytes; ++k) snap[k] = static_cast<unsigned char>(k);
  return snap;
}

void flip(Bytes& snap, int i) { set_bit(snap.data(), i, !snapshot_bit(snap.data(), i)); }

constexpr const char* kCountingBinary =
    "00000000 00000001 00000010 00000011 00000100 00000101 00000110 00000111\n"
    "00001000 00001001 00001010 00001011 00001100 00001101 00001110 00001111\n"
    "00010000 00010001 00010010 00010011 00010100 00010101 00010110 00010111\n"
    "00011000 00011001 00011010 00011011 00011100 00011101 00011110 00011111\n";

class SnapshotTest : public kd71::test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    debug = LoadPanel(0, "main.uir", PANELDEBUG);
    debugPanelHandle = debug;
    debugPanelOpen = 1;
    channelStats[1].sampleLength = channelStats[2].sampleLength =
        kStartSampleLength;  // as at start-up
  }
  void reply_snapshot(const Bytes& bits, unsigned char trailer = 0xAA) {
    Bytes packet = bits;
    packet.push_back(trailer);
    reply(packet);
  }
  void set(int control, int value) { SetCtrlVal(debug, control, value); }
  int get(int control) {
    int v = 0;
    GetCtrlVal(debug, control, &v);
    return v;
  }
  void commit(int control) { EXPECT_EQ(CB_Debug(debug, control, EVENT_COMMIT, nullptr, 0, 0), 0); }
  void snapshot(const Bytes& bits) {
    reply_snapshot(bits);
    commit(PANELDEBUG_SNAPSHOT_BUTTON);
  }
  std::string snapshot_text() const { return text(PANELDEBUG_SNAPSHOT, debug); }
  std::string log() const { return text(PANELDEBUG_DEBUG_OUTPUT, debug); }
  std::vector<std::string> registers() const {
    std::vector<std::string> out;
    for (const std::string& w : board_writes())
      if (w.rfind("REG", 0) == 0) out.push_back(w);
    return out;
  }
  void select_pattern(int channel, unsigned pattern) {
    SetCtrlVal(panelHandle, channel == 1 ? PANELMAIN_DATA_SELECT_CH1 : PANELMAIN_DATA_SELECT_CH2,
               pattern);
  }
  void set_sample_length(long long bits) { SetCtrlVal(debug, PANELDEBUG_SAMPLE_LEN, bits); }
  long long sample_length_control() const {
    long long v = 0;
    GetCtrlVal(debug, PANELDEBUG_SAMPLE_LEN, &v);
    return v;
  }

  int debug = 0;
};

TEST_F(SnapshotTest, ShowsTheBitsInBothTextsWithTheOnesCount) {
  snapshot(counting());
  EXPECT_EQ(snapshot_text(), std::string("\n\n") + kCountingBinary);
  EXPECT_EQ(text(PANELDEBUG_SNAPSHOT_HEX, debug),
            "00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f "
            "10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f ");
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_ONES_CNT), 80);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_BAD_READS), 0);
  EXPECT_EQ(fill(PANELDEBUG_SNAPSHOT_BAD_READS, debug), 0xFFFFFF);
  // Channel 1's snapshot request, and the tail's window of the start length.
  const auto polls = bus->calls_of(kd71::bridge::Fn::Write);
  ASSERT_FALSE(polls.empty());
  EXPECT_EQ(polls.front().data, std::vector<UCHAR>{0x47});
  EXPECT_EQ(registers(), std::vector<std::string>{"REG 4 03 FF FF FF"});

  // The snapshot box keeps what it held; the hexadecimal text is replaced.
  snapshot(Bytes(kSnapshotBytes, 0xF0));
  EXPECT_EQ(snapshot_text().substr(0, 2 + 288), std::string("\n\n") + kCountingBinary);
  EXPECT_EQ(text(PANELDEBUG_SNAPSHOT_HEX, debug).substr(0, 6), "f0 f0 ");
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_ONES_CNT), 128);
}

TEST_F(SnapshotTest, BadReadsAreRequestedAgainAndCountedInRed) {
  set(PANELDEBUG_SNAPSHOT_CH, 2);
  for (int i = 0; i < 3; ++i) reply_snapshot(Bytes(kSnapshotBytes, 0x11), 0x00);
  reply_snapshot(counting());
  commit(PANELDEBUG_SNAPSHOT_BUTTON);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_BAD_READS), 3);
  EXPECT_EQ(fill(PANELDEBUG_SNAPSHOT_BAD_READS, debug), 0xFF0000);
  EXPECT_EQ(snapshotStore[31], 31);
  int requests = 0;
  for (const auto& c : bus->calls_of(kd71::bridge::Fn::Write))
    if (c.data == std::vector<UCHAR>{0xC7}) ++requests;  // channel 2's snapshot
  EXPECT_EQ(requests, 4);

  // Ten failures: the count 10, and the analysis runs on what arrived last.
  for (int i = 0; i < 10; ++i)
    reply_snapshot(Bytes(kSnapshotBytes, static_cast<unsigned char>(i)), 0x55);
  commit(PANELDEBUG_SNAPSHOT_BUTTON);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_BAD_READS), 10);
  EXPECT_EQ(fill(PANELDEBUG_SNAPSHOT_BAD_READS, debug), 0xFF0000);
  EXPECT_EQ(text(PANELDEBUG_SNAPSHOT_HEX, debug).substr(0, 6), "09 09 ");

  reply_snapshot(counting());
  commit(PANELDEBUG_SNAPSHOT_BUTTON);
  EXPECT_EQ(fill(PANELDEBUG_SNAPSHOT_BAD_READS, debug), 0xFFFFFF);
}

TEST_F(SnapshotTest, ShutOffCountsAsPrbs7AndTheMapUsesItsReference) {
  select_pattern(1, 99);
  set(PANELDEBUG_SHOW_ERRS, 1);
  Bytes snap = prbs7_from(7);  // the window whose display offset is 0
  flip(snap, 9);
  flip(snap, 250);
  snapshot(snap);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 2);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ROT), 120);
  const std::string map = snapshot_text().substr(2 + 288);
  const char flipped9 = snapshot_bit(snap.data(), 9) ? '1' : '0';
  const char flipped250 = snapshot_bit(snap.data(), 250) ? '1' : '0';
  EXPECT_EQ(map, std::string("\n\n") + "........ ." + flipped9 +
                     "...... ........ ........ ........ ........ ........ ........\n"
                     "........ ........ ........ ........ ........ ........ ........ ........\n"
                     "........ ........ ........ ........ ........ ........ ........ ........\n"
                     "........ ........ ........ ........ ........ ........ ........ .." +
                     flipped250 + ".....\n");
  EXPECT_EQ(log(), "received pattern: PRBS7, 4 errors in 249 bits; channel 1 is set to Shut Off\n");
}

TEST_F(SnapshotTest, TheLongerPatternsAreCheckedByPrediction) {
  select_pattern(1, 6);  // PRBS23
  Bytes snap = prbs23();
  snapshot(snap);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 0) << "the prediction replaces the PRBS7 count";
  EXPECT_EQ(log(), "received pattern: PRBS23, 0 errors in 233 bits\n");

  set(PANELDEBUG_SHOW_ERRS, 1);
  flip(snap, 100);
  snapshot(snap);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 1);
  const std::string text = snapshot_text();
  const std::string map = text.substr(text.size() - 288);
  EXPECT_EQ(map.find_first_not_of(". \n"), 12u * 9 + 4u) << map;  // bit 100 only
  EXPECT_EQ(map.find_last_not_of(". \n"), 12u * 9 + 4u) << map;

  select_pattern(1, 8);  // wrongly selected: the recognition names what arrives
  snapshot(prbs23());
  EXPECT_GT(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 20);
  EXPECT_NE(
      log().find("received pattern: PRBS23, 0 errors in 233 bits; channel 1 is set to PRBS31\n"),
      std::string::npos)
      << log();
}

TEST_F(SnapshotTest, AnInvertedPrbs7GivesTheInversionHint) {
  select_pattern(1, 0);
  Bytes snap = prbs7_from(40);
  for (unsigned char& b : snap) b = static_cast<unsigned char>(~b);
  snapshot(snap);
  EXPECT_EQ(log(),
            "Check for inversion e.g. reversed inputs P/N\n"
            "received pattern: PRBS7 inverted, 0 errors in 249 bits\n");
}

TEST_F(SnapshotTest, AMarkerMatchEndsTheCallAndADifferenceShowsItsFirstBit) {
  const Bytes snap = counting();
  set(PANELDEBUG_SNAPSHOT_TAG, 5);
  for (int l = 0; l < kSnapshotBytes; ++l) markerPattern[l] = snap[(5 + l) % 32];
  SetCtrlVal(debug, PANELDEBUG_SNAPSHOT_PRBS_ERRS, 77);
  testing::internal::CaptureStdout();
  snapshot(snap);
  std::string out = testing::internal::GetCapturedStdout();
  std::string zeros;
  for (int i = 0; i < kSnapshotBytes; ++i) zeros += "00 ";
  EXPECT_EQ(out, zeros + "\n");
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_BITNO), -1);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 77) << "no alignment";
  EXPECT_TRUE(registers().empty()) << "no tail";
  EXPECT_EQ(log(), "");

  // One bit off in byte 2 of the marker: its position shows, the call goes on.
  markerPattern[2] ^= 0x04;
  set(PANELDEBUG_LOAD_INDEX, 1);
  testing::internal::CaptureStdout();
  snapshot(snap);
  out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.substr(0, 12), "00 00 04 00 ");
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_BITNO), 2 * 8 + 5);
  EXPECT_NE(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 77);
  EXPECT_EQ(registers().size(), 1u);
  // Load Index keeps the XORed bytes, not the received ones.
  EXPECT_EQ(markerPattern[2], 0x04);
  EXPECT_EQ(markerPattern[0], 0x00);

  set(PANELDEBUG_SNAPSHOT_TAG, -1);  // no byte equals it: no marker step
  testing::internal::CaptureStdout();
  snapshot(snap);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(markerPattern[2], 0x04);
}

TEST_F(SnapshotTest, TheMarkerStartsAsTheBoardsMarkerWord) {
  EXPECT_EQ(markerPattern[0], 0xEF);
  EXPECT_EQ(markerPattern[29], 0x30);
  int others = 0;
  for (int l = 0; l < kSnapshotBytes; ++l) others += (l != 0 && l != 29) ? markerPattern[l] : 0;
  EXPECT_EQ(others, 0);
}

TEST_F(SnapshotTest, RotationIsModulo256) {
  snapshot(counting());
  const std::string first = snapshot_text();
  set(PANELDEBUG_SNAPSHOT_ROTATION, 256);
  commit(PANELDEBUG_SNAPSHOT_ROTATION);
  EXPECT_EQ(snapshot_text(), first + first);
  set(PANELDEBUG_SNAPSHOT_ROTATION, -1);
  commit(PANELDEBUG_SNAPSHOT_ROTATION);
  // The last bit (a one) first, every other bit one place on.
  EXPECT_EQ(snapshot_text().substr(2 * first.size() + 2, 18), "10000000 00000000 ");
  EXPECT_EQ(text(PANELDEBUG_SNAPSHOT_HEX, debug).substr(0, 9), "80 00 81 ");
}

TEST_F(SnapshotTest, AutoRotateShowsTheAlignedViewAndRunsItsOwnTail) {
  set(PANELDEBUG_AUTO_ROTATE, 1);
  select_pattern(1, 0);
  snapshot(prbs7_from(20));
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ROT), 107);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_ROTATION), 106);
  const std::string shown = snapshot_text();
  EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 2 * (2 + 4))
      << "the snapshot, then its rotation";
  EXPECT_EQ(registers().size(), 2u) << "the nested rotation's tail and the snapshot's";
}

TEST_F(SnapshotTest, WithTheLinkDownNothingIsRead) {
  linkUp = 0;
  SetCtrlVal(debug, PANELDEBUG_SNAPSHOT_PRBS_ERRS, 77);
  commit(PANELDEBUG_SNAPSHOT_BUTTON);
  EXPECT_EQ(snapshot_text(), "\n\nno snapshot: the board is not connected\n");
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 77);
  for (const auto& c : bus->calls_of(kd71::bridge::Fn::Write))
    EXPECT_NE(c.data, std::vector<UCHAR>{0x47}) << "no snapshot request";
  EXPECT_EQ(log(), "");
}

TEST_F(SnapshotTest, ChangingTheChannelSendsThatChannelsWindow) {
  packets[2].frequency = 9000;
  set_sample_length(5000000000LL);
  set(PANELDEBUG_SNAPSHOT_CH, 2);
  commit(PANELDEBUG_SNAPSHOT_CH);
  EXPECT_EQ(registers(), std::vector<std::string>{"REG 12 01 2A 05 F1"});
  EXPECT_EQ(channelStats[2].sampleLength, 5000000000ULL);
  EXPECT_EQ(channelStats[1].sampleLength, kStartSampleLength);
  EXPECT_EQ(fill(PANELDEBUG_SAMPLE_LEN, debug), 0xFFFFFF);  // 0.56 s at 9 Gb/s

  packets[2].frequency = 10000;  // exactly half a second: too short
  commit(PANELDEBUG_SNAPSHOT_CH);
  EXPECT_EQ(fill(PANELDEBUG_SAMPLE_LEN, debug), 0xFF0000);
}

TEST_F(SnapshotTest, ASampleLengthTheWindowCannotCountIsRefused) {
  for (long long refused : {0LL, 255LL, (1LL << 40) + 256}) {
    bus->clear_calls();
    set_sample_length(refused);
    commit(PANELDEBUG_SMOOTH);
    EXPECT_EQ(sample_length_control(), static_cast<long long>(kStartSampleLength)) << refused;
    EXPECT_EQ(channelStats[1].sampleLength, kStartSampleLength) << refused;
    EXPECT_EQ(fill(PANELDEBUG_SAMPLE_LEN, debug), 0xFF0000) << refused;
    EXPECT_TRUE(registers().empty()) << refused;
  }
  bus->clear_calls();
  set_sample_length(1LL << 40);  // 2^32 windows: the largest count
  commit(PANELDEBUG_SMOOTH);
  EXPECT_EQ(registers(), std::vector<std::string>{"REG 4 FF FF FF FF"});

  // Whole windows only: the length the FPGA counts is the one divided by.
  bus->clear_calls();
  set_sample_length(1000);
  commit(PANELDEBUG_SMOOTH);
  EXPECT_EQ(sample_length_control(), 768);
  EXPECT_EQ(channelStats[1].sampleLength, 768u);
  EXPECT_EQ(registers(), std::vector<std::string>{"REG 4 00 00 00 02"});
}

TEST_F(SnapshotTest, LoopLockAndSmoothDelay) {
  set(PANELDEBUG_LOOP_LOCK_CH2, 1);
  commit(PANELDEBUG_LOOP_LOCK_CH2);
  set(PANELDEBUG_LOOP_LOCK_CH1, 0);
  commit(PANELDEBUG_LOOP_LOCK_CH1);
  EXPECT_EQ(registers(), (std::vector<std::string>{"REG 15 01", "REG 4 03 FF FF FF", "REG 7 00",
                                                   "REG 4 03 FF FF FF"}));
  set(PANELDEBUG_SMOOTH, 0);
  commit(PANELDEBUG_SMOOTH);
  EXPECT_EQ(smoothDelay, 0);
  set(PANELDEBUG_SMOOTH, 1);
  commit(PANELDEBUG_SMOOTH);
  EXPECT_EQ(smoothDelay, 1);
}

TEST_F(SnapshotTest, OnlyACommitOnTheOpenPanelActs) {
  EXPECT_EQ(CB_Debug(debug, PANELDEBUG_SMOOTH, EVENT_VAL_CHANGED, nullptr, 0, 0), 0);
  debugPanelOpen = 0;
  commit(PANELDEBUG_SNAPSHOT_BUTTON);
  EXPECT_TRUE(bus->calls.empty());
}

TEST_F(SnapshotTest, TheRoutinesRunOnlyWithTheDebugRoutinesChecked) {
  set(PANELDEBUG_CHECKBOX_DAC_Dump, 1);
  testing::internal::CaptureStdout();
  commit(PANELDEBUG_SMOOTH);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  set(PANELDEBUG_CHECKBOX_DEBUG, 1);
  testing::internal::CaptureStdout();
  commit(PANELDEBUG_SMOOTH);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("DAC R: 0-", 0), 0u) << out;
}

}  // namespace
