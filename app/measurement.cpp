#include "app/measurement.h"

#include <cstdio>
#include <cstring>

#include "app/apply_settings.h"
#include "app/channel_config.h"
#include "app/debug_panel.h"
#include "app/link_notice.h"
#include "app/panel_handles.h"
#include "app/routine_guard.h"
#include "app/saved_settings.h"
#include "app/statistics.h"
#include "app/subchannels.h"
#include "hardware/board_pins.h"
#include "hardware/fpga_protocol.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel_link.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"
#include "platform/ui_runtime/colours.h"
#include "platform/ui_runtime/ui_store.h"
#include "ui/channel_controls.h"
#include "ui/main_uir.h"

MeasurementState measurement;

namespace {

constexpr double kCollisionWait = 0.1;
constexpr int kTrackingBand = 5;  // MHz a manual-mode rate may move before the phases follow
constexpr int kNewestFirmwareNeedingNotice = 0x201F;

MeasurementListener g_listeners[8];

void tell_new_sample(int channel, const PacketRecord& sample) {
  for (const MeasurementListener& l : g_listeners)
    if (l.new_sample) l.new_sample(channel, sample);
}

void tell_link_state(int connected, double noticed_at) {
  for (const MeasurementListener& l : g_listeners)
    if (l.link_state) l.link_state(connected, noticed_at);
}

void tell_link_opened() {
  for (const MeasurementListener& l : g_listeners)
    if (l.link_opened) l.link_opened();
}

void supervise_link() {
  // A board replugged within one tick, or a bridge that reset itself, stays
  // listed while its handle is dead: the connection is forgotten, so that
  // the board is opened and configured again as after an unplug.
  // The loss is told with the time it was noticed, also when the board is
  // back already (a short replug, or one inside a routine).
  const double lost_at = link_lost_at();
  const bool lost = take_lost_device();
  if (lost) {
    tell_link_state(0, lost_at);
    pause_error_free(lost_at);
  }
  const int alive = record_link_alive();
  if (lost && alive) mark_link_disconnected();
  if (!link_state_changed(alive)) return;
  if (alive) {
    if (init_usb() == 1) {
      show_link("USB CONNECTED", kDarkGreen);
      SetCtrlVal(panelHandle, PANELMAIN_DEVICE_SN, deviceSerialNumber);
      ReadMgmtPacket();
      LoadSettingsIntoHardware();
      put_back_routine_phases();
      resume_error_free(Timer());
      tell_link_opened();
    } else {
      mark_link_disconnected();  // the next tick tries again
      show_link("USB NOT CONNECTED", kDarkRed);
    }
  } else {
    // The board is gone; its dead handle is let go (unless the call that
    // found it gone did so already), so that no unplug leaves one behind.
    if (!lost) close();
    pause_error_free(Timer());
    show_link("USB NOT CONNECTED", kDarkRed);
    SetAllAttribsMain(1);
  }
}

}  // namespace

