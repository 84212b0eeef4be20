// The eye scan of the command line (--eye-scan CH --eye-out FILE, with
// --headless): once the board is connected, its settings are applied and
// the buttons the command line presses have run, one scan of the channel
// runs; then its points go to FILE, its summary line to standard output,
// its JSON report to the --eye-report file when one is given, and the
// program quits as with the Quit button.
//
// Exit codes: 0 the scan ran to its end and its file was written; 3 it
// could not start, failed or was stopped (the points it had go to the file
// all the same), or the file could not be written; 4 no board was
// connected within kBoardWait seconds.
#pragma once

#include <string>

#include "eye_scan/eye_scan.h"

// Arms the scan before start-up, and writes FILE (and the report) with no
// points yet, so that a file that cannot be written is known before the
// scan. False, with the reason as a sentence, when it cannot.
// The files of the command beside the points' (each may be empty): the
// JSON report, its figures also at `report_ratio`, and the eye mask to
// test, which is read here.
struct EyeScanFiles {
  std::string report;
  double report_ratio = 1e-12;
  std::string mask;
};
bool eye_scan_command_begin(const EyeScanRequest& request, const std::string& out_path,
                            std::string* error, const EyeScanFiles& files = {});
// Between the loop's events: starts the scan when its time has come, and
// reports and quits once it has ended.
void eye_scan_command_poll();
// At the program's end: the exit code; a scan that ended without being
// reported (a stop signal came) is reported first.
int eye_scan_command_end_of_program();

void eye_scan_command_reset();
