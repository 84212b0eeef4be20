#include "results/measurement_log.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/statistics.h"
#include "hardware/fpga_protocol.h"
#include "hardware/packet_codec.h"
#include "platform/os/append_file.h"
#include "platform/os/text_cursor.h"
#include "platform/ui_runtime/userint.h"
#include "results/run_verdict.h"

namespace {

constexpr const char* kLineEnd = "\r\n";  // RFC 4180
constexpr int kRowBytes = 512;            // a row is about 200 characters

struct Log {
  kd71::platform::AppendFile file;
  std::string path;
  double started = 0.0;              // Timer() at the start
  std::int64_t started_unix_ms = 0;  // the wall clock then
  char row[kRowBytes];
};

Log g_log;

bool active() { return g_log.file.fd >= 0; }

// Times follow the program's one clock from the wall-clock time at the
// start, so that "seconds" and the UTC times agree row for row.
void begin_row(TextCursor& out, const char* event, double at) {
  const double seconds = at - g_log.started;
  char utc[kUtcText];
  out.text(utc_text(g_log.started_unix_ms + std::llround(seconds * 1000.0), utc))
      .ch(',')
      .fixed(seconds, 3)
      .ch(',')
      .text(event);
}

void write_row(TextCursor& out) {
  out.text(kLineEnd);
  int error_number = 0;
  if (kd71::platform::append_record(g_log.file, g_log.row, out.size(), &error_number)) return;
  std::fprintf(stderr, "kd71: the measurement log stops: %s cannot be written (%s)\n",
               g_log.path.c_str(), std::strerror(error_number));
  std::fflush(stderr);
  stop_measurement_log();
}

// The timed test's columns, empty while no run is under way.
void test_columns(TextCursor& out, int channel) {
  const RunVerdict v = run_verdict(channel, kTickSolveLimit);
  if (!v.running) {
    out.text(",,,,,,,,");
    return;
  }
  out.ch(',').integer(v.errors).ch(',').fixed(v.bits, 0).ch(',').fixed(v.elapsed_s, 1).ch(',');
  if (v.solved) out.scientific(v.judgement.bound, 4);
  out.ch(',')
      .number(berCriteria.confidencePercent / 100.0)
      .ch(',')
      .number(berCriteria.target)
      .ch(',');
  if (v.solved)
    out.text(v.judgement.pass ? "PASS" : "not yet")
        .ch(',')
        .fixed(std::ceil(v.judgement.bits_needed), 0);
  else
    out.ch(',');
}

}  // namespace

const char* utc_text(std::int64_t unix_ms, char (&text)[kUtcText]) {
  using namespace std::chrono;
  const sys_time<milliseconds> t{milliseconds(unix_ms)};
  const sys_days day = floor<days>(t);
  const year_month_day date(day);
  const hh_mm_ss<milliseconds> time(t - day);
  TextCursor out(text, kUtcText);
  out.padded(static_cast<unsigned>(static_cast<int>(date.year())), 4)
      .ch('-')
      .padded(static_cast<unsigned>(date.month()), 2)
      .ch('-')
      .padded(static_cast<unsigned>(date.day()), 2)
      .ch('T')
      .padded(static_cast<unsigned>(time.hours().count()), 2)
      .ch(':')
      .padded(static_cast<unsigned>(time.minutes().count()), 2)
      .ch(':')
      .padded(static_cast<unsigned>(time.seconds().count()), 2)
      .ch('.')
      .padded(static_cast<unsigned>(time.subseconds().count()), 3)
      .ch('Z');
  return out.terminate();
}

bool start_measurement_log(const std::string& path, std::string* error) {
  stop_measurement_log();
  kd71::platform::AppendFile file;
  if (!kd71::platform::open_for_append(path.c_str(), &file, error)) return false;
  g_log.file = file;
  g_log.path = path;
  g_log.started = Timer();
  g_log.started_unix_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
  // A row cut short by an earlier crash is ended, so that the new rows
  // start on a line of their own.
  const char* lead = file.empty ? "" : file.ends_in_line ? nullptr : kLineEnd;
  TextCursor out(g_log.row, kRowBytes);
  if (lead) out.text(lead);
  if (file.empty) out.text(kLogHeader).text(kLineEnd);
  int error_number = 0;
  if (out.size() > 0 &&
      !kd71::platform::append_record(g_log.file, g_log.row, out.size(), &error_number)) {
    if (error) *error = std::strerror(error_number);
    stop_measurement_log();
    return false;
  }
  return true;
}

void stop_measurement_log() {
  kd71::platform::close_append_file(g_log.file);
  g_log.path.clear();
}

bool measurement_log_active() { return active(); }

const std::string& measurement_log_path() { return g_log.path; }

void log_sample_row(int channel, const PacketRecord& r, double ratio) {
  if (!active()) return;
  const ChannelStats& s = channelStats[channel];
  const bool bound = r.error_count == 0;
  TextCursor out(g_log.row, kRowBytes);
  begin_row(out, "sample", Timer());
  out.ch(',')
      .integer(channel)
      .ch(',')
      .integer(r.frequency)
      .ch(',')
      .integer(s.sampleLength)
      .ch(',')
      .integer(r.error_count)
      .ch(',')
      .number(ratio)
      .ch(',')
      .integer(bound ? 1 : 0)
      .ch(',')
      .integer(r.ones_cnt)
      .ch(',')
      .integer((r.sync_flags & kPatternSyncFlag) != 0 ? 1 : 0)
      .ch(',')
      .integer(r.fast_error_count);
  test_columns(out, channel);
  write_row(out);
}

void log_link_row(bool connected, double noticed_at) {
  if (!active()) return;
  TextCursor out(g_log.row, kRowBytes);
  // A loss noticed before the log started is logged at its start.
  begin_row(out, connected ? "link up" : "link down", std::max(noticed_at, g_log.started));
  out.text(",,,,,,,,,,,,,,,,,");
  write_row(out);
}

void measurement_log_reset() { stop_measurement_log(); }
