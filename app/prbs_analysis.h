// The bit work of the snapshot analysis, apart from the panel: the PRBS
// generators of the data patterns, the PRBS7 reference and the alignment
// search over it, the prediction check of the longer patterns, the marker
// comparison, the rotation, and the binary, hexadecimal and error-map
// texts. Nothing here touches a control or the board.
//
// Bits are numbered as the FPGA delivers them: bit i of a byte string is
// bit 7 - (i mod 8) of byte i div 8, most significant bit first.
#pragma once

#include "hardware/packet_codec.h"

inline constexpr int kSnapshotBytes = kSnapshotBits / 8;
inline constexpr int kReferenceBits = 384;  // the PRBS7 reference: 127 candidates past 256 bits
inline constexpr int kReferenceBytes = kReferenceBits / 8;
inline constexpr int kPrbs7Candidates = 127;
inline constexpr int kPatternCount = 9;  // pattern values 0 (PRBS7) .. 8 (PRBS31)

// A candidate that differs in this many bits or more looks like inverted data.
inline constexpr int kInversionHintErrors = 237;

// The generator x^a + x^b + 1 of a pattern, with register length n: the new
// bit is register bit a - 1 XOR register bit b - 1, bit 0 the newest.
struct PrbsDefinition {
  int n, a, b;
};
// The generator of pattern value 0..8; nullptr for any other value.
const PrbsDefinition* prbs_definition(int pattern);
// "PRBS7" .. "PRBS31" for 0..8, "Shut Off" for any other value.
const char* pattern_name(int pattern);

// Bits are read with snapshot_bit (hardware/packet_codec.h).
void set_bit(unsigned char* bytes, int i, int value);
int count_ones(const unsigned char (&bytes)[kSnapshotBytes]);

// The 384-bit PRBS7 reference: the generator started at 0x7F, each new bit
// stored and shifted in.
void build_prbs7_reference(unsigned char (&reference)[kReferenceBytes]);

// The best fit of the snapshot against the reference windows j + 1 (j =
// 0..126): the fewest differing bits, the first candidate j that reaches
// them, its rotation 127 - j (0 when no candidate has fewer than 256), and
// how many candidates differ in kInversionHintErrors bits or more.
struct Prbs7Alignment {
  int errors;
  int candidate;
  int rotation;
  int inversion_hints;
};
Prbs7Alignment align_prbs7(const unsigned char (&snapshot)[kSnapshotBytes],
                           const unsigned char (&reference)[kReferenceBytes]);

// Seeds the generator of `def` with the first n snapshot bits and lets it
// run: `predicted` holds the seed as received in bits 0..n-1 and the
// generated bits n..255, and the result counts the bits n..255 that differ
// from the snapshot. (The seed agrees with itself: an error map against
// the prediction shows no errors there.)
int predict_pattern(const unsigned char (&snapshot)[kSnapshotBytes], const PrbsDefinition& def,
                    unsigned char (&predicted)[kSnapshotBytes]);

// The reference window of the error map. For PRBS7 it is the best
// candidate's window, j + 1 = 128 - rotation. For the longer patterns the
// display offset e is the rotation control's value taken modulo 256:
// window 0 for e = 0, otherwise 8 (e div 8) + 8 - (e mod 8).
int prbs7_map_start(int rotation);
int prediction_map_start(int rotation_control);

// Snapshot bit i compared with reference bit start + i; reference bits at
// or past `reference_bits` count as 0.
struct ErrorMapReference {
  const unsigned char* bits;
  int reference_bits;
  int start;
};

// Rotation of the view: bit i of `rotated` is snapshot bit (i + w) mod 256,
// negative w counting from the end.
void rotate_snapshot(const unsigned char (&snapshot)[kSnapshotBytes], int w,
                     unsigned char (&rotated)[kSnapshotBytes]);

// The first byte position whose byte equals `tag`, or -1 (a tag outside
// 0..255 never occurs).
int find_marker_tag(const unsigned char (&received)[kSnapshotBytes], int tag);
// The received bytes rotated so that byte `first` leads, XORed byte by byte
// with the marker pattern (32 bytes).
void marker_difference(const unsigned char (&received)[kSnapshotBytes], int first,
                       const unsigned char* marker, unsigned char (&difference)[kSnapshotBytes]);
// The first set bit, or -1 when all 256 bits are 0.
int first_set_bit(const unsigned char (&bits)[kSnapshotBytes]);

// Texts. Binary: per byte eight "0"/"1" from the most significant bit down,
// a line feed after every eighth byte and a blank after the others (four
// lines of eight groups). Hexadecimal: per byte "%02x" and a blank, on one
// line. Error map: the binary layout with "." where the snapshot bit equals
// the reference bit and the snapshot's own bit where they differ.
inline constexpr int kBinaryTextSize = kSnapshotBits + kSnapshotBytes + 1;
inline constexpr int kHexTextSize = 3 * kSnapshotBytes + 1;
void binary_text(const unsigned char (&bytes)[kSnapshotBytes], char (&text)[kBinaryTextSize]);
void hex_text(const unsigned char (&bytes)[kSnapshotBytes], char (&text)[kHexTextSize]);
void error_map_text(const unsigned char (&snapshot)[kSnapshotBytes],
                    const ErrorMapReference& reference, char (&text)[kBinaryTextSize]);
