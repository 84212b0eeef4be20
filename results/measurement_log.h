// The measurement log: one CSV row (RFC 4180, '.' decimals whatever the
// locale) for every new sample of each channel, and a row for each change
// of the link. Each row goes to the file in a single write as it is made,
// so a crash, a kill or an unplug loses at most the row being written and
// every complete row parses. A log is only ever appended to: an existing
// file gets the new rows after its own (and the header only when it is
// empty). When a row cannot be written (a full disk, a removed file) one
// console line says so and logging stops; the measurement goes on.
#pragma once

#include <cstdint>
#include <string>

struct PacketRecord;

// The columns. The time is UTC with milliseconds; "seconds" counts from the
// start of the log; the ratio is that of the panel, the bound 1 / sample
// length when the sample had no errors (ratio_is_bound 1). The timed-test
// columns are filled while a run is under way, the bound and its verdict
// once the run has counted bits.
inline constexpr const char* kLogHeader =
    "time_utc,seconds,event,channel,bit_rate_mbps,sample_length_bits,errors,error_ratio,"
    "ratio_is_bound,ones,sync,fast_errors,test_errors,test_bits,test_elapsed_s,ber_bound,"
    "confidence,target_ber,verdict,bits_needed";
inline constexpr int kLogColumns = 20;

// Starts logging to `path` (ends a log under way first). False, with the
// reason in `error`, when the file cannot be opened or written.
bool start_measurement_log(const std::string& path, std::string* error);
void stop_measurement_log();
bool measurement_log_active();
// The file being logged to ("" when none).
const std::string& measurement_log_path();

// The rows; on the tick, without allocation. `ratio` is the sample's ratio
// as the panel shows it.
void log_sample_row(int channel, const PacketRecord& sample, double ratio);
// A change of the link, at `noticed_at` (Timer() seconds) when it was seen.
void log_link_row(bool connected, double noticed_at);

// "2026-03-01T12:34:56.789Z" for milliseconds since 1970 (UTC); for the rows
// and their tests.
inline constexpr int kUtcText = 32;
const char* utc_text(std::int64_t unix_ms, char (&text)[kUtcText]);

void measurement_log_reset();
