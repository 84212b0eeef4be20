// The snapshot's bit work apart from the panel: the PRBS7 alignment, the
// prediction check, the marker comparison, rotation, the error-map windows,
// the texts, and the recognition of the received pattern.
#include "app/prbs_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "app/pattern_recognition.h"

namespace {

using Bytes = unsigned char[kSnapshotBytes];

// The sequence x^a + x^b + 1 written as its recurrence on the bit string
// (bit k = bit k - a XOR bit k - b), from n seed bits of `rng`.
std::vector<int> prbs_bits(int n, int a, int b, int count, std::mt19937& rng) {
  std::vector<int> bits;
  do {
    bits.clear();
    for (int i = 0; i < n; ++i) bits.push_back(static_cast<int>(rng() & 1u));
  } while (std::find(bits.begin(), bits.end(), 1) == bits.end());  // all-zero never runs
  while (static_cast<int>(bits.size()) < count)
    bits.push_back(bits[bits.size() - a] ^ bits[bits.size() - b]);
  return bits;
}

void pack(const std::vector<int>& bits, int first, Bytes& out) {
  for (int i = 0; i < kSnapshotBits; ++i) set_bit(out, i, bits[first + i]);
}

void invert(Bytes& bytes) {
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(~b);
}

void flip(Bytes& bytes, int i) { set_bit(bytes, i, !snapshot_bit(bytes, i)); }

constexpr std::array<std::array<int, 3>, kPatternCount> kTable = {{
    {7, 7, 6},
    {9, 9, 5},
    {11, 11, 9},
    {15, 15, 14},
    {17, 17, 14},
    {20, 20, 3},
    {23, 23, 18},
    {29, 29, 27},
    {31, 31, 28},
}};

TEST(Prbs7Alignment, ATrueStretchFromReferenceBitJPlusOneHasRotation127MinusJ) {
  unsigned char reference[kReferenceBytes];
  build_prbs7_reference(reference);
  // The reference is the generator from 0x7F: its first bits are 0 (1 XOR 1)
  // six times, then ones, and it repeats every 127 bits.
  EXPECT_EQ(reference[0], 0x02);
  for (int k = 0; k + 127 < kReferenceBits; ++k)
    ASSERT_EQ(snapshot_bit(reference, k), snapshot_bit(reference, k + 127)) << k;

  for (int j : {0, 6, 7, 8, 63, 125, 126}) {
    Bytes snap;
    for (int i = 0; i < kSnapshotBits; ++i) set_bit(snap, i, snapshot_bit(reference, j + 1 + i));
    const Prbs7Alignment a = align_prbs7(snap, reference);
    EXPECT_EQ(a.errors, 0) << j;
    EXPECT_EQ(a.candidate, j);
    EXPECT_EQ(a.rotation, 127 - j);
    EXPECT_EQ(a.inversion_hints, 0) << "another window differs in about half the bits";

    flip(snap, 3);
    flip(snap, 200);
    EXPECT_EQ(align_prbs7(snap, reference).errors, 2) << j;

    invert(snap);
    const Prbs7Alignment inverted = align_prbs7(snap, reference);
    EXPECT_EQ(inverted.inversion_hints, 1) << "only the matching window is complemented";
    EXPECT_GE(inverted.errors, 100);
  }
}

TEST(Prbs7Alignment, NoCandidateBelow256LeavesRotationZero) {
  unsigned char reference[kReferenceBytes];
  for (unsigned char& b : reference) b = 0x00;
  Bytes ones;
  for (unsigned char& b : ones) b = 0xFF;
  const Prbs7Alignment a = align_prbs7(ones, reference);
  EXPECT_EQ(a.errors, 256);
  EXPECT_EQ(a.rotation, 0);
  EXPECT_EQ(a.inversion_hints, 127);
}

TEST(Prediction, TrueSequencesOfTheLongerPatternsPredictWithoutErrors) {
  std::mt19937 rng(7);
  for (int pattern = 1; pattern < kPatternCount; ++pattern) {
    const auto& [n, a, b] = kTable[pattern];
    const PrbsDefinition* def = prbs_definition(pattern);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->n, n);
    EXPECT_EQ(def->a, a);
    EXPECT_EQ(def->b, b);
    Bytes snap, predicted;
    pack(prbs_bits(n, a, b, 300, rng), 37, snap);  // from anywhere in the sequence
    EXPECT_EQ(predict_pattern(snap, *def, predicted), 0) << pattern_name(pattern);
    for (int i = 0; i < kSnapshotBytes; ++i) EXPECT_EQ(predicted[i], snap[i]) << pattern;

    // Past the seed an error counts once; inside it the generator runs on a
    // wrong state and the error spreads through all later predictions.
    flip(snap, 240);
    EXPECT_EQ(predict_pattern(snap, *def, predicted), 1) << pattern_name(pattern);
    flip(snap, 240);
    flip(snap, n - 1);
    EXPECT_GT(predict_pattern(snap, *def, predicted), 20) << pattern_name(pattern);
  }
  EXPECT_EQ(prbs_definition(9), nullptr);
  EXPECT_EQ(prbs_definition(99), nullptr);
  EXPECT_STREQ(pattern_name(99), "Shut Off");
}

