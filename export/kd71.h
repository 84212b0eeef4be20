/*
 * kd71.h: automation functions of the KD71 two-channel error detector.
 *
 * libkd71 opens the instrument, sets a channel and reads its figures
 * without the program's window. C and C++. Link with `pkg-config --libs
 * kd71`, or `find_package(kd71)` and the target kd71::kd71.
 *
 * Order: usb_init() first; the other functions only after it returned 1;
 * usb_close() last. Channels are 1 and 2; any other channel is invalid and
 * gives the result stated for it below.
 *
 * Waits: each reading function runs one measurement tick (a poll of both
 * channels, a few milliseconds on a board). Where a function below "waits",
 * it blocks the calling thread for that time.
 *
 * Backend: $KD71_BRIDGE chooses it at the first usb_init(): "ftdi" (the
 * default: boards on USB through libftdi1) or "sim" (the built-in simulated
 * board, with the scenario named by $KD71_SIM_SCENARIO, if any).
 *
 * Several boards: $KD71_SERIAL, read at each usb_init(), names the board to
 * open by its serial number (as `kd71 --list-boards` shows it); without it
 * the last board listed is opened.
 *
 * The library does not read or write the program's settings file and does
 * not send the panel's settings to the board: the caller sets what it needs.
 * Should the board be unplugged and plugged back in while the library holds
 * it, the next reading function connects it again and sends it the default
 * settings (pattern PRBS31, thresholds 0 mV); set the channels again then.
 *
 * Threads: the functions are not reentrant; calls from several threads are
 * serialised (each waits until the running one returns).
 *
 * fork(): a fork waits until no other thread is inside a call. The child
 * starts closed: the board stays the parent's, every function but usb_init()
 * gives its "not open" result there, and usb_close() does nothing. A child
 * that needs the board calls usb_init() after the parent's usb_close().
 *
 * One process holds the board at a time. While the kd71 program has it
 * open, usb_init() returns 0 with errno EBUSY; while this library holds it,
 * the program shows "USB NOT CONNECTED" until usb_close().
 */
#ifndef KD71_H
#define KD71_H

#include <stdint.h>

#if defined(__GNUC__)
#define KD71_API __attribute__((visibility("default")))
#else
#define KD71_API
#endif

/* Longest wait of GetErrorCount and GetErrorRatio for 2^35 bits, in
 * seconds, at a rate below the 1 Mb/s the board can measure. */
#define KD71_MAX_SAMPLE_WAIT_S 60.0
/* Range of SampingDelay, volts; thresholds in millivolts. */
#define KD71_SAMPLING_DELAY_MAX_V 2.7f
#define KD71_THRESHOLD_MAX_MV 89.45f

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the instrument: loads the panels (never shown), sets both sample
 * lengths to 2^34 bits, opens the board and writes the 1.65 V references.
 * 1: open. -1: the panels could not be loaded. 0: not opened, errno says
 * why: ENODEV no board (of $KD71_SERIAL, when set) is listed (or the USB
 * backend could not start),
 * EBUSY the board is listed but could not be opened (another program holds
 * it, or the user may not open it: see the console line), EINVAL
 * $KD71_BRIDGE names no backend, $KD71_SIM_SCENARIO a scenario file that
 * cannot be used or $KD71_SERIAL no serial number (a line on standard error
 * says what is wrong). While
 * already open: 1, nothing is done.
 * Blocks about 0.12 s. */
KD71_API int usb_init(void);

/* Closes the board and discards the panels. Always 1, also when the
 * instrument is not open (nothing is done then). */
KD71_API int usb_close(void);

/* Sets the channel's input-clock pin to bit 0 of value, then waits 0.03 s.
 * 1. Invalid channel: no write, still waits 0.03 s, 1. Not open: 0, no wait.
 * Blocks about 0.07 s. */
KD71_API int InputClock(int channel, int value);

/* Selects the channel's pattern from the low byte of code: 0 PRBS7, 1 PRBS9,
 * 2 PRBS11, 3 PRBS15, 4 PRBS17, 5 PRBS20, 6 PRBS23, 7 PRBS29, 8 PRBS31,
 * 99 off (the channel is then no longer polled). ReSync keeps it. Then
 * waits 0.03 s; 1. Invalid channel: no write, still waits 0.03 s, 1.
 * Another code, or not open: 0, nothing done, no wait. Blocks about
 * 0.07 s. */
KD71_API int DataSel(int channel, int code);

/* Sets the channel's decision threshold, millivolts, clamped to
 * -89.45 .. +89.45. 1. Invalid channel, NaN or infinite threshold, not
 * open: 0, nothing done. No wait. */
KD71_API int DataThreshold(int channel, float threshold);

/* Bit rate of the channel in Mb/s (0 without a clock). Invalid channel:
 * -1 after the tick. Not open: -1, no tick. */
KD71_API int GetBitRate(int channel);

/* Ones in 256 received bits (0..255) of the channel's last sample. Invalid
 * channel: -1 after the tick. Not open: -1, no tick. */
KD71_API int GetOnes(int channel);

/* 1 when the channel is in pattern sync, else 0. Invalid channel: -1 after
 * the tick. Not open: -1, no tick. */
KD71_API int GetSyncStatus(int channel);

/* Errors of the channel's last sample window. Before the channel's first
 * sample since usb_init, first waits for it (at most two sample windows at
 * the rate its board reports; not at all without a clock). Then waits the
 * time of 2^35 bits at channel 1's bit rate (3.44 s at 10 Gb/s, 34.4 s at
 * 1 Gb/s, 222 s at 155 Mb/s; no wait while channel 1 shows no rate), then
 * ticks. Invalid channel: 0 after the wait and the tick. Not open: 0, no
 * wait. */
KD71_API uint64_t GetErrorCount(int channel);

/* Errors of the channel's last 20 ms sample (0..255). Waits 0.1 s, then
 * ticks. Invalid channel: -1 after the wait and the tick. Not open: -1, no
 * wait. */
KD71_API int GetFastErrorCount(int channel);

/* Error ratio of the channel's last sample: errors / sample length, and
 * 1 / sample length (a bound) when it had none; 0 only for a channel that
 * gave no sample (no clock). Waits as GetErrorCount, then ticks. Invalid
 * channel: -1.0 after the wait and the tick. Not open: -1.0, no wait. */
KD71_API float GetErrorRatio(int channel);

/* Initialises the channel as its "Init" button does (sample window,
 * threshold searches, the pattern set by DataSel re-selected), then waits
 * 0.03 s; 1. Blocks for at least 55 measurements: about a second on the
 * simulated board. Board lost during it: the routine stops, the channel
 * keeps the threshold it had, 0 after the wait. Invalid channel: no
 * initialisation, still waits 0.03 s, 1. Not open: 0, no wait. */
KD71_API int ReSync(int channel);

/* Records manual mode (on non-zero) for the channel in the panel, then
 * waits 0.03 s; 1. The board, and ReSync, keep the channel's present mode
 * until the settings are next sent (at a reconnection). Invalid channel: no
 * change, still waits 0.03 s, 1. Not open: 0, no wait. */
KD71_API int ManualMode(int channel, int on);

/* Sets the channel's sampling delay, volts, clamped to 0 .. 2.7 (infinities
 * too), on the delay DAC with its EEPROM. 1. Invalid channel, NaN volts,
 * not open: 0, nothing done. Blocks about 0.06 s. */
KD71_API int SampingDelay(int channel, float volts);

#ifdef __cplusplus
}
#endif

#endif /* KD71_H */
