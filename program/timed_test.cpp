#include "program/timed_test.h"

#include <cstdio>

#include "app/panel_handles.h"
#include "app/statistics.h"
#include "hardware/board_pins.h"
#include "hardware/lowlevel_link.h"
#include "platform/os/atomic_file.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/ui_store.h"
#include "report/test_report.h"
#include "results/ratio_history.h"
#include "results/run_verdict.h"
#include "ui/channel_controls.h"
#include "ui/main_uir.h"

namespace {

enum class Stage { Waiting, Armed, Running, Ended, Skipped, NoSample };

struct ChannelTest {
  Stage stage = Stage::Waiting;
};

struct TimedTest {
  int seconds = 0;  // 0: no test
  bool over = false;
  bool started = false;
  bool board_seen = false;
  bool board_missing = false;  // ended because the board was not there
  double start = 0.0;
  double connected_at = 0.0;
  double missing_since = -1.0;
  ChannelTest channels[3];
  std::string report_path;  // "": no report
  bool report_failed = false;
};

TimedTest g_test;

// The toggle pressed with the interval set, as the user does it.
void switch_run_on(int n) {
  SetCtrlVal(panelHandle, kd71::channel_controls(n).test_interval,
             static_cast<unsigned>(g_test.seconds));
  SetCtrlVal(panelHandle, kd71::channel_controls(n).test_toggle, 1);
  CB_TotalErrCntButton(panelHandle, kd71::channel_controls(n).test_toggle, EVENT_COMMIT, nullptr, 0,
                       0);
  g_test.channels[n].stage = Stage::Armed;
}

bool run_ended(int n) {
  const ChannelStats& s = channelStats[n];
  int toggle = 1;
  GetCtrlVal(panelHandle, kd71::channel_controls(n).test_toggle, &toggle);
  return toggle == 0 && s.totalsRunning == 0 && s.startCountdown == 0;
}

void step_channel(int n, double now) {
  ChannelTest& c = g_test.channels[n];
  switch (c.stage) {
    case Stage::Waiting:
      if (history_samples(n) > 0)
        switch_run_on(n);
      else if (now - g_test.connected_at >= kFirstSampleWait)
        c.stage = Stage::NoSample;
      break;
    case Stage::Armed:
      if (channelStats[n].totalsRunning) c.stage = Stage::Running;
      [[fallthrough]];
    case Stage::Running:
      if (run_ended(n)) c.stage = Stage::Ended;
      break;
    default:
      break;
  }
}

void note_board(double now) {
  if (prevLinkState == 1) {
    g_test.missing_since = -1.0;
    if (g_test.board_seen) return;
    g_test.board_seen = true;
    g_test.connected_at = now;
    for (int n = 1; n <= 2; ++n) {
      unsigned pattern = 0;
      GetCtrlVal(panelHandle, kd71::channel_controls(n).pattern, &pattern);
      if (pattern == kPatternShutOff) g_test.channels[n].stage = Stage::Skipped;
    }
    return;
  }
  if (g_test.missing_since < 0.0) g_test.missing_since = now;
  if (now - g_test.missing_since >= kBoardWait) g_test.board_missing = true;
}

bool channel_done(int n) {
  const Stage s = g_test.channels[n].stage;
  return s == Stage::Ended || s == Stage::Skipped || s == Stage::NoSample;
}

std::string wait_text(double seconds) {
  return kd71::c_locale::format("%d s", static_cast<int>(seconds));
}

// The run as the report and the exit code judge it; `stopped`: cut short.
ReportRun report_run(bool stopped) {
  ReportRun run;
  run.timed_test = true;
  run.stopped = stopped;
  run.board_seen = g_test.board_seen;
  if (!g_test.board_seen)
    run.board_problem = "no board connected within " + wait_text(kBoardWait);
  else if (g_test.board_missing)
    run.board_problem = "the board was gone for " + wait_text(kBoardWait);
  for (int n = 1; n <= 2; ++n) {
    const Stage stage = g_test.channels[n].stage;
    run.channels[n].skipped = stage == Stage::Skipped;
    if (stage == Stage::NoSample)
      run.channels[n].problem = "no sample within " + wait_text(kFirstSampleWait);
    else if (stage == Stage::Waiting)
      run.channels[n].problem = "not started";
  }
  return run;
}

bool channel_passed(int n) {
  return g_test.channels[n].stage == Stage::Ended &&
         channel_outcome(n, report_run(false)).verdict == Verdict::Pass;
}

// The report, when one is asked for; one line when it cannot be written.
void write_report(bool stopped) {
  if (g_test.report_path.empty()) return;
  std::string error;
  if (write_test_report(g_test.report_path, report_run(stopped), &error)) return;
  g_test.report_failed = true;
  std::fprintf(stderr, "kd71: cannot write the report to %s (%s)\n", g_test.report_path.c_str(),
               error.c_str());
}

std::string channel_summary(int n) {
  std::string line = n == 1 ? "CH1 timed test: " : "CH2 timed test: ";
  const Stage stage = g_test.channels[n].stage;
  if (stage == Stage::Skipped) return line + "skipped (Shut Off)";
  if (stage == Stage::NoSample) {
    char wait[16];
    std::snprintf(wait, sizeof wait, "%d", static_cast<int>(kFirstSampleWait));
    return line + "no sample within " + wait + " s: FAIL";
  }
  if (stage == Stage::Waiting) return line + "not started: FAIL";
  const RunVerdict v = run_verdict(n);
  char elapsed[kFigureText];
  char counts[64];
  kd71::c_locale::format_to(counts, sizeof counts, "errors %llu bits %.0f in ",
                            static_cast<unsigned long long>(v.errors), v.bits);
  line += counts;
  line += elapsed_text(channelStats[n].testTicks, elapsed);
  if (stage != Stage::Ended) line += " (cut short)";
  if (!v.has_bits) return line + ": no bits counted: FAIL";
  char bound[kBerText], verdict[kBerText];
  BerJudgement j = v.judgement;
  if (stage != Stage::Ended) j.pass = false;
  line += std::string(" ") + bound_text(j.bound, berCriteria.confidencePercent, bound) + " ";
  // The counted bits may pass, but the board was not watched all along.
  if (const int losses = run_verdict(n).link_losses)
    return line + kd71::c_locale::format("link lost %d time%s during the run: FAIL", losses,
                                         losses == 1 ? "" : "s");
  return line + verdict_text(j, berCriteria.target, true, verdict);
}

void finish() {
  g_test.over = true;
  for (const std::string& line : timed_test_summary()) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  write_report(false);
  // As the Quit button: the settings are saved and the link closed.
  kd71::ui::post_event(panelHandle, PANELMAIN_CMDQUIT, EVENT_COMMIT);
}

}  // namespace

