// The fault soak: the program on the simulated board for hours of virtual
// time while a random injector unplugs and replugs the board (for less than
// a tick, for seconds, or between two calls of one routine), drops, cuts and
// corrupts replies, makes chips stop acknowledging and holds SDA low, at any
// bridge call of the measurement, the settings pushes, channel
// initialisation, the auto search, the phase trial, the snapshot and the
// debug routines. After each fault the program must reconnect on the first
// tick the board is back, the board must hold the panel's settings after the
// push, the saved settings must be the panel's, every tick and routine must
// end within its bound, and the heap must not grow. A routine cut by a loss
// leaves its channel as it was, and the log has the loss and the return.
//
//   KD71_SOAK_HOURS  simulated hours (default 3)
//   KD71_SOAK_SEED   seed of the injector (default 1)
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/analog_controls.h"
#include "app/channel_config.h"
#include "app/channel_init.h"
#include "app/debug_panel.h"
#include "app/debug_routines.h"
#include "app/delay_auto_search.h"
#include "app/phase_trial.h"
#include "app/saved_settings.h"
#include "app/settings_file.h"
#include "app/settings_reader.h"
#include "app/snapshot_analysis.h"
#include "hardware/analog_scale.h"
#include "hardware/board_pins.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel.h"
#include "platform/os/c_locale.h"
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store.h"
#include "results/measurement_log.h"
#include "tests/soak/fault_injector.h"
#include "tests/support/sim_program_fixture.h"
#include "ui/channel_controls.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KD71_HEAP_OF_ASAN 1  // clang's sanitizer build
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(KD71_HEAP_OF_ASAN)
#define KD71_HEAP_OF_ASAN 1
// The sanitizer runtime's count of the bytes the program holds (its malloc
// replaces the C library's, whose counters then stay at zero).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using kd71::sim::SimBoard;
using kd71::test::FaultInjector;

constexpr double kTickPeriod = 0.2;
// Longest a tick may hold the thread: a reconnection's open, firmware read
// and settings push (0.1 s of pauses and the I2C writes) plus ten failed
// polls of each channel (0.2 s), with room.
constexpr double kTickBound = 1.5;
// The loopback test's hundred passes of 0.1 s settling and up to ten polls.
constexpr double kLoopbackBound = 100 * (0.1 + 10 * 0.05);
constexpr double kDumpBound = 50.0;
constexpr double kSnapshotBound = 1.0;
// The calibration routines: their sweeps retry each measurement, so faults
// lengthen them; these are two to three times the longest seen in a day
// (Init 33 s, the auto search 130 s, the phase trial 2 s).
constexpr double kInitBound = 100.0;
constexpr double kAutoSearchBound = 300.0;
constexpr double kPhaseTrialBound = 10.0;
// Heap growth allowed over the run after the first simulated hour: the
// debug panel's two logs filling up to their bound, and small change.
constexpr std::size_t kHeapSlack = 2 * kd71::ui::kTextBoxLimit + 64 * 1024;

double env_number(const char* name, double fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atof(v) : fallback;
}

