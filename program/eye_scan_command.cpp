#include "program/eye_scan_command.h"

#include <cstdio>

#include "app/panel_handles.h"
#include "app/stop_signal.h"
#include "eye_scan/eye_json_report.h"
#include "eye_scan/eye_scan_report.h"
#include "eye_scan/scan_contour.h"
#include "hardware/lowlevel_link.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/button_presses.h"
#include "program/exit_codes.h"
#include "ui/main_uir.h"

namespace {

struct Command {
  bool armed = false;
  EyeScanRequest request;
  std::string out_path;
  EyeScanFiles files;
  bool has_mask = false;
  kd71::eye::eye_mask mask;
  bool waiting = false;  // the wait for the board has begun
  double waiting_since = 0.0;
  bool started = false;
  bool reported = false;
  int exit_code = kExitFailed;
};

Command g_command;

void quit() {
  // A stop signal has its own quit on the way.
  if (!stop_requested()) kd71::ui::post_event(panelHandle, PANELMAIN_CMDQUIT, EVENT_COMMIT);
}

void give_up(const std::string& line, int exit_code) {
  std::printf("kd71: %s\n", line.c_str());
  std::fflush(stdout);
  g_command.reported = true;
  g_command.exit_code = exit_code;
  quit();
}

// The file and the summary of the scan that has ended.
void report() {
  g_command.reported = true;
  const EyeScanResult& r = eye_scan_result();
  std::printf("%s\n", eye_summary(r, eye_report(r)).c_str());
  std::string error;
  const bool written = write_eye_scan_csv(g_command.out_path, r, &error);
  if (written)
    std::printf("CH%d eye scan: %d points written to %s\n", r.request.channel,
                static_cast<int>(r.points.size()), g_command.out_path.c_str());
  else
    std::printf("kd71: the eye scan's points were not written to %s: %s\n",
                g_command.out_path.c_str(), error.c_str());
  kd71::eye::mask_test mask;
  if (g_command.has_mask) {
    mask = kd71::eye::test_scan_mask(g_command.mask, r);
    std::printf("%s\n", kd71::eye::mask_summary(r.request.channel, g_command.mask, mask).c_str());
  }
  bool reported = true;
  const EyeScanFiles& files = g_command.files;
  if (!files.report.empty()) {
    reported = kd71::eye::write_eye_report_json(files.report, r, files.report_ratio, &error,
                                                g_command.has_mask ? &mask : nullptr);
    if (!reported)
      std::printf("kd71: the eye scan's report was not written to %s: %s\n",
                  files.report.c_str(), error.c_str());
  }
  std::fflush(stdout);
  g_command.exit_code =
      written && reported && r.state == EyeScanState::Finished ? kExitPassed : kExitFailed;
}

}  // namespace

bool eye_scan_command_begin(const EyeScanRequest& request, const std::string& out_path,
                            std::string* error, const EyeScanFiles& files) {
  g_command = Command{};
  g_command.request = request;
  g_command.out_path = out_path;
  g_command.files = files;
  g_command.has_mask = !files.mask.empty();
  std::string why;
  if (g_command.has_mask && !kd71::eye::read_eye_mask(files.mask, &g_command.mask, &why)) {
    *error = "the eye mask " + files.mask + ": " + why;
    return false;
  }
  EyeScanResult none;
  none.request = request;
  if (!write_eye_scan_csv(out_path, none, &why)) {
    *error = "cannot write the eye scan to " + out_path + " (" + why + ")";
    return false;
  }
  if (!files.report.empty() &&
      !kd71::eye::write_eye_report_json(files.report, none, files.report_ratio, &why)) {
    *error = "cannot write the eye scan's report to " + files.report + " (" + why + ")";
    return false;
  }
  g_command.armed = true;
  return true;
}

void eye_scan_command_poll() {
  Command& c = g_command;
  if (!c.armed || c.reported || panelHandle <= 0 || !kd71::ui::loop_running() ||
      kd71::ui::in_callback())
    return;
  if (c.started) {
    if (!eye_scan_busy()) {
      report();
      quit();
    }
    return;
  }
  if (stop_requested()) return;
  const double now = Timer();
  if (!c.waiting) {
    c.waiting = true;
    c.waiting_since = now;
  }
  if (!linkUp || prevLinkState != 1) {
    if (now - c.waiting_since >= kBoardWait)
      give_up(kd71::c_locale::format("no board connected within %.0f s; the eye scan did not run",
                                     kBoardWait),
              kExitNoBoard);
    return;
  }
  // After the command line's presses, and whatever they queued.
  if (button_presses_pending() || kd71::ui::pending_event_count() > 0) return;
  std::string why;
  if (!eye_scan_start(c.request, &why)) {
    give_up("the eye scan cannot start: " + why, kExitFailed);
    return;
  }
  c.started = true;
}

int eye_scan_command_end_of_program() {
  Command& c = g_command;
  if (!c.reported) {
    if (c.started && !eye_scan_busy()) {
      report();
    } else {
      std::printf("kd71: the eye scan did not run\n");
      std::fflush(stdout);
      c.exit_code = kExitFailed;
    }
  }
  return c.exit_code;
}

void eye_scan_command_reset() { g_command = Command{}; }