void timed_test_begin(int seconds) {
  g_test = {};
  g_test.seconds = seconds;
}

bool timed_test_armed() { return g_test.seconds > 0; }
bool timed_test_over() { return g_test.over; }

bool timed_test_poll() {
  if (!timed_test_armed() || g_test.over) return g_test.over;
  if (panelHandle <= 0 || kd71::ui::in_callback()) return false;
  const double now = Timer();
  if (!g_test.started) {
    g_test.started = true;
    g_test.start = now;
    g_test.missing_since = now;
  }
  note_board(now);
  if (g_test.board_missing) {
    finish();
    return true;
  }
  if (!g_test.board_seen) return false;
  bool all_done = true;
  for (int n = 1; n <= 2; ++n) {
    step_channel(n, now);
    all_done = all_done && channel_done(n);
  }
  if (all_done) finish();
  return g_test.over;
}

std::vector<std::string> timed_test_summary() {
  std::vector<std::string> lines;
  if (!g_test.board_seen || g_test.board_missing) {
    char wait[16];
    std::snprintf(wait, sizeof wait, "%d", static_cast<int>(kBoardWait));
    lines.push_back(g_test.board_seen ? std::string("kd71: the board was gone for ") + wait +
                                            " s; the timed test ends"
                                      : std::string("kd71: no board connected within ") + wait +
                                            " s; the timed test did not run");
    if (!g_test.board_seen) return lines;
  }
  for (int n = 1; n <= 2; ++n) lines.push_back(channel_summary(n));
  return lines;
}

bool timed_test_report_to(const std::string& path, std::string* error) {
  g_test.report_path = path;
  // Written at once, so that a path that cannot be written stops the
  // program before the test, and a test that never ends leaves a report
  // that says so.
  return kd71::platform::write_file_atomically(
      path,
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>KD71 test "
      "report</title></head><body><h1>KD71 test report</h1><p>FAIL: the timed test has not "
      "ended.</p></body></html>\n",
      error);
}

int timed_test_exit_code() {
  if (g_test.report_failed) return kExitBadOutput;
  if (!g_test.board_seen || g_test.board_missing) return kExitNoBoard;
  bool tested = false;
  for (int n = 1; n <= 2; ++n) {
    if (g_test.channels[n].stage == Stage::Skipped) continue;
    tested = true;
    if (!channel_passed(n)) return kExitFailed;
  }
  // Nothing tested is no pass.
  return tested ? kExitPassed : kExitFailed;
}

int timed_test_end_of_program() {
  if (g_test.over) return timed_test_exit_code();
  std::printf("kd71: the timed test was stopped before its end\n");
  if (g_test.board_seen)
    for (const std::string& line : timed_test_summary()) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  write_report(true);
  return g_test.report_failed ? kExitBadOutput : kExitFailed;
}

void timed_test_reset() { g_test = {}; }

void TimedTestFrontEnd::pump_input() {
  ConsoleFrontEnd::pump_input();
  timed_test_poll();
}
