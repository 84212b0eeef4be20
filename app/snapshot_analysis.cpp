#include "app/snapshot_analysis.h"

#include <cstdio>
#include <cstring>

#include "app/debug_routines.h"
#include "app/panel_handles.h"
#include "app/pattern_recognition.h"
#include "app/slider_state.h"
#include "app/statistics.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel.h"
#include "platform/ui_runtime/colours.h"
#include "ui/main_uir.h"

namespace {

// The marker pattern until the user loads one: 0xEF in byte 0, 0x30 in
// byte 29, zeros elsewhere.
constexpr MarkerPattern kMarkerStart = {
    0xEF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0, 0,
    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x30, 0, 0,
};
constexpr const char* kBlankLines = "\n\n";
constexpr const char* kInversionHint = "Check for inversion e.g. reversed inputs P/N\n";
constexpr const char* kNoLinkText = "\n\nno snapshot: the board is not connected\n";
// A sample should outlast a few of the five-a-second measurement ticks, so
// that each one is seen; the sample-length field shows red otherwise.
constexpr double kShortestSampleSeconds = 0.5;
constexpr double kBitsPerSecondPerMhz = 1e6;

int markerTag = 0;      // the last value read from PANELDEBUG_SNAPSHOT_TAG
int debugRoutines = 0;  // PANELDEBUG_CHECKBOX_DEBUG at the start of the call

int read_int(int panel, int control) {
  int v = 0;
  GetCtrlVal(panel, control, &v);
  return v;
}

int snapshot_channel(int panel) { return read_int(panel, PANELDEBUG_SNAPSHOT_CH) == 2 ? 2 : 1; }

void fill(int panel, int control, bool good) {
  SetCtrlAttribute(panel, control, ATTR_FILL_COLOR, good ? kWhite : kRed);
}

// The channel's data-pattern ring on the main panel.
int selected_pattern(int channel) {
  unsigned v = 0;
  GetCtrlVal(panelHandle, channel == 2 ? PANELMAIN_DATA_SELECT_CH2 : PANELMAIN_DATA_SELECT_CH1, &v);
  return static_cast<int>(v);
}

// Appends the binary text of `bytes` to the snapshot box and shows their
// hexadecimal text.
void show_bits(int panel, const unsigned char (&bytes)[kSnapshotBytes]) {
  char binary[kBinaryTextSize];
  char hex[kHexTextSize];
  binary_text(bytes, binary);
  hex_text(bytes, hex);
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT, kBlankLines);
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT, binary);
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_HEX, hex);
}

// Up to 10 snapshot polls of the chosen channel into record channel - 1;
// the bytes are kept even when every attempt failed.
int read_snapshot(int panel) {
  const int channel = snapshot_channel(panel);
  const int index = channel - 1;
  const int bad = poll_until_trailer(index, channel_code(channel, kSnapshotKind), kSnapshotTrailer);
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_BAD_READS, bad);
  fill(panel, PANELDEBUG_SNAPSHOT_BAD_READS, bad == 0);
  std::memcpy(snapshotStore, packets[index].bytes, kSnapshotBytes);
  return channel;
}

// The marker comparison; false when the rotated snapshot equals the marker
// pattern, which ends the call.
bool compare_marker(int panel) {
  markerTag = read_int(panel, PANELDEBUG_SNAPSHOT_TAG);
  const int first = find_marker_tag(snapshotStore, markerTag);
  if (first < 0) return true;
  unsigned char difference[kSnapshotBytes];
  marker_difference(snapshotStore, first, markerPattern.data(), difference);
  for (unsigned char b : difference) std::printf("%02x ", b);
  std::printf("\n");
  if (read_int(panel, PANELDEBUG_LOAD_INDEX))
    std::memcpy(markerPattern.data(), difference, kSnapshotBytes);
  const int differing_bit = first_set_bit(difference);
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_BITNO, differing_bit);
  return differing_bit >= 0;
}

Prbs7Alignment show_alignment(int panel, const unsigned char (&reference)[kReferenceBytes]) {
  const Prbs7Alignment a = align_prbs7(snapshotStore, reference);
  for (int i = 0; i < a.inversion_hints; ++i)
    SetCtrlVal(panel, PANELDEBUG_DEBUG_OUTPUT, kInversionHint);
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_PRBS_ERRS, a.errors);
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_PRBS_ROT, a.rotation);
  return a;
}

void show_recognition(int panel, int channel, int selected) {
  char line[160];
  recognition_text(recognise_pattern(snapshotStore), channel, selected, line, sizeof line);
  SetCtrlVal(panel, PANELDEBUG_DEBUG_OUTPUT, line);
}