std::size_t heap_in_use() {
#if defined(KD71_HEAP_OF_ASAN)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// The program's console lines go to /dev/null while the soak runs; the
// soak's own findings are reported once the console is back.
class ConsoleMuted {
 public:
  ConsoleMuted() {
    std::fflush(stdout);
    std::fflush(stderr);
    out_ = dup(1), err_ = dup(2);
    std::FILE* null = std::fopen("/dev/null", "w");
    dup2(fileno(null), 1), dup2(fileno(null), 2);
    std::fclose(null);
  }
  ~ConsoleMuted() {
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(out_, 1), dup2(err_, 2);
    close(out_), close(err_);
  }

 private:
  int out_, err_;
};

class FaultSoak : public kd71::test::SimProgramTest {
 protected:
  void SetUp() override {
    SimProgramTest::SetUp();
    board_ = start();
    EXPECT_TRUE(start_measurement_log(log_path().string(), nullptr));
    injector_ = std::make_unique<FaultInjector>(
        board_, static_cast<std::uint64_t>(env_number("KD71_SOAK_SEED", 1)));
    rng_.seed(injector_->seed());
  }
  void TearDown() override {
    stop_measurement_log();
    injector_.reset();  // before the board goes
    SimProgramTest::TearDown();
  }

  // A finding: the soak stops at the first one (what follows a broken
  // invariant proves little), keeping the recent faults for the report.
  void find(const std::string& what) {
    if (finding_.empty())
      finding_ = kd71::c_locale::format("at %.3f s: ", kd71::clock::now()) + what + "\n" +
                 injector_->history();
  }
  bool ok() const { return finding_.empty(); }

  // Runs `body` and checks that it held the thread at most `bound` seconds.
  void bounded(const char* what, double bound, const std::function<void()>& body) {
    const double t0 = kd71::clock::now();
    body();
    const double spent = kd71::clock::now() - t0;
    if (spent > bound) find(kd71::c_locale::format("%s took %.3f s", what, spent));
    double& longest = longest_[what];
    longest = std::max(longest, spent);
  }

  // One timer tick at its time, checked.
  void checked_tick() {
    const double next = last_tick_ + kTickPeriod;
    if (kd71::clock::now() < next) kd71::clock::spend(next - kd71::clock::now());
    last_tick_ = kd71::clock::now();
    const bool back = board_->is_plugged();
    const auto unplugs = injector_->unplugs();
    const auto i2c_faulted = injector_->i2c_faulted_calls();
    const int was_connected = prevLinkState;
    bounded("a tick", kTickBound, [&] { tick(); });
    ++ticks_;
    if (!back || injector_->unplugs() != unplugs) return;
    if (prevLinkState != 1 || kd71::bridge::open_handle_count() != 1 ||
        text(PANELMAIN_NOTIFY_USER) != "USB CONNECTED")
      return find(kd71::c_locale::format(
          "the board was back for a whole tick and the link is not connected: \"%s\", link "
          "state %d, %d handles open, lost %d",
          text(PANELMAIN_NOTIFY_USER).c_str(), prevLinkState, kd71::bridge::open_handle_count(),
          link_lost() ? 1 : 0));
    // A reconnection's push that no I2C fault touched leaves the board as the panel.
    if (was_connected != 1 && injector_->i2c_faulted_calls() == i2c_faulted) dirty_ = false;
  }

  void ticks_for(double seconds) {
    const double until = kd71::clock::now() + seconds;
    while (ok() && kd71::clock::now() < until) checked_tick();
  }

  // Something the user does between ticks; the board may miss it when a
  // fault is on meanwhile, and then holds the panel's settings only after
  // the next reconnection.
  void user_action(const char* what, double bound, const std::function<void()>& body) {
    const auto unplugs = injector_->unplugs();
    const auto i2c_faulted = injector_->i2c_faulted_calls();
    const bool plugged = board_->is_plugged();
    bounded(what, bound, body);
    if (!plugged || injector_->unplugs() != unplugs ||
        injector_->i2c_faulted_calls() != i2c_faulted || link_lost())
      dirty_ = true;
  }

  void change_a_setting() {
    const int ch = 1 + static_cast<int>(rng_() % 2);
    const int pattern_ctl = ch == 1 ? PANELMAIN_DATA_SELECT_CH1 : PANELMAIN_DATA_SELECT_CH2;
    const int clock_ctl = ch == 1 ? PANELMAIN_RING_IN_CLK_CH1 : PANELMAIN_RING_IN_CLK_CH2;
    const int manual_ctl = ch == 1 ? PANELMAIN_CKBX_MANUAL_MD_CH1 : PANELMAIN_CKBX_MANUAL_MD_CH2;
    const int thres_ctl = ch == 1 ? PANELMAIN_CH1_THRES : PANELMAIN_CH2_THRES;
    const int delay_ctl = ch == 1 ? PANELMAIN_CH1_SAMPDEL : PANELMAIN_CH2_SAMPDEL;
    user_action("a setting change", kTickBound, [&] {
      switch (rng_() % 5) {
        case 0: {
          const unsigned pattern = rng_() % 10 == 0 ? kPatternShutOff : rng_() % 9;
          SetCtrlVal(panelHandle, pattern_ctl, pattern);
          return call(general_purpose_IO, pattern_ctl, EVENT_COMMIT);
        }
        case 1:
          SetCtrlVal(panelHandle, clock_ctl, static_cast<int>(rng_() % 3));
          return call(general_purpose_IO, clock_ctl, EVENT_COMMIT);
        case 2:
          SetCtrlVal(panelHandle, manual_ctl, static_cast<int>(rng_() % 2));
          return call(general_purpose_IO, manual_ctl, EVENT_COMMIT);
        case 3:
          SetCtrlVal(panelHandle, thres_ctl, uniform(-89.45, 89.45));
          return call(CB_DAC, thres_ctl, EVENT_VAL_CHANGED);
        default:
          SetCtrlVal(panelHandle, delay_ctl, uniform(0.0, 2.7));
          return call(CB_DAC, delay_ctl, EVENT_VAL_CHANGED);
      }
    });
  }

  void call(int (*callback)(int, int, int, void*, int, int), int control, int event) {
    callback(panelHandle, control, event, nullptr, 0, 0);
  }
  double uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng_); }

  void open_debug_panel() {
    if (debugPanelOpen) return;
    Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
    SetCtrlVal(debugPanelHandle, PANELDEBUG_CHECKBOX_GP_IO, 1);  // the expander read-back
  }

  void snapshot() {
    open_debug_panel();
    SetCtrlVal(debugPanelHandle, PANELDEBUG_CHECKBOX_DEBUG, 0);
    SetCtrlVal(debugPanelHandle, PANELDEBUG_SNAPSHOT_CH, 1 + static_cast<int>(rng_() % 2));
    user_action("a snapshot", kSnapshotBound, [&] {
      CB_Debug(debugPanelHandle, PANELDEBUG_SNAPSHOT_BUTTON, EVENT_COMMIT, nullptr, 0, 0);
    });
  }

  void debug_routines() {
    open_debug_panel();
    const bool loopback = rng_() % 4 == 0;
    SetCtrlVal(debugPanelHandle, PANELDEBUG_CHECKBOX_DEBUG, 1);
    SetCtrlVal(debugPanelHandle, PANELDEBUG_CHECKBOX_DAC_Dump, 1);
    SetCtrlVal(debugPanelHandle, PANELDEBUG_CHECKBOX_IO_Dump, 1);
    SetCtrlVal(debugPanelHandle, PANELDEBUG_CHECKBOX_LOOPBACK, loopback ? 1 : 0);
    user_action("the debug routines", loopback ? kLoopbackBound + kDumpBound : kDumpBound, [&] {
      CB_Debug(debugPanelHandle, PANELDEBUG_SMOOTH, EVENT_COMMIT, nullptr, 0, 0);
    });
    SetCtrlVal(debugPanelHandle, PANELDEBUG_CHECKBOX_DEBUG, 0);
    if (loopback && (fe_.progress.empty() || !fe_.progress.back().empty()))
      find("the loopback test left its progress shown");
    std::vector<std::string>().swap(fe_.progress);  // the window's progress line is not kept
  }

  int manual_mode(int ch) const {
    return static_cast<int>(
        number(ch == 1 ? PANELMAIN_CKBX_MANUAL_MD_CH1 : PANELMAIN_CKBX_MANUAL_MD_CH2));
  }

  std::filesystem::path log_path() const { return folder_.path() / "soak-log.csv"; }
  // Channel `ch`'s threshold and delay, shown and saved.
  std::array<float, 4> routine_values(int ch) const {
    const kd71::ChannelControls& c = kd71::channel_controls(ch);
    return {static_cast<float>(number(c.threshold)), static_cast<float>(number(c.delay)),
            *saved_channel(ch).threshold, *saved_channel(ch).sampling_delay};
  }

  // Once the board is back after a routine cut by its loss, the log tells both.
  void check_link_rows() {
    if (cut_log_from_ == 0 || !ok() || prevLinkState != 1) return;
    const std::string rows = folder_.read("soak-log.csv").substr(cut_log_from_);
    if (rows.find(",link up,", rows.find(",link down,")) == std::string::npos)
      find("no link rows in the log after a routine cut by a loss:\n" + rows);
    cut_log_from_ = 0;
  }

  // A channel's "Init" (offered in automatic mode) or auto search (in
  // manual mode), or the debug panel's phase trial of a channel.
  void calibration() {
    const int ch = 1 + static_cast<int>(rng_() % 2);
    const auto before = routine_values(ch);
    const std::size_t log_size = std::filesystem::file_size(log_path());
    calibrate(ch);
    if (!link_lost()) return;
    if (routine_values(ch) != before) find("a routine cut by a loss changed its channel");
    if (cut_log_from_ == 0) cut_log_from_ = log_size;
  }

  void calibrate(int ch) {
    if (rng_() % 3 == 0) {
      open_debug_panel();
      SetCtrlVal(debugPanelHandle, PANELDEBUG_SNAPSHOT_CH, ch);
      user_action("the phase trial", kPhaseTrialBound, [&] {
        CB_TryPhases(debugPanelHandle, PANELDEBUG_TRY_PHASES, EVENT_COMMIT, nullptr, 0, 0);
      });
    } else if (manual_mode(ch) == 0) {
      user_action("Init", kInitBound, [&] {
        call(CB_InitChan, ch == 1 ? PANELMAIN_INIT_CH1 : PANELMAIN_INIT_CH2, EVENT_COMMIT);
      });
    } else {
      user_action("the auto search", kAutoSearchBound, [&] {
        call(AutoSearch, ch == 1 ? PANELMAIN_CH1_AUTOSEARCH : PANELMAIN_CH2_AUTOSEARCH,
             EVENT_COMMIT);
      });
    }
    if (fe_.progress.empty() || !fe_.progress.back().empty())
      find("a calibration routine left its progress shown");
    std::vector<std::string>().swap(fe_.progress);
  }

  // The board holds what the panel shows.
  void check_board_settings() {
    if (dirty_ || !ok() || !board_->is_plugged() || prevLinkState != 1) return;
    for (int ch : {1, 2}) {
      const bool one = ch == 1;
      const int pattern =
          static_cast<int>(number(one ? PANELMAIN_DATA_SELECT_CH1 : PANELMAIN_DATA_SELECT_CH2));
      const int clock =
          static_cast<int>(number(one ? PANELMAIN_RING_IN_CLK_CH1 : PANELMAIN_RING_IN_CLK_CH2));
      const bool manual = number(one ? PANELMAIN_CKBX_MANUAL_MD_CH1 : PANELMAIN_CKBX_MANUAL_MD_CH2);
      const auto threshold =
          static_cast<float>(number(one ? PANELMAIN_CH1_THRES : PANELMAIN_CH2_THRES));
      const auto name = [&](const char* what) {
        return kd71::c_locale::format("channel %d's %s on the board is not the panel's", ch, what);
      };
      if (board_->pattern_code(ch) != (pattern & kPatternField)) return find(name("pattern"));
      if ((board_->clock_config(ch) & kInputClockBits) != input_clock_bits(clock))
        return find(name("input clock"));
      if (board_->manual_mode(ch) != manual) return find(name("manual mode"));
      if (board_->threshold(ch).code_p != threshold_code_p(threshold) ||
          board_->threshold(ch).code_n != threshold_code_n(threshold))
        return find(name("threshold"));
    }
  }

  // The settings saved now are the panel's, in the file's order.
  void check_saved_settings() {
    if (!ok()) return;
    if (SaveSettings(kSettingsFile) != 1) return find("the settings were not saved");
    const std::string text = folder_.read(kSettingsFile);
    SettingsReader reader(text);
    reader.skip_line();
    for (int control :
         {PANELMAIN_CH1_SAMPDEL, PANELMAIN_CH2_SAMPDEL, PANELMAIN_CH1_THRES, PANELMAIN_CH2_THRES}) {
      float saved = 0;
      if (!reader.skip_token() || !reader.read_float(&saved) ||
          std::fabs(saved - number(control)) > 1e-5)
        return find(kd71::c_locale::format("control %d shows %f, saved %f:\n", control,
                                           number(control), static_cast<double>(saved)) +
                    text);
    }
    const int ints[] = {PANELMAIN_DATA_SELECT_CH1,
                        PANELMAIN_DATA_SELECT_CH2,
                        PANELMAIN_RING_IN_CLK_CH1,
                        PANELMAIN_RING_IN_CLK_CH2,
                        0,
                        0,
                        0,
                        0,  // the phase settings of the debug panel
                        PANELMAIN_CKBX_MANUAL_MD_CH1,
                        PANELMAIN_CKBX_MANUAL_MD_CH2};
    for (int control : ints) {
      int saved = 0;
      if (!reader.skip_token() || !reader.read_int(&saved))
        return find("a saved setting does not read back:\n" + text);
      if (control != 0 && saved != number(control))
        return find("a saved setting is not the panel's:\n" + text);
    }
  }

  SimBoard* board_ = nullptr;
  std::unique_ptr<FaultInjector> injector_;
  std::mt19937_64 rng_;
  std::string finding_;
  bool dirty_ = false;
  std::size_t cut_log_from_ = 0;  // the log's size before a cut routine, until checked
  double last_tick_ = 0.0;
  std::map<std::string, double> longest_;  // by what held the thread
  std::uint64_t ticks_ = 0;
};

