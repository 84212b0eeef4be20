#include "app/prbs_analysis.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr PrbsDefinition kPatterns[kPatternCount] = {
    {7, 7, 6},   {9, 9, 5},    {11, 11, 9},  {15, 15, 14}, {17, 17, 14},
    {20, 20, 3}, {23, 23, 18}, {29, 29, 27}, {31, 31, 28},
};
constexpr const char* kPatternNames[kPatternCount] = {
    "PRBS7", "PRBS9", "PRBS11", "PRBS15", "PRBS17", "PRBS20", "PRBS23", "PRBS29", "PRBS31",
};

constexpr unsigned kPrbs7Start = 0x7F;
constexpr int kBitsPerLine = 64;  // eight groups of eight

// The next bit of a generator whose register holds `state` (bit 0 newest).
unsigned next_bit(std::uint32_t state, const PrbsDefinition& def) {
  return ((state >> (def.a - 1)) ^ (state >> (def.b - 1))) & 1u;
}

std::uint32_t register_mask(int n) { return n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1u; }

// The reference bit the error map compares snapshot bit i with.
int reference_bit(const ErrorMapReference& r, int i) {
  const int k = r.start + i;
  return k >= 0 && k < r.reference_bits ? snapshot_bit(r.bits, k) : 0;
}

// The binary layout, with `glyph` giving the character of each bit.
template <typename Glyph>
void lay_out(char (&text)[kBinaryTextSize], Glyph glyph) {
  int pos = 0;
  for (int i = 0; i < kSnapshotBits; ++i) {
    text[pos++] = glyph(i);
    if (i % 8 == 7) text[pos++] = (i % kBitsPerLine == kBitsPerLine - 1) ? '\n' : ' ';
  }
  text[pos] = '\0';
}

int modulo_256(int w) { return ((w % kSnapshotBits) + kSnapshotBits) % kSnapshotBits; }

}  // namespace

const PrbsDefinition* prbs_definition(int pattern) {
  return pattern >= 0 && pattern < kPatternCount ? &kPatterns[pattern] : nullptr;
}

const char* pattern_name(int pattern) {
  return pattern >= 0 && pattern < kPatternCount ? kPatternNames[pattern] : "Shut Off";
}

void set_bit(unsigned char* bytes, int i, int value) {
  const unsigned char mask = static_cast<unsigned char>(0x80u >> (i % 8));
  if (value)
    bytes[i / 8] |= mask;
  else
    bytes[i / 8] &= static_cast<unsigned char>(~mask);
}

int count_ones(const unsigned char (&bytes)[kSnapshotBytes]) {
  int ones = 0;
  for (int i = 0; i < kSnapshotBits; ++i) ones += snapshot_bit(bytes, i);
  return ones;
}

void build_prbs7_reference(unsigned char (&reference)[kReferenceBytes]) {
  const PrbsDefinition& prbs7 = kPatterns[0];
  std::uint32_t state = kPrbs7Start;
  for (int k = 0; k < kReferenceBits; ++k) {
    const unsigned bit = next_bit(state, prbs7);
    set_bit(reference, k, static_cast<int>(bit));
    state = ((state << 1) | bit) & register_mask(prbs7.n);
  }
}

Prbs7Alignment align_prbs7(const unsigned char (&snapshot)[kSnapshotBytes],
                           const unsigned char (&reference)[kReferenceBytes]) {
  Prbs7Alignment best{kSnapshotBits, kPrbs7Candidates, 0, 0};
  for (int j = 0; j < kPrbs7Candidates; ++j) {
    int errors = 0;
    for (int i = 0; i < kSnapshotBits; ++i)
      errors += snapshot_bit(snapshot, i) != snapshot_bit(reference, j + 1 + i);
    if (errors >= kInversionHintErrors) ++best.inversion_hints;
    if (errors < best.errors) {
      best.errors = errors;
      best.candidate = j;
      best.rotation = kPrbs7Candidates - j;
    }
  }
  return best;
}

int predict_pattern(const unsigned char (&snapshot)[kSnapshotBytes], const PrbsDefinition& def,
                    unsigned char (&predicted)[kSnapshotBytes]) {
  const std::uint32_t word = static_cast<std::uint32_t>(snapshot[0]) << 24 |
                             static_cast<std::uint32_t>(snapshot[1]) << 16 |
                             static_cast<std::uint32_t>(snapshot[2]) << 8 | snapshot[3];
  std::uint32_t state = word >> (32 - def.n);
  for (unsigned char& b : predicted) b = 0;
  for (int k = 0; k < def.n; ++k) set_bit(predicted, k, snapshot_bit(snapshot, k));
  int errors = 0;
  for (int k = def.n; k < kSnapshotBits; ++k) {
    const unsigned bit = next_bit(state, def);
    set_bit(predicted, k, static_cast<int>(bit));
    state = ((state << 1) | bit) & register_mask(def.n);
    errors += static_cast<int>(bit) != snapshot_bit(snapshot, k);
  }
  return errors;
}

int prbs7_map_start(int rotation) { return kPrbs7Candidates + 1 - rotation; }

int prediction_map_start(int rotation_control) {
  const int e = modulo_256(rotation_control);
  return e == 0 ? 0 : 8 * (e / 8) + 8 - e % 8;
}

void rotate_snapshot(const unsigned char (&snapshot)[kSnapshotBytes], int w,
                     unsigned char (&rotated)[kSnapshotBytes]) {
  const int shift = modulo_256(w);
  for (int i = 0; i < kSnapshotBits; ++i)
    set_bit(rotated, i, snapshot_bit(snapshot, (i + shift) % kSnapshotBits));
}

int find_marker_tag(const unsigned char (&received)[kSnapshotBytes], int tag) {
  for (int k = 0; k < kSnapshotBytes; ++k)
    if (received[k] == tag) return k;
  return -1;
}

void marker_difference(const unsigned char (&received)[kSnapshotBytes], int first,
                       const unsigned char* marker, unsigned char (&difference)[kSnapshotBytes]) {
  for (int l = 0; l < kSnapshotBytes; ++l)
    difference[l] = static_cast<unsigned char>(received[(first + l) % kSnapshotBytes] ^ marker[l]);
}

int first_set_bit(const unsigned char (&bits)[kSnapshotBytes]) {
  for (int i = 0; i < kSnapshotBits; ++i)
    if (snapshot_bit(bits, i)) return i;
  return -1;
}

void binary_text(const unsigned char (&bytes)[kSnapshotBytes], char (&text)[kBinaryTextSize]) {
  lay_out(text, [&](int i) { return snapshot_bit(bytes, i) ? '1' : '0'; });
}

void hex_text(const unsigned char (&bytes)[kSnapshotBytes], char (&text)[kHexTextSize]) {
  for (int k = 0; k < kSnapshotBytes; ++k) std::snprintf(text + 3 * k, 4, "%02x ", bytes[k]);
}

void error_map_text(const unsigned char (&snapshot)[kSnapshotBytes],
                    const ErrorMapReference& reference, char (&text)[kBinaryTextSize]) {
  lay_out(text, [&](int i) {
    const int bit = snapshot_bit(snapshot, i);
    if (bit == reference_bit(reference, i)) return '.';
    return bit ? '1' : '0';
  });
}