// The snapshot button; false when the call ends before the common tail.
bool take_snapshot(int panel) {
  if (!linkUp) {
    SetCtrlVal(panel, PANELDEBUG_SNAPSHOT, kNoLinkText);
    return true;
  }
  const int channel = read_snapshot(panel);
  unsigned char reference[kReferenceBytes];
  build_prbs7_reference(reference);
  show_bits(panel, snapshotStore);
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_ONES_CNT, count_ones(snapshotStore));
  if (!compare_marker(panel)) return false;

  const Prbs7Alignment a = show_alignment(panel, reference);
  if (read_int(panel, PANELDEBUG_AUTO_ROTATE)) {
    SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_ROTATION, (a.rotation - 1) % kSnapshotBits);
    CB_Debug(panel, PANELDEBUG_SNAPSHOT_ROTATION, EVENT_COMMIT, nullptr, 0, 0);
  }

  const int selected = selected_pattern(channel);
  const PrbsDefinition* def = prbs_definition(selected);
  const bool longer = def && selected > 0;  // "Shut Off" counts as PRBS7
  unsigned char predicted[kSnapshotBytes] = {};
  if (longer)
    SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_PRBS_ERRS,
               predict_pattern(snapshotStore, *def, predicted));
  if (read_int(panel, PANELDEBUG_SHOW_ERRS)) {
    const ErrorMapReference map_reference =
        longer
            ? ErrorMapReference{predicted, kSnapshotBits,
                                prediction_map_start(read_int(panel, PANELDEBUG_SNAPSHOT_ROTATION))}
            : ErrorMapReference{reference, kReferenceBits, prbs7_map_start(a.rotation)};
    char map[kBinaryTextSize];
    error_map_text(snapshotStore, map_reference, map);
    SetCtrlVal(panel, PANELDEBUG_SNAPSHOT, kBlankLines);
    SetCtrlVal(panel, PANELDEBUG_SNAPSHOT, map);
  }
  show_recognition(panel, channel, selected);
  return true;
}

void show_rotated(int panel) {
  unsigned char rotated[kSnapshotBytes];
  rotate_snapshot(snapshotStore, read_int(panel, PANELDEBUG_SNAPSHOT_ROTATION), rotated);
  show_bits(panel, rotated);
}

void send_loop_lock(int panel, int control) {
  const int channel = control == PANELDEBUG_LOOP_LOCK_CH2 ? 2 : 1;
  const int count = encode_loop_lock(packets[channel].bytes, read_int(panel, control));
  writePacket(channel, channel_code(channel, kLoopLockRegister), count);
}

// Takes PANELDEBUG_SAMPLE_LEN as the channel's sample length, in whole
// windows of 256 bits as the FPGA counts them, and sends the window. A
// length the window cannot count is refused: the control shows the
// channel's length again, in red, and nothing is sent.
void apply_sample_length(int panel, int channel) {
  long long value = 0;
  GetCtrlVal(panel, PANELDEBUG_SAMPLE_LEN, &value);
  ChannelStats& stats = channelStats[channel];
  if (value < kSampleWindowBits || value > kMaxSampleWindowBits) {
    SetCtrlVal(panel, PANELDEBUG_SAMPLE_LEN, static_cast<long long>(stats.sampleLength));
    fill(panel, PANELDEBUG_SAMPLE_LEN, false);
    return;
  }
  const long long length = value / kSampleWindowBits * kSampleWindowBits;
  if (length != value) SetCtrlVal(panel, PANELDEBUG_SAMPLE_LEN, length);
  stats.sampleLength = static_cast<std::uint64_t>(length);
  const double bits_in_shortest =
      kShortestSampleSeconds * packets[channel].frequency * kBitsPerSecondPerMhz;
  fill(panel, PANELDEBUG_SAMPLE_LEN, static_cast<double>(length) > bits_in_shortest);
  const int count = encode_sample_window(packets[channel].bytes, sample_window_count(length));
  writePacket(channel, channel_code(channel, kWindowRegister), count);
}

// After every control of the callback: the loop lock, the sample length
// and window, and the debug routines.
void common_tail(int panel, int control) {
  if (control == PANELDEBUG_LOOP_LOCK_CH1 || control == PANELDEBUG_LOOP_LOCK_CH2)
    send_loop_lock(panel, control);
  apply_sample_length(panel, snapshot_channel(panel));
  if (debugRoutines) run_debug_routines(panel);
}

}  // namespace

unsigned char snapshotStore[kSnapshotBytes];
MarkerPattern markerPattern = kMarkerStart;

int CB_Debug(int /*panel*/, int control, int event, void* /*callbackData*/, int /*eventData1*/,
             int /*eventData2*/) {
  if (event != EVENT_COMMIT || !debugPanelOpen) return 0;
  const int panel = debugPanelHandle;
  debugRoutines = read_int(panel, PANELDEBUG_CHECKBOX_DEBUG);
  switch (control) {
    case PANELDEBUG_SNAPSHOT_BUTTON:
      if (!take_snapshot(panel)) return 0;
      break;
    case PANELDEBUG_SNAPSHOT_ROTATION:
      show_rotated(panel);
      break;
    case PANELDEBUG_SMOOTH:
      smoothDelay = read_int(panel, PANELDEBUG_SMOOTH);
      break;
    default:
      break;
  }
  common_tail(panel, control);
  return 0;
}

void snapshot_analysis_reset() {
  std::memset(snapshotStore, 0, sizeof snapshotStore);
  markerPattern = kMarkerStart;
  markerTag = 0;
  debugRoutines = 0;
}
