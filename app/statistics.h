// Error statistics of each channel and their display: the figures of the
// last sample, the error-free time, and the timed test run started by the
// total-error-count toggle.
#pragma once

#include <cstdint>

struct PacketRecord;

struct ChannelStats {
  std::uint64_t sampleLength;  // bits per sample; every ratio divides by it
  double errorFreeStart;       // Timer() when the error-free stretch began
  int errorFreeSeconds;
  int totalsRunning;   // new samples are added to the totals
  int startCountdown;  // 1 after the toggle is switched on, until the next sample
  std::uint64_t totalErrors;
  int totalSamples;
  int testTicks;     // ticks of the run, five per second
  int testInterval;  // seconds
};

extern ChannelStats channelStats[3];

inline constexpr std::uint64_t kStartSampleLength = 17179869184ULL;  // 2^34 bits

// The per-tick and per-sample steps, in the order the measurement cycle
// runs them.
void count_test_tick(int channel);
void update_sample(int channel);
void display_sample(int channel);
void start_run(int channel);
void display_elapsed_times();
void display_no_error_indicator(int channel);
void check_test_interval(int channel);

// The board gone since `since`, and back at `now`: error-free time counts
// only what was measured, so the stretches of both channels skip the time
// between. A second loss before the return keeps the first time.
void pause_error_free(double since);
void resume_error_free(double now);

int CB_TotalErrCntButton(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2);

// The display texts and levels, for the routines above and their tests.
// The texts are formatted into the caller's buffer (no allocation per tick).
inline constexpr int kFigureText = 32;
// "0,000,001,234,567", or "1.000000000E+13" from 10^13 on.
const char* total_count_text(std::uint64_t total_errors, char (&text)[kFigureText]);
// "01:01:01" for 18305 ticks.
const char* elapsed_text(int test_ticks, char (&text)[kFigureText]);
unsigned error_bar_level(std::uint64_t error_count, std::uint64_t sample_length);
int no_error_colour(int ones, int frequency, int fast_errors);
// The error ratio of channel `channel`'s sample `r` as the panel shows it:
// errors over the sample length, or without errors only the bound of one.
double sample_error_ratio(int channel, const PacketRecord& r);

void statistics_reset();
