// The debug panel's snapshot analysis (CB_Debug) on any snapshot the board
// can send and any values of its controls: channel, rotation, marker tag and
// pattern, the main panel's pattern selection, the sample length and the
// loop locks, committed through each of the callback's controls. Checked:
// the ones count shown is that of the snapshot kept, and the sample length
// taken is one the FPGA's window can count.
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "app/debug_panel.h"
#include "app/snapshot_analysis.h"
#include "app/startup.h"
#include "app/statistics.h"
#include "fuzz/fuzz_input.h"
#include "hardware/lowlevel.h"
#include "platform/bridge/bridge_double.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/support/fresh_state.h"
#include "ui/main_uir.h"

namespace {

using kd71::fuzz::finding;

constexpr int kCommits[] = {PANELDEBUG_SNAPSHOT_BUTTON,   PANELDEBUG_SNAPSHOT_BUTTON,
                            PANELDEBUG_SNAPSHOT_ROTATION, PANELDEBUG_SMOOTH,
                            PANELDEBUG_LOOP_LOCK_CH1,     PANELDEBUG_LOOP_LOCK_CH2,
                            PANELDEBUG_SAMPLE_LEN};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kd71::fuzz::silence_console();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kd71::fuzz::FuzzInput in(data, size);
  kd71::test::reset_all();
  auto owned = std::make_unique<kd71::bridge::RecordingBridge>();
  kd71::bridge::RecordingBridge* bridge = owned.get();
  owned->devices = {kd71::bridge::instrument_device()};
  kd71::bridge::install(std::move(owned));
  kd71_bind_callbacks();
  panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  Debug(0, 0, nullptr, panelHandle);
  if (!debugPanelOpen) finding("the debug panel does not open");
  FT_Open(0, &usb_handle);
  prevLinkState = 1;
  linkUp = in.take<std::uint8_t>() % 16 != 0;
  channelStats[1].sampleLength = channelStats[2].sampleLength = kStartSampleLength;

  const int panel = debugPanelHandle;
  const auto flags = in.take<std::uint8_t>();
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_CH, static_cast<int>(in.take<std::int8_t>()));
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_ROTATION, static_cast<int>(in.take<std::int16_t>()));
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_TAG, static_cast<int>(in.take<std::int16_t>()));
  SetCtrlVal(panel, PANELDEBUG_AUTO_ROTATE, flags & 1);
  SetCtrlVal(panel, PANELDEBUG_SHOW_ERRS, (flags >> 1) & 1);
  SetCtrlVal(panel, PANELDEBUG_LOAD_INDEX, (flags >> 2) & 1);
  SetCtrlVal(panel, PANELDEBUG_LOOP_LOCK_CH1, (flags >> 3) & 1);
  SetCtrlVal(panel, PANELDEBUG_LOOP_LOCK_CH2, (flags >> 4) & 1);
  SetCtrlVal(panel, PANELDEBUG_SMOOTH, (flags >> 5) & 1);
  SetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH1,
             static_cast<unsigned>(in.take<std::uint8_t>()));
  SetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH2,
             static_cast<unsigned>(in.take<std::uint8_t>()));
  SetCtrlVal(panel, PANELDEBUG_SAMPLE_LEN, static_cast<long long>(in.take<std::int64_t>()));
  if (flags & 0x40) {
    const std::string_view marker = in.bytes(kSnapshotBytes);
    std::memcpy(markerPattern.data(), marker.data(), marker.size());
  }
  const int control = kCommits[in.choose(std::size(kCommits))];
  // The replies to the snapshot polls, each with its own length.
  while (in.left() > 0 && bridge->replies.size() < kMaxPollAttempts) {
    const std::string_view reply = in.bytes(in.take<std::uint8_t>());
    bridge->replies.emplace_back(reply.begin(), reply.end());
  }

  CB_Debug(panel, control, EVENT_COMMIT, nullptr, 0, 0);

  if (control == PANELDEBUG_SNAPSHOT_BUTTON && linkUp) {
    int ones = 0;
    for (unsigned char b : snapshotStore) ones += std::popcount(b);
    if (kd71::ui::numeric_value(panel, PANELDEBUG_SNAPSHOT_ONES_CNT) != ones)
      finding("the ones count is not the snapshot's");
  }
  for (int ch : {1, 2}) {
    const std::uint64_t length = channelStats[ch].sampleLength;
    if (length % kSampleWindowBits != 0 || length < kSampleWindowBits ||
        length > static_cast<std::uint64_t>(kMaxSampleWindowBits))
      finding("a sample length the window cannot count");
  }
  return 0;
}
