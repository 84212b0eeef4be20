// The eye scan of a channel, a measurement of the program's own beside the
// calibration routines: the error ratio against the sampling delay at the
// present threshold (a bathtub), or against delay and threshold together
// (a two-dimensional eye), from the board's 20 ms fast error count.
//
// The delay goes through the FPGA's smooth path, which the board honours
// only in manual mode: a channel in automatic mode is switched to manual
// mode through its check box (so the board's proposed phases are applied)
// and back at the end. While the scan runs the threshold is written with
// the lock that holds the board's pattern alignment, so that points outside
// the eye count line errors instead of losing the sync. At the end, after a
// stop and after a stop signal, the channel's threshold, delay, mode and
// controls are back as they were; the scan never changes the saved settings.
//
// A scan holds the thread as the calibration routines do (ticks wait), but
// lets input through between its points, so the windows redraw and its
// stop is taken at once.
//
// Starting one from a command (the window's Start, a remote command): call
// eye_scan_start, which checks the request and queues the scan to run from
// the event loop, then wait until eye_scan_busy() is false (an operation-
// complete query answers then); eye_scan_result() holds the outcome.
#pragma once

#include <string>

#include "eye_scan/eye_scan_types.h"

// Why `request` cannot be run as given ("" when it can): a channel other
// than 1 or 2, step counts out of range, a threshold range outside
// +-89.45 mV or empty, a ratio outside 0 .. 1.
std::string eye_scan_request_problem(const EyeScanRequest& request);
// The thresholds a two-dimensional scan of `request` covers, mV.
void eye_scan_threshold_range(const EyeScanRequest& request, double* lo_mv, double* hi_mv);

// Queues a scan. False, with the reason in `why_not`, when the request is
// wrong, a scan is already queued or running, no board is connected, the
// channel is switched off or its timed test runs.
bool eye_scan_start(const EyeScanRequest& request, std::string* why_not = nullptr);
// Ends a running scan after the point under way (a queued one does not run).
void eye_scan_stop();
// True from eye_scan_start until the scan has ended and restored the channel.
bool eye_scan_busy();
const EyeScanResult& eye_scan_result();
// The last scan of `channel` (1 or 2) that measured points, finished or
// stopped, in the program's life; nullptr when none did.
const EyeScanResult* eye_scan_of_channel(int channel);

// Queues the centre of a scan to be applied to `channel` through its
// sliders, as the user would set them: the delay (the channel is switched
// to manual mode first, where the board honours it) and, unless NaN, the
// threshold. False with a reason while a scan is busy or no board is
// connected.
bool eye_scan_apply(int channel, double delay_v, double threshold_mv,
                    std::string* why_not = nullptr);

// The scan itself, as the event loop runs it; tests call it directly.
void run_eye_scan();

void eye_scan_reset();
