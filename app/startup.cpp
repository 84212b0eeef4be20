#include "app/startup.h"

#include <cstdio>

#include "app/apply_settings.h"
#include "app/measurement.h"
#include "app/panel_handles.h"
#include "app/settings_file.h"
#include "app/statistics.h"
#include "app/version.h"
#include "hardware/lowlevel.h"
#include "platform/os/instance_lock.h"
#include "ui/main_uir.h"

int panelHandle = 0;

namespace {

std::string g_board_serial;  // the chosen board's serial number, or ""
std::string g_settings_file = kSettingsFile;

void report_restore(int result) {
  if (result == -1) {
    MessagePopup("Restore Error", "Unable to find Restore File");
  } else if (result > 0) {
    char text[80];
    std::snprintf(text, sizeof text, "Unable to Restore All Settings.  %d of %d Restored",
                  kSettingsValues - result, kSettingsValues);
    MessagePopup("Restore Error", text);
  }
}

}  // namespace

void run_for_board(const std::string& serial, const std::string& settings_file) {
  g_board_serial = serial;
  choose_board_serial(serial.c_str());
  if (!settings_file.empty())
    g_settings_file = settings_file;
  else
    g_settings_file = serial.empty() ? kSettingsFile : "settings-" + serial + ".cfg";
}

std::string instance_lock_name() {
  return g_board_serial.empty() ? kInstanceLockName : kInstanceLockName + ("." + g_board_serial);
}

const std::string& settings_file_path() { return g_settings_file; }

int start_program() {
  kd71_bind_callbacks();

  panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  if (panelHandle < 0) return -1;
  SetPanelAttribute(panelHandle, ATTR_TITLE, kMainPanelTitle);
  SetCtrlVal(panelHandle, PANELMAIN_VER, kVersionText);
  DisplayPanel(panelHandle);
  SetCtrlAttribute(panelHandle, PANELMAIN_VER, ATTR_TOOLTIP_TEXT, build_stamp());

  report_restore(RestoreSettings(g_settings_file.c_str()));

  channelStats[1].sampleLength = kStartSampleLength;
  channelStats[2].sampleLength = kStartSampleLength;

  SetAllAttribsMain(1);

  // The first tick runs before the timer's first interval: it makes the first
  // connection attempt and sets the USB notice.
  CBTimer(panelHandle, PANELMAIN_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
  return 0;
}

int take_instance_guard() {
  using kd71::instance::Guard;
  const std::string name = instance_lock_name();
  const Guard guard = kd71::instance::acquire(name);
  if (guard == Guard::HeldElsewhere) {
    std::printf("Program Already Running...\nMultiple Executions are Disallowed.\n");
    std::fflush(stdout);
    Delay(2.0);
    return 1;
  }
  if (guard == Guard::Unavailable)
    std::fprintf(stderr,
                 "kd71: cannot open the lock file %s; running without the single-instance guard\n",
                 kd71::instance::lock_path(name).c_str());
  return 0;
}

int run_program() {
  if (start_program() < 0) {
    kd71::instance::release();
    return -1;
  }
  RunUserInterface();
  kd71::instance::release();
  return 0;
}

int kd71_main(int /*argc*/, char* /*argv*/[]) {
  if (const int refused = take_instance_guard()) return refused;
  return run_program();
}

int QuitAll(int /*panel*/, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  SaveSettings(g_settings_file.c_str());  // a failure is not reported and does not stop the quit
  close();
  QuitUserInterface(0);
  return 0;
}

int quit_panel(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
               int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  DiscardPanel(panel);
  if (debugPanelOpen && panel == debugPanelHandle) debugPanelOpen = 0;
  return 0;
}

void startup_reset() {
  panelHandle = 0;
  g_board_serial.clear();
  g_settings_file = kSettingsFile;
}