TEST_F(FaultSoak, FaultsAtAnyBridgeCallLeaveTheProgramConnectedWithThePanelSettings) {
  const double hours = env_number("KD71_SOAK_HOURS", 3.0);
  const double end = hours * 3600.0;
  std::size_t heap_at_first_hour = 0, heap_at_end = 0;
  {
    ConsoleMuted muted;
    smoothDelay = 0;  // sampling delays through the DACs, which the push re-sends
    while (ok() && kd71::clock::now() < end) {
      injector_->arm_random_fault();
      switch (rng_() % 10) {
        case 0:
        case 1:
          change_a_setting();
          break;
        case 2:
          snapshot();
          break;
        case 3:
          debug_routines();
          break;
        case 4:
        case 5:
          calibration();
          break;
        default:
          break;  // measurement only
      }
      ticks_for(uniform(0.2, 4.0));
      while (ok() && injector_->busy()) checked_tick();  // until the fault has ended
      ticks_for(0.4);
      check_board_settings();
      check_saved_settings();
      check_link_rows();
      if (heap_at_first_hour == 0 && kd71::clock::now() > 3600.0)
        heap_at_first_hour = heap_in_use();
    }
    heap_at_end = heap_in_use();
  }
  EXPECT_EQ(finding_, "");
  if (heap_at_first_hour > 0) {
    EXPECT_LE(heap_at_end, heap_at_first_hour + kHeapSlack) << "the heap grew";
  }
  std::string longest;
  for (const auto& [what, seconds] : longest_)
    longest += kd71::c_locale::format("; longest %s %.3f s", what.c_str(), seconds);
  std::printf(
      "soak: %.2f simulated hours, %llu ticks, %s%s; heap %zu bytes after the first hour, "
      "%zu at the end\n",
      kd71::clock::now() / 3600.0, static_cast<unsigned long long>(ticks_),
      injector_->summary().c_str(), longest.c_str(), heap_at_first_hour, heap_at_end);
}

}  // namespace
