// The test report of a run: one self-contained HTML file (no scripts, no
// outside files or fonts) that a test engineer files to sign a board off.
// It names the board, the program and the host, when it ran and how, each
// channel's settings and result against the target with its verdict in
// words (and colour), the error ratio over the run and the errors'
// spread, and the channel's last eye scan. It prints on A4 and on Letter.
//
// A channel passes only when its run ended with its bound below the target
// and nothing got in its way: a run that is still going, was stopped, or
// lost its link does not pass, and neither does a board never seen.
#pragma once

#include <string>

// What the program tells about itself, once at start-up: how it was started
// (the command line, as a shell would take it back) and what it runs on
// ("USB" or "simulated board", with the scenario file's name).
void report_note_program(const std::string& command, const std::string& bridge);
// The command line of `argc` arguments quoted for a shell.
std::string shell_command(int argc, char* argv[]);

// How the run went, from the one who ran it (a timed test of the command
// line, or the window).
struct ReportRun {
  bool timed_test = false;  // a timed test of the command line (else: the window)
  bool board_seen = true;
  std::string board_problem;  // why the board was missing, when it was
  bool stopped = false;       // the test was stopped before its end
  struct Channel {
    bool skipped = false;  // "Shut Off": not tested
    std::string problem;   // why its run never ran ("no sample within 60 s")
  } channels[3];
};

// The run of the window: the board seen when one was connected.
ReportRun window_report_run();

enum class Verdict { Pass, Fail, NotTested, Running };
struct ChannelOutcome {
  Verdict verdict = Verdict::NotTested;
  std::string why;  // what decided it, in words
};
ChannelOutcome channel_outcome(int channel, const ReportRun& run);
// "PASS", "FAIL", "NOT TESTED", "RUNNING".
const char* verdict_word(Verdict v);
// FAIL when a channel failed, RUNNING when one still runs, else PASS when
// one passed and NOT TESTED when none was tested.
Verdict overall_verdict(const ReportRun& run);

// The whole file.
std::string test_report_html(const ReportRun& run);
// Writes it to `path`, replacing the file as a whole. False, with the
// reason, when it cannot.
bool write_test_report(const std::string& path, const ReportRun& run, std::string* error);

void test_report_reset();