TEST(Rotation, IsModulo256AndNegativeCountsFromTheEnd) {
  Bytes snap;
  for (int k = 0; k < kSnapshotBytes; ++k) snap[k] = static_cast<unsigned char>(k * 7 + 1);
  Bytes rotated;
  rotate_snapshot(snap, 256, rotated);
  EXPECT_EQ(std::vector<unsigned char>(rotated, rotated + 32),
            std::vector<unsigned char>(snap, snap + 32));
  rotate_snapshot(snap, -1024, rotated);
  EXPECT_EQ(std::vector<unsigned char>(rotated, rotated + 32),
            std::vector<unsigned char>(snap, snap + 32));
  rotate_snapshot(snap, 8, rotated);
  EXPECT_EQ(rotated[0], snap[1]);
  EXPECT_EQ(rotated[31], snap[0]);
  rotate_snapshot(snap, -1, rotated);  // the last bit first
  for (int i = 0; i < kSnapshotBits; ++i)
    ASSERT_EQ(snapshot_bit(rotated, i), snapshot_bit(snap, (i + 255) % 256)) << i;
}

TEST(Marker, TagSearchDifferenceAndFirstDifferingBit) {
  Bytes received;
  for (int k = 0; k < kSnapshotBytes; ++k) received[k] = static_cast<unsigned char>(0x40 + k);
  EXPECT_EQ(find_marker_tag(received, 0x45), 5);
  EXPECT_EQ(find_marker_tag(received, 0x00), -1);
  EXPECT_EQ(find_marker_tag(received, -1), -1);
  EXPECT_EQ(find_marker_tag(received, 0x45 + 256), -1) << "a tag outside 0..255 never occurs";

  // The received bytes from position 5 on, wrapped: the marker that equals them.
  unsigned char marker[kSnapshotBytes];
  for (int l = 0; l < kSnapshotBytes; ++l) marker[l] = received[(5 + l) % 32];
  Bytes difference;
  marker_difference(received, 5, marker, difference);
  EXPECT_EQ(first_set_bit(difference), -1);
  marker[30] ^= 0x10;  // bit 3 of byte 30
  marker[31] ^= 0x80;
  marker_difference(received, 5, marker, difference);
  EXPECT_EQ(difference[30], 0x10);
  EXPECT_EQ(first_set_bit(difference), 30 * 8 + 3);
}

TEST(ErrorMapWindow, FollowsTheSearchForPrbs7AndTheRotationOtherwise) {
  for (int j = 0; j < 127; ++j) EXPECT_EQ(prbs7_map_start(127 - j), j + 1) << j;
  EXPECT_EQ(prediction_map_start(0), 0);
  EXPECT_EQ(prediction_map_start(1), 7);
  EXPECT_EQ(prediction_map_start(7), 1);
  EXPECT_EQ(prediction_map_start(8), 16);
  EXPECT_EQ(prediction_map_start(256), 0);
  EXPECT_EQ(prediction_map_start(-1), 249);  // 255
}

// A snapshot whose byte k is k.
void counting(Bytes& snap) {
  for (int k = 0; k < kSnapshotBytes; ++k) snap[k] = static_cast<unsigned char>(k);
}

TEST(Texts, BinaryHexAndErrorMapLayouts) {
  Bytes snap;
  counting(snap);
  char binary[kBinaryTextSize];
  binary_text(snap, binary);
  EXPECT_EQ(std::string(binary),
            "00000000 00000001 00000010 00000011 00000100 00000101 00000110 00000111\n"
            "00001000 00001001 00001010 00001011 00001100 00001101 00001110 00001111\n"
            "00010000 00010001 00010010 00010011 00010100 00010101 00010110 00010111\n"
            "00011000 00011001 00011010 00011011 00011100 00011101 00011110 00011111\n");
  char hex[kHexTextSize];
  hex_text(snap, hex);
  EXPECT_EQ(std::string(hex),
            "00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f "
            "10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f ");

  // Against a reference that holds the snapshot from its bit 8 on: equal
  // but for one flipped reference bit, and for the last bit, whose
  // reference lies past the reference's end and reads 0.
  unsigned char reference[kReferenceBytes] = {};
  for (int k = 0; k < kSnapshotBytes; ++k) reference[k + 1] = snap[k];
  reference[1 + 17] ^= 0x01;  // the snapshot's bit 17 * 8 + 7 now differs
  char map[kBinaryTextSize];
  error_map_text(snap, {reference, 8 + 255, 8}, map);
  EXPECT_EQ(std::string(map),
            "........ ........ ........ ........ ........ ........ ........ ........\n"
            "........ ........ ........ ........ ........ ........ ........ ........\n"
            "........ .......1 ........ ........ ........ ........ ........ ........\n"
            "........ ........ ........ ........ ........ ........ ........ .......1\n");
}

