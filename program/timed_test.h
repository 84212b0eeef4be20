// The production test of the command line (--timed-test SECONDS): each
// channel's run is switched on at its first sample, as a user would press
// its "Total Error Count" with the test interval set, channels on
// "Shut Off" are skipped, and when every run has ended one summary line per
// channel tells its total errors, bits, bound and verdict, and the program
// quits as with the Quit button. The exit code says how it went.
//
// A board that is not connected within kBoardWait seconds (or that is gone
// that long during the test) ends the test with kExitNoBoard; a tested
// channel that sends no sample within kFirstSampleWait seconds of the
// connection fails.
#pragma once

#include <string>
#include <vector>

#include "program/console_front_end.h"
#include "program/exit_codes.h"

inline constexpr double kFirstSampleWait = 60.0;

// Arms the test for `seconds` (1 .. the test interval's maximum) before
// start-up.
void timed_test_begin(int seconds);
bool timed_test_armed();
// Writes the test report to `path` when the test ends (or is cut short);
// written at once with a page saying the test has not ended. False, with
// the reason, when the file cannot be written.
bool timed_test_report_to(const std::string& path, std::string* error);
// One step, between the loop's events: starts the runs, watches them end
// and the board's presence. True once the test is over.
bool timed_test_poll();
bool timed_test_over();
// The summary lines, once the test is over or when it is cut short (a stop
// signal): then the runs are judged as they stand, and fail.
std::vector<std::string> timed_test_summary();
// kExitBadOutput when the report could not be written.
int timed_test_exit_code();
// At the program's end: the exit code; a test cut short prints its summary
// first and fails.
int timed_test_end_of_program();

void timed_test_reset();

// The headless front-end of a timed test: the console's, with a test step
// between the loop's events. The summary is printed when the test is over.
class TimedTestFrontEnd : public ConsoleFrontEnd {
 public:
  using ConsoleFrontEnd::ConsoleFrontEnd;
  void pump_input() override;
};
