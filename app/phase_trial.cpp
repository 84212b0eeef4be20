#include "app/phase_trial.h"

#include "app/calibration_progress.h"
#include "app/routine_guard.h"
#include "hardware/board_pins.h"
#include "hardware/lowlevel_packets.h"
#include "platform/ui_runtime/userint.h"
#include "ui/main_uir.h"

namespace {

constexpr int kPhases = 8;  // bits 0-1 the 9340 setting, bit 2 the 9372 setting
constexpr double kPhaseSettle = 0.03;
constexpr char kErrorFree = '.';
constexpr char kErrored = 'x';

void write_phase(int channel, int phase) {
  write_phase_settings(channel, phase & 3, (phase >> 2) & 1);
}

}  // namespace

int best_surrounded_phase(const std::string& by_phase) {
  auto good = [&by_phase](int p) {
    return static_cast<int>(by_phase[static_cast<std::size_t>((p + kPhases) % kPhases)] ==
                            kErrorFree);
  };
  int best = 0, best_score = 0;
  for (int p = 0; p < kPhases; ++p) {
    const int score = good(p) ? 1 + good(p - 1) + good(p + 1) : 0;
    if (score > best_score) {
      best = p;
      best_score = score;
    }
  }
  return best;
}

int CB_TryPhases(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
                 int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  int channel = 1;
  GetCtrlVal(panel, PANELDEBUG_SNAPSHOT_CH, &channel);
  if (channel != 2) channel = 1;
  SetCtrlVal(panel, PANELDEBUG_ERRFREE_BY_PHASE, "");
  RoutineGuard guard(channel, "phase trial");
  int phase9340 = 0, phase9372 = 0;
  read_phase_settings(channel, &phase9340, &phase9372);
  guard.note_phases(phase9340, phase9372);
  begin_calibration_progress(kPhases);
  std::string by_phase(kPhases, kErrored);
  for (int p = 0; p < kPhases && !guard.board_lost(); ++p) {
    write_phase(channel, p);
    ProcessDrawEvents();
    Delay(kPhaseSettle);
    FetchRoutinePacket(channel);
    by_phase[static_cast<std::size_t>(p)] =
        packets[channel].fast_error_count != 0 ? kErrored : kErrorFree;
    show_calibration_step(channel, "phase trial", "phase", p + 1, kPhases);
  }
  if (!guard.board_lost()) {
    SetCtrlVal(panel, PANELDEBUG_ERRFREE_BY_PHASE, by_phase);
    write_phase(channel, best_surrounded_phase(by_phase));
  }
  end_calibration_progress();
  guard.give_back_if_lost();
  return 0;
}
