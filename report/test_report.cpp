#include "report/test_report.h"

#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <ctime>

#include "app/measurement.h"
#include "app/panel_handles.h"
#include "app/statistics.h"
#include "app/version.h"
#include "eye_scan/eye_scan_report.h"
#include "hardware/lowlevel_link.h"
#include "platform/os/atomic_file.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/panel_def_types.h"
#include "platform/ui_runtime/ui_store.h"
#include "platform/ui_runtime/userint.h"
#include "report/report_svg.h"
#include "report/report_text.h"
#include "report/run_tally.h"
#include "results/run_verdict.h"
#include "ui/channel_controls.h"

namespace {

using kd71::c_locale::format;

std::string g_command;  // how the program was started
std::string g_bridge = "USB";

// Screen and paper: the body fits the printable width of A4 (210 mm) and
// of Letter (216 mm) with 12 mm margins; a chart, a table or a section does
// not break across pages where it fits on one. The verdict is a word and a
// sign before it is a colour.
constexpr const char* kStyle = R"(<style>
body{font-family:sans-serif;font-size:10.5pt;color:#111;max-width:186mm;margin:1em auto;padding:0 1em}
h1{font-size:16pt;margin:.2em 0}h2{font-size:13pt;margin:1.2em 0 .3em;border-bottom:1px solid #999}
h3{font-size:11pt;margin:.8em 0 .2em}
table{border-collapse:collapse;width:100%;margin:.3em 0}
th,td{border:1px solid #bbb;padding:2px 6px;text-align:left;vertical-align:top}
th[scope=row]{font-weight:normal;background:#f3f3f3;width:34%}
td.num{font-variant-numeric:tabular-nums}
.verdict{font-weight:bold;padding:1px 6px;border:2px solid;display:inline-block;margin:1px 0 3px}
.PASS{color:#0a5d00;background:#e3f6dc}.FAIL{color:#9b0000;background:#fde2e2;border-style:double;border-width:3px}
.RUNNING,.NOT{color:#6b4e00;background:#fff3cd;border-style:dashed}
.overall{font-size:14pt}
svg.chart{width:100%;height:auto;display:block}
.frame{fill:none;stroke:#555}.grid{stroke:#ddd;stroke-width:.6}
.xl{font-size:10px;text-anchor:middle;fill:#333}.yl{font-size:10px;text-anchor:end;fill:#333}
.err{fill:#c81e1e;stroke:#700}.bound{fill:none;stroke:#888;stroke-width:1.2}
.link{fill:#e00;stroke:#600}.sync{fill:#f90;stroke:#850}
.curve{fill:none;stroke:#246;stroke-width:1.2}.level{stroke:#246;stroke-dasharray:4 3}
.s1{fill:#fde0c5}.s2{fill:#facba6}.s3{fill:#f8b58b}.s4{fill:#f59e71}.s5{fill:#e8765a}.s6{fill:#d14e45}.s7{fill:#a52a35}.s8{fill:#6e1423}
figure{margin:.4em 0;break-inside:avoid}figcaption{font-size:9pt;color:#333}
pre{white-space:pre-wrap;word-break:break-all;background:#f5f5f5;padding:4px 6px;font-size:9pt}
section,table,figure{break-inside:avoid}
@page{margin:12mm}
@media print{body{margin:0;padding:0;max-width:none;font-size:9.5pt}
*{-webkit-print-color-adjust:exact;print-color-adjust:exact}h2{break-after:avoid}}
</style>)";

std::string verdict_span(Verdict v) {
  const char* sign = v == Verdict::Pass ? "&#10004; " : v == Verdict::Fail ? "&#10008; " : "";
  const std::string cls = v == Verdict::NotTested ? "NOT" : verdict_word(v);
  return "<span class=\"verdict " + cls + "\">" + sign + verdict_word(v) + "</span>";
}

std::string row(const std::string& name, const std::string& value, bool number = false) {
  return "<tr><th scope=\"row\">" + html_escape(name) + "</th><td" +
         (number ? " class=\"num\"" : "") + ">" + value + "</td></tr>";
}

// The label of a ring control's value ("PRBS31", "Clock").
double number_of(int control) { return kd71::ui::numeric_value(panelHandle, control); }

std::string ring_label(int control) {
  const double value = number_of(control);
  if (const kd71::uir::ControlDef* def = kd71::ui::control_def(panelHandle, control))
    for (const kd71::uir::RingItem& item : def->items)
      if (item.value == value) return item.label;
  return format("%g", value);
}

// The moment of clock time `t` on the wall clock, now being `now`.
std::time_t wall_time(double t, double now, std::time_t wall_now) {
  return wall_now - static_cast<std::time_t>(std::llround(now - t));
}

std::string when(std::time_t t) {
  return html_escape(utc_time_text(t)) + " (" + html_escape(local_time_text(t)) + ")";
}

std::string host_name() {
  char name[HOST_NAME_MAX + 1] = {};
  return gethostname(name, sizeof name - 1) == 0 ? name : "unknown";
}

std::string board_section(const ReportRun& run, std::time_t wall_now) {
  std::string s = "<section aria-labelledby=\"board\"><h2 id=\"board\">Board and program</h2><table>";
  const std::string serial = deviceSerialNumber[0] ? deviceSerialNumber : "";
  s += row("Serial number", run.board_seen && !serial.empty() ? html_escape(serial)
                                                               : "no board connected");
  s += row("Firmware version", measurement.firmwareVersion
                                   ? format("0x%04X", static_cast<unsigned>(measurement.firmwareVersion))
                                   : "not read");
  s += row("Program", html_escape(std::string(kVersionText) + " (built " + build_stamp() + ")"));
  s += row("Bridge", html_escape(g_bridge));
  s += row("Host", html_escape(host_name()));
  s += row("Report written", when(wall_now));
  double first = -1.0;
  for (int n = 1; n <= 2; ++n)
    if (run_tally(n).first_time >= 0.0 && (first < 0.0 || run_tally(n).first_time < first))
      first = run_tally(n).first_time;
  s += row("Run's first sample", first >= 0.0 ? when(wall_time(first, Timer(), wall_now)) : "none");
  s += row("Target BER", format("%.1e", berCriteria.target), true);
  s += row("Confidence", format("%g %%", berCriteria.confidencePercent), true);
  if (!run.board_problem.empty()) s += row("Board", html_escape(run.board_problem));
  return s + "</table></section>";
}

// Settings and results side by side, a column per channel.
std::string results_section(const ReportRun& run) {
  std::string s =
      "<section aria-labelledby=\"results\"><h2 id=\"results\">Settings and results</h2>"
      "<table><thead><tr><th scope=\"col\">Channel</th><th scope=\"col\">CH1</th>"
      "<th scope=\"col\">CH2</th></tr></thead><tbody>";
  auto line = [&](const char* name, auto cell) {
    s += std::string("<tr><th scope=\"row\">") + name + "</th>";
    for (int n = 1; n <= 2; ++n) s += "<td class=\"num\">" + cell(n) + "</td>";
    s += "</tr>";
  };
  const auto c = [](int n) { return kd71::channel_controls(n); };
  line("Verdict", [&](int n) {
    const ChannelOutcome o = channel_outcome(n, run);
    return verdict_span(o.verdict) + "<br>" + html_escape(o.why);
  });
  line("Pattern", [&](int n) { return html_escape(ring_label(c(n).pattern)); });
  line("Input clock", [&](int n) { return html_escape(ring_label(c(n).input_clock)); });
  line("Manual mode", [&](int n) {
    return std::string(number_of(c(n).manual_mode) != 0.0 ? "on" : "off");
  });
  line("Threshold", [&](int n) { return format("%.2f mV", number_of(c(n).threshold)); });
  line("Sampling delay", [&](int n) { return format("%.3f V", number_of(c(n).delay)); });
  line("Bit rate", [&](int n) { return format("%.3f Gb/s", number_of(c(n).bit_rate)); });
  line("Test interval", [&](int n) { return format("%d s", channelStats[n].testInterval); });
  line("Elapsed", [&](int n) {
    char text[kFigureText];
    return std::string(elapsed_text(channelStats[n].testTicks, text));
  });
  line("Bits compared", [&](int n) { return format("%.4e", run_verdict(n).bits); });
  line("Errors", [&](int n) {
    return format("%llu", static_cast<unsigned long long>(run_verdict(n).errors));
  });
  line("BER bound", [&](int n) {
    const RunVerdict v = run_verdict(n);
    if (!v.has_bits || !v.solved) return std::string("none: no bits counted");
    char text[kBerText];
    return html_escape(bound_text(v.judgement.bound, berCriteria.confidencePercent, text));
  });
  line("Error-free seconds", [&](int n) { return format("%d", channelStats[n].errorFreeSeconds); });
  line("Samples", [&](int n) {
    return format("%llu", static_cast<unsigned long long>(run_tally(n).samples));
  });
  line("Samples missed", [&](int n) {
    return format("%llu", static_cast<unsigned long long>(run_tally(n).missed));
  });
  line("Link losses", [&](int n) { return format("%d", run_verdict(n).link_losses); });
  line("Sync losses", [&](int n) { return format("%d", run_tally(n).sync_losses); });
  return s + "</tbody></table></section>";
}

std::string spread_table(const RunTally& t) {
  std::string s = "<table><caption>How the errors were spread</caption><thead><tr>"
                  "<th scope=\"col\">Figure</th><th scope=\"col\">Value</th>"
                  "<th scope=\"col\">What it means</th></tr></thead><tbody>";
  auto line = [&](const char* name, const std::string& value, const std::string& meaning) {
    s += std::string("<tr><th scope=\"row\">") + name + "</th><td class=\"num\">" + value +
         "</td><td>" + meaning + "</td></tr>";
  };
  const auto count = [](std::uint64_t v) {
    return format("%llu", static_cast<unsigned long long>(v));
  };
  line("Samples with errors", count(t.errored) + " of " + count(t.samples),
       "How many of the run's samples counted at least one error.");
  line("Longest error-free stretch",
       format("%.1f s (%llu samples)", t.longest_clean_s,
              static_cast<unsigned long long>(t.longest_clean_samples)),
       "The longest time the channel ran without a single error.");
  line("Bursts",
       count(t.bursts) + (t.bursts ? ", the longest " + count(t.longest_burst) +
                                         (t.longest_burst == 1 ? " sample" : " samples")
                                   : std::string()),
       "Runs of consecutive samples with errors: few long bursts point to an event (a "
       "disturbance, a loss of lock), many short ones to a steady margin problem.");
  const double d = dispersion_index(t);
  line("Dispersion index", std::isnan(d) ? std::string("none: no errors") : format("%.3g", d),
       "Variance over mean of the errors per sample: about 1 when errors come at random, "
       "well above 1 when they come in bursts.");
  return s + "</tbody></table>";
}

std::string channel_section(int n, double now) {
  const RunTally& t = run_tally(n);
  std::string s = format("<section aria-labelledby=\"ch%d\"><h2 id=\"ch%d\">Channel %d</h2>", n,
                         n, n);
  if (t.samples == 0) {
    s += "<p>No sample of a run: no chart.</p>";
  } else {
    // From the start of the first sample's bits to the last sample (or now
    // while the run goes on).
    const double length = static_cast<double>(channelStats[n].sampleLength);
    const double rate = number_of(kd71::channel_controls(n).bit_rate) * 1e9;
    const double first = t.first_time - (rate > 0.0 ? length / rate : 0.0);
    const double last = channelStats[n].totalsRunning ? now : t.last_time;
    s += "<figure>" + ratio_chart_svg(n, first, last) +
         format("<figcaption>Error ratio of each sample of channel %d's run. ", n) +
         "&#9679; filled dots: samples with errors; &#9675; rings: samples without errors, at "
         "their bound; &#9660; triangles down along the top: the link was lost; &#9651; "
         "triangles up: the pattern sync was lost.</figcaption></figure>";
    s += spread_table(t);
  }
  if (const EyeScanResult* scan = eye_scan_of_channel(n)) {
    s += format("<h3>Eye scan of channel %d</h3><figure>", n) + eye_scan_svg(*scan) +
         "<figcaption>" + html_escape(eye_summary(*scan, eye_report(*scan))) +
         (scan->request.two_d ? "" : ". &#9679; points with errors; &#9675; points without errors, at "
                                     "their bound.") +
         "</figcaption></figure>";
  }
  return s + "</section>";
}

// How to run it again.
std::string origin_section(const ReportRun& run) {
  std::string s = "<section aria-labelledby=\"how\"><h2 id=\"how\">How it was run</h2>";
  if (run.timed_test) {
    s += "<p>A timed test of the command line:</p><pre>" + html_escape(g_command) + "</pre>";
  } else {
    s += "<p>The program was started as:</p><pre>" + html_escape(g_command) + "</pre><ul>";
    for (int n = 1; n <= 2; ++n) {
      if (run_tally(n).samples == 0 && !channelStats[n].totalsRunning) continue;
      s += format("<li>In its window, channel %d's &quot;Total Error Count&quot; was pressed with "
                  "a test interval of %d s, the target BER %.1e and the confidence %g %%.</li>",
                  n, channelStats[n].testInterval, berCriteria.target,
                  berCriteria.confidencePercent);
    }
    s += "</ul>";
  }
  return s + "</section>";
}

}  // namespace

void report_note_program(const std::string& command, const std::string& bridge) {
  g_command = command;
  g_bridge = bridge;
}

std::string shell_command(int argc, char* argv[]) {
  std::string s;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (i > 0) s += ' ';
    if (!a.empty() && a.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                          "0123456789-_./=:,+@%") == std::string::npos) {
      s += a;
      continue;
    }
    s += '\'';
    for (const char c : a) s += c == '\'' ? std::string("'\\''") : std::string(1, c);
    s += '\'';
  }
  return s;
}

ReportRun window_report_run() {
  ReportRun run;
  run.board_seen = deviceSerialNumber[0] != '\0';
  return run;
}

const char* verdict_word(Verdict v) {
  switch (v) {
    case Verdict::Pass: return "PASS";
    case Verdict::Fail: return "FAIL";
    case Verdict::Running: return "RUNNING";
    case Verdict::NotTested: break;
  }
  return "NOT TESTED";
}

ChannelOutcome channel_outcome(int n, const ReportRun& run) {
  const ReportRun::Channel& c = run.channels[n == 2 ? 2 : 1];
  if (c.skipped) return {Verdict::NotTested, "Shut Off"};
  if (!run.board_seen)
    return {Verdict::Fail, run.board_problem.empty() ? "no board connected" : run.board_problem};
  if (!c.problem.empty()) return {Verdict::Fail, c.problem};
  const RunVerdict v = run_verdict(n);
  if (!v.has_bits) {
    if (!run.board_problem.empty()) return {Verdict::Fail, run.board_problem};
    if (run.stopped) return {Verdict::Fail, "stopped before a sample was counted"};
    if (v.running || v.armed) return {Verdict::Running, "started; no sample counted yet"};
    return {run.timed_test ? Verdict::Fail : Verdict::NotTested, "no bits counted"};
  }
  char bound[kBerText], verdict[kBerText];
  const std::string figures = bound_text(v.judgement.bound, berCriteria.confidencePercent, bound);
  if (!run.board_problem.empty()) return {Verdict::Fail, figures + "; " + run.board_problem};
  if (run.stopped) return {Verdict::Fail, figures + "; stopped before its end"};
  if (v.running || v.armed)
    return {Verdict::Running, figures + "; the run goes on: " +
                                  verdict_text(v.judgement, berCriteria.target, false, verdict)};
  if (v.link_losses > 0)
    return {Verdict::Fail, figures + format("; the link was lost %d time%s during the run",
                                            v.link_losses, v.link_losses == 1 ? "" : "s")};
  return {v.judgement.pass ? Verdict::Pass : Verdict::Fail,
          figures + ", " + verdict_text(v.judgement, berCriteria.target, true, verdict)};
}

Verdict overall_verdict(const ReportRun& run) {
  bool passed = false;
  for (int n = 1; n <= 2; ++n) {
    const Verdict v = channel_outcome(n, run).verdict;
    if (v == Verdict::Fail) return Verdict::Fail;
    if (v == Verdict::Running) return Verdict::Running;
    passed = passed || v == Verdict::Pass;
  }
  return passed ? Verdict::Pass : Verdict::NotTested;
}

std::string test_report_html(const ReportRun& run) {
  const std::time_t wall_now = std::time(nullptr);
  const double now = Timer();
  const std::string serial =
      run.board_seen && deviceSerialNumber[0] ? deviceSerialNumber : "no board";
  std::string s = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                  "<meta name=\"viewport\" content=\"width=device-width\"><title>KD71 test report " +
                  html_escape(serial) + "</title>" + kStyle + "</head><body><header><h1>KD71 test report</h1>";
  const Verdict overall = overall_verdict(run);
  s += "<p class=\"overall\" id=\"overall\">Result: " + verdict_span(overall) + " &mdash; board " +
       html_escape(serial) + ", " + html_escape(utc_time_text(wall_now)) + "</p></header><main>";
  s += board_section(run, wall_now);
  s += results_section(run);
  for (int n = 1; n <= 2; ++n) s += channel_section(n, now);
  s += origin_section(run);
  return s + "</main></body></html>\n";
}

bool write_test_report(const std::string& path, const ReportRun& run, std::string* error) {
  return kd71::platform::write_file_atomically(path, test_report_html(run), error);
}

void test_report_reset() {
  g_command.clear();
  g_bridge = "USB";
}