TEST(Recognition, NamesEachPatternAndItsInversion) {
  std::mt19937 rng(31);
  for (int pattern = 0; pattern < kPatternCount; ++pattern) {
    const auto& [n, a, b] = kTable[pattern];
    Bytes snap;
    pack(prbs_bits(n, a, b, 600, rng), 301, snap);
    const PatternRecognition r = recognise_pattern(snap);
    EXPECT_EQ(r.fitting, 1) << pattern_name(pattern);
    EXPECT_EQ(r.best.pattern, pattern);
    EXPECT_FALSE(r.best.inverted);
    EXPECT_EQ(r.best.errors, 0);
    EXPECT_EQ(r.best.checks, 256 - n);

    invert(snap);
    const PatternRecognition inverted = recognise_pattern(snap);
    EXPECT_EQ(inverted.fitting, 1) << pattern_name(pattern);
    EXPECT_EQ(inverted.best.pattern, pattern);
    EXPECT_TRUE(inverted.best.inverted);
    EXPECT_EQ(inverted.best.errors, 0);
  }
}

TEST(Recognition, ToleratesAFewBitErrorsButNotNoise) {
  std::mt19937 rng(5);
  Bytes snap;
  pack(prbs_bits(31, 31, 28, 256, rng), 0, snap);
  for (int i : {40, 90, 150, 210}) flip(snap, i);  // each spoils three checks
  PatternRecognition r = recognise_pattern(snap);
  ASSERT_EQ(r.fitting, 1);
  EXPECT_EQ(r.best.pattern, 8);
  EXPECT_EQ(r.best.errors, 12);

  // Ten more, 5 bits apart (no two share a check): 42 failed checks.
  for (int i = 100; i < 150; i += 5) flip(snap, i);
  r = recognise_pattern(snap);
  EXPECT_EQ(r.fitting, 0);
  EXPECT_EQ(r.best.pattern, 8);
  EXPECT_EQ(r.best.errors, 42);
  char text[160];
  recognition_text(r, 1, 8, text, sizeof text);
  EXPECT_STREQ(text, "no PRBS pattern fits (best PRBS31, 42 errors)\n");

  std::mt19937 noise(99);
  for (int trial = 0; trial < 50; ++trial) {
    for (unsigned char& byte : snap) byte = static_cast<unsigned char>(noise());
    EXPECT_EQ(recognise_pattern(snap).fitting, 0) << trial;
  }
}

TEST(Recognition, ConstantDataFitsEveryPatternAndNamesNone) {
  Bytes zeros = {};
  const PatternRecognition r = recognise_pattern(zeros);
  EXPECT_EQ(r.fitting, 9);
  char text[160];
  recognition_text(r, 2, 3, text, sizeof text);
  EXPECT_STREQ(text, "no single PRBS pattern fits: 9 patterns fit, the bits are nearly constant\n");
  Bytes ones;
  for (unsigned char& b : ones) b = 0xFF;
  EXPECT_EQ(recognise_pattern(ones).fitting, 9);
}

TEST(Recognition, TextsNameTheChannelsSettingWhenItDiffers) {
  PatternRecognition r{1, {6, false, 0, 233}};
  char text[160];
  recognition_text(r, 1, 6, text, sizeof text);
  EXPECT_STREQ(text, "received pattern: PRBS23, 0 errors in 233 bits\n");
  recognition_text(r, 2, 8, text, sizeof text);
  EXPECT_STREQ(text,
               "received pattern: PRBS23, 0 errors in 233 bits; channel 2 is set to PRBS31\n");
  r.best = {0, true, 3, 249};
  recognition_text(r, 1, 99, text, sizeof text);
  EXPECT_STREQ(
      text,
      "received pattern: PRBS7 inverted, 3 errors in 249 bits; channel 1 is set to Shut Off\n");
  r.fitting = 0;
  recognition_text(r, 1, 0, text, sizeof text);
  EXPECT_STREQ(text, "no PRBS pattern fits (best PRBS7 inverted, 3 errors)\n");
}

}  // namespace
