// Opening and closing the instrument for another program: the automation
// start-up and shutdown, and what every exported call shares.

#include "export/automation_session.h"

#include <pthread.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/bridge_choice.h"
#include "app/measurement.h"
#include "app/panel_handles.h"
#include "app/statistics.h"
#include "export/kd71.h"
#include "hardware/MCP4728.h"
#include "hardware/lowlevel_link.h"
#include "platform/bridge/board_description.h"
#include "platform/bridge/bridge_backend.h"
#include "platform/ui_runtime/ui_frontend.h"
#include "platform/ui_runtime/ui_store.h"
#include "ui/main_uir.h"
#include "ui/main_uir_panels.h"

namespace kd71::automation {
namespace {

std::mutex g_lock;
bool g_open = false;
int g_samples[3] = {};  // per channel, since usb_init

void count_sample(int channel, const PacketRecord&) { ++g_samples[channel]; }

// Across fork(): the fork waits until no other thread is inside a call (it
// holds the lock through the fork), so that the child never inherits a lock
// that no thread of its own will release. The child starts closed: the
// board and its bridge stay the parent's; the child may open the
// instrument anew with usb_init.
void before_fork() { g_lock.lock(); }
void after_fork_in_parent() { g_lock.unlock(); }
void after_fork_in_child() {
  g_open = false;
  g_lock.unlock();  // the child's one thread is the one that took it
}
[[maybe_unused]] const int g_fork_handlers =
    pthread_atfork(before_fork, after_fork_in_parent, after_fork_in_child);

// The library runs inside someone else's program: the long routines'
// progress goes nowhere (the caller knows it is waiting), and a popup,
// which nothing in the library's paths raises, would go to standard error.
class LibraryFrontEnd : public kd71::ui::FrontEnd {
 public:
  void message_popup(const std::string& title, const std::string& text) override {
    std::fprintf(stderr, "kd71: %s: %s\n", title.c_str(), text.c_str());
  }
  void routine_progress(const std::string&) override {}
};

LibraryFrontEnd g_front_end;

// The backend is chosen once, at the first usb_init: later sessions keep it,
// and with it the simulated board's state. 0 when one is installed, else the
// errno of the failure; a scenario file that cannot be used is named on
// standard error, as the program names it.
int install_backend() {
  if (kd71::bridge::installed()) return 0;
  std::string error;
  switch (install_bridge(bridge_choice_from_environment(), &error)) {
    case BridgeResult::Installed:
      return 0;
    case BridgeResult::BadScenario:
      std::fprintf(stderr, "kd71: %s\n", error.c_str());
      return EINVAL;
    case BridgeResult::Unavailable:
      break;
  }
  const std::string name = bridge_from_environment();
  return name == "sim" || name == "ftdi" ? ENODEV : EINVAL;
}

// $KD71_SERIAL chooses one board of several, as --serial does for the
// program: only a board of that serial number is opened. 0, or EINVAL
// (with a line on standard error) for a value that is no serial number.
int choose_board_from_environment() {
  const char* value = std::getenv("KD71_SERIAL");
  const std::string serial = value ? value : "";
  if (const std::string problem = kd71::serial_problem(serial);
      !serial.empty() && !problem.empty()) {
    std::fprintf(stderr, "kd71: KD71_SERIAL=%s: %s\n", serial.c_str(), problem.c_str());
    return EINVAL;
  }
  choose_board_serial(serial.c_str());
  return 0;
}

// The panels hold the measurement's state; they are loaded, never shown.
bool load_panels() {
  // The store serves the library's own panel definitions: no module handle.
  kd71::uir::register_main_uir();
  panelHandle = LoadPanelEx(0, "main.uir", PANELMAIN, nullptr);
  if (panelHandle < 0) return false;
  debugPanelHandle = LoadPanelEx(0, "main.uir", PANELDEBUG, nullptr);
  return debugPanelHandle >= 0;  // its open flag stays 0: no tick writes to it
}

void discard_panels() {
  if (debugPanelHandle > 0) DiscardPanel(debugPanelHandle);
  if (panelHandle > 0) DiscardPanel(panelHandle);
  debugPanelHandle = 0;
  panelHandle = 0;
}

void end_session() {
  discard_panels();
  kd71::ui::set_front_end(nullptr);
  g_open = false;
}

}  // namespace

Call::Call() : lock_(g_lock) {}

bool Call::open() const { return g_open; }

bool valid_channel(int channel) { return channel == 1 || channel == 2; }

void run_tick() { CBTimer(0, 0, EVENT_TIMER_TICK, nullptr, 0, 0); }

int samples_shown(int channel) { return valid_channel(channel) ? g_samples[channel] : 0; }

namespace {

int open_session() {
  Call call;
  if (call.open()) return 1;
  if (const int failure = install_backend()) {
    errno = failure;
    return 0;
  }
  if (const int failure = choose_board_from_environment()) {
    errno = failure;
    return 0;
  }
  kd71::ui::set_front_end(&g_front_end);
  if (!load_panels()) {
    end_session();
    errno = ENOENT;
    return -1;
  }
  channelStats[1].sampleLength = kStartSampleLength;
  channelStats[2].sampleLength = kStartSampleLength;

  // A board lost in an earlier session: its dead handle is closed now, so
  // that the first tick does not take the new link for lost.
  take_lost_device();
  const int listed = record_link_alive();
  const int opened = init_usb();
  if (opened != 1) {
    end_session();
    errno = listed ? EBUSY : ENODEV;
    return opened;
  }
  // The link is recorded as connected, so that the first tick neither opens
  // the bridge again nor sends the panel's defaults over what the caller sets.
  link_state_changed(1);
  add_measurement_listener({.new_sample = count_sample});
  g_samples[1] = g_samples[2] = 0;
  dac_write(kMidScalePositionB, static_cast<float>(kMidScaleVolts), 0);
  dac_write(kMidScalePositionA, static_cast<float>(kMidScaleVolts), 0);
  g_open = true;
  return 1;
}

void close_session() {
  Call call;
  if (!call.open()) return;
  close();
  QuitUserInterface(0);
  end_session();
}

}  // namespace
}  // namespace kd71::automation

extern "C" int usb_init(void) { return kd71::automation::open_session(); }

extern "C" int usb_close(void) {
  kd71::automation::close_session();
  return 1;
}