namespace {

void channel_step(int n) {
  const kd71::ChannelControls& c = kd71::channel_controls(n);
  const PacketRecord& r = packets[n];
  count_test_tick(n);

  unsigned pattern = 0;
  GetCtrlVal(panelHandle, c.pattern, &pattern);
  if (pattern != kPatternShutOff) {
    const int failed = FetchRoutinePacket(n);
    SetCtrlVal(panelHandle, PANELMAIN_RETRIES, static_cast<unsigned>(failed));
    SetCtrlAttribute(panelHandle, PANELMAIN_RETRIES, ATTR_FILL_COLOR, failed > 0 ? kRed : kWhite);
    if (debugPanelOpen) {
      SetCtrlVal(debugPanelHandle, PANELDEBUG_TOT_ERR_TRIG_CH1, channelStats[1].startCountdown);
      SetCtrlAttribute(debugPanelHandle, PANELDEBUG_TOT_ERR_TRIG_CH1, ATTR_FILL_COLOR,
                       r.error_count != 0 ? kMagenta : kWhite);
    }
    if (r.channel_state != kStateRunning)
      SetCtrlAttribute(panelHandle, c.errors, ATTR_FILL_COLOR, kLightGrey);
    if (debugPanelOpen) {
      SetCtrlVal(debugPanelHandle, c.state, static_cast<unsigned char>(r.channel_state));
      SetCtrlVal(debugPanelHandle, c.sync_led, r.sync_flags & kPatternSyncFlag);
      SetCtrlVal(debugPanelHandle, c.inverted_led, r.sync_flags & kInvertedDataFlag);
    }

    const int previous = measurement.prevSeqNo[n];
    measurement.prevSeqNo[n] = r.seq_no;
    if (r.seq_no != previous) {
      // Samples missed between two ticks show as a purple retry count.
      if (r.seq_no != (previous + 1) % 16)
        SetCtrlAttribute(panelHandle, PANELMAIN_RETRIES, ATTR_FILL_COLOR, kPurple);
      if (debugPanelOpen) SetCtrlVal(debugPanelHandle, c.seq_no, r.seq_no);
      update_sample(n);
      display_sample(n);
      start_run(n);
      tell_new_sample(n, r);
    }
    display_elapsed_times();
    display_no_error_indicator(n);
    if (debugPanelOpen) SetCtrlVal(debugPanelHandle, c.fast_errors, r.fast_error_count);
  }
  check_test_interval(n);
}

// In manual mode the board proposes phase settings for a new rate; they go
// to the expanders when the rate has moved by more than the tracking band.
void track_phases(int n) {
  const int manual = n == 1 ? manual_mode_ch1 : manual_mode_ch2;
  const int frequency = packets[n].frequency;
  int& tracked = measurement.trackedFrequency[n];
  if (manual == 0 || (tracked >= frequency - kTrackingBand && tracked <= frequency + kTrackingBand))
    return;
  tracked = frequency;
  UpdateManualMode(n);
  const ChannelConfig& cfg = channelConfig[n];
  write_phase_settings(n, cfg.phase9340, cfg.phase9372);
  if (debugPanelOpen) {
    SetCtrlVal(debugPanelHandle, kd71::channel_controls(n).phase9340, cfg.phase9340);
    SetCtrlVal(debugPanelHandle, kd71::channel_controls(n).phase9372, cfg.phase9372);
  }
}

void debug_extras() {
  DisplaySubchanErrs();
  int read_back = 0;
  GetCtrlVal(debugPanelHandle, PANELDEBUG_CHECKBOX_GP_IO, &read_back);
  if (read_back) io_expander(debugPanelHandle, PANELDEBUG_READ_VALUES, EVENT_COMMIT, nullptr, 0, 0);
  int beat = 0;
  GetCtrlVal(debugPanelHandle, PANELDEBUG_HB, &beat);
  SetCtrlVal(debugPanelHandle, PANELDEBUG_HB, beat == 0 ? 1 : 0);
}

}  // namespace

int CBTimer(int /*panel*/, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/) {
  if (event != EVENT_TIMER_TICK) return 0;

  // An I2C transaction is open (a routine holds the bridge): wait once.
  if (i2cBusy) {
    Delay(kCollisionWait);
    std::printf("I2C Collision did happen\n");
    std::fflush(stdout);
    if (i2cBusy) return 0;
  }

  supervise_link();
  tell_link_state(prevLinkState, Timer());
  if (debugPanelOpen) GetCtrlVal(debugPanelHandle, PANELDEBUG_DEBUGPRINTS, &packetTrace);

  if (linkUp) {
    channel_step(1);
    channel_step(2);
    track_phases(1);
    track_phases(2);
    if (debugPanelOpen) debug_extras();
  }

  if (debugPanelOpen) {
    const double now = Timer();
    SetCtrlVal(debugPanelHandle, PANELDEBUG_LAG_NO, now - measurement.lastTickTime);
    measurement.lastTickTime = now;
  }
  return 0;
}

void ReadMgmtPacket() {
  const unsigned char* b = packets[1].bytes;
  poll_until_trailer(1, kManagementRequest, kManagementTrailer);
  int version = decode_firmware_version(b);
  if (version == 0) {
    poll_until_trailer(1, kManagementRequest, kManagementTrailer);
    version = decode_firmware_version(b);
  }
  measurement.firmwareVersion = version;
  char text[16];
  std::snprintf(text, sizeof text, "%x", version);
  SetCtrlVal(panelHandle, PANELMAIN_FIRMWARE_VER_NO, text);
  SetCtrlAttribute(panelHandle, PANELMAIN_FIRMWARE_VER_NO, ATTR_FILL_COLOR,
                   version <= kNewestFirmwareNeedingNotice ? kRed : kWhite);
}

void add_measurement_listener(const MeasurementListener& listener) {
  for (MeasurementListener& slot : g_listeners) {
    if (slot.new_sample == listener.new_sample && slot.link_state == listener.link_state &&
        slot.link_opened == listener.link_opened)
      return;
    if (!slot.new_sample && !slot.link_state && !slot.link_opened) {
      slot = listener;
      return;
    }
  }
  std::fprintf(stderr, "kd71: too many measurement listeners\n");
}

void measurement_reset() { std::memset(&measurement, 0, sizeof measurement); }
