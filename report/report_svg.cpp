#include "report/report_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/statistics.h"
#include "eye_scan/eye_scan_report.h"
#include "platform/os/c_locale.h"
#include "report/report_text.h"
#include "results/history_bins.h"

namespace {

using kd71::c_locale::format;

// The drawing's size in its own units; the page scales it to its width.
constexpr double kWidth = 720.0, kHeight = 250.0;
constexpr double kLeft = 56.0, kRight = 12.0, kTop = 22.0, kBottom = 34.0;
constexpr int kChartSlots = 360;  // two units of width each
constexpr int kShades = 8;        // of the eye map, open to closed

// Where data land in the drawing: x linear, y the log10 of a ratio.
struct Plot {
  double x0, x1, y0, y1;
  double px(double x) const { return kLeft + (x - x0) / (x1 - x0) * (kWidth - kLeft - kRight); }
  double py(double y) const {
    return kHeight - kBottom - (y - y0) / (y1 - y0) * (kHeight - kTop - kBottom);
  }
};

std::string open_svg(const std::string& id, const std::string& title, const std::string& desc) {
  return format(
             "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %.0f %.0f\" role=\"img\" "
             "aria-labelledby=\"%s-t %s-d\" class=\"chart\">",
             kWidth, kHeight, id.c_str(), id.c_str()) +
         "<title id=\"" + id + "-t\">" + html_escape(title) + "</title><desc id=\"" + id + "-d\">" +
         html_escape(desc) + "</desc>";
}

// A step of 1, 2 or 5 times a power of ten giving at most `most` ticks.
double tick_step(double span, int most) {
  if (!(span > 0.0) || !std::isfinite(span)) return 1.0;  // one tick, never a step of 0
  const double raw = span / most;
  const double decade = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0, 10.0})
    if (m * decade >= raw) return m * decade;
  return 10.0 * decade;
}

// The frame, the decades of the ratio axis and the ticks of the x axis.
std::string axes(const Plot& p, double x_step, const char* x_format, double x_unit,
                 const std::string& x_label, const char* y_label) {
  std::string s =
      format("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" class=\"frame\"/>", kLeft,
             kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom);
  const int every = std::max(1, static_cast<int>(std::ceil((p.y1 - p.y0) / 6.0)));
  for (int d = static_cast<int>(p.y0); d <= static_cast<int>(p.y1); ++d) {
    const double y = p.py(d);
    s += format("<path d=\"M%.1f %.1fH%.1f\" class=\"grid\"/>", kLeft, y, kWidth - kRight);
    if ((d - static_cast<int>(p.y0)) % every == 0)
      s += format("<text x=\"%.1f\" y=\"%.1f\" class=\"yl\">%s</text>", kLeft - 4, y + 4,
                  d == 0 ? "1" : format("1e%d", d).c_str());
  }
  for (double x = std::ceil(p.x0 / x_step) * x_step; x <= p.x1 + x_step * 1e-9; x += x_step) {
    const double px = p.px(x);
    s += format("<path d=\"M%.1f %.1fV%.1f\" class=\"grid\"/>", px, kTop, kHeight - kBottom);
    s += format("<text x=\"%.1f\" y=\"%.1f\" class=\"xl\">", px, kHeight - kBottom + 14) +
         format(x_format, x / x_unit) + "</text>";
  }
  s += format("<text x=\"%.1f\" y=\"%.1f\" class=\"xl\">", (kLeft + kWidth - kRight) / 2,
              kHeight - 4) +
       html_escape(x_label) + "</text>";
  s += format("<text x=\"%.1f\" y=\"14\" class=\"yl\" style=\"text-anchor:start\">%s</text>", 4.0,
              y_label);
  return s;
}

std::string dot(double x, double y) {
  return format("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3\" class=\"err\"/>", x, y);
}
std::string ring(double x, double y) {
  return format("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2.6\" class=\"bound\"/>", x, y);
}
// A triangle pointing down (link lost) or up (sync lost) at x.
std::string triangle(double x, double y, bool down, const char* cls) {
  const double tip = down ? 6.0 : -6.0;
  return format("<path d=\"M%.1f %.1fl-5 %.1fh10z\" class=\"%s\"/>", x, y + tip, -tip, cls);
}

// log10 of an error ratio held within the decades the charts draw (1e-18
// to 1): a ratio of 0, a negative or NaN one sits at the floor and an
// infinite one at the top, so that no axis gets an infinite or undefined end.
double ratio_log(double ratio) {
  if (!(ratio > 0.0)) return -18.0;
  return std::log10(std::clamp(ratio, 1e-18, 1.0));
}

// The floor of a ratio scale: a decade at or below `lowest`, at most 1e-18.
double floor_decade(double lowest) { return std::floor(ratio_log(lowest)); }

// The time axis's unit for a span of `span_s` seconds.
struct TimeUnit {
  double seconds;
  const char* name;
};
TimeUnit time_unit(double span_s) {
  if (span_s <= 180.0) return {1.0, "s"};
  if (span_s <= 3.0 * 3600.0) return {60.0, "min"};
  return {3600.0, "h"};
}

std::string bathtub(const EyeScanResult& r, const std::string& id) {
  const double ratio = eye_report(r).ratio;
  double lowest = 1.0, highest = 0.0, lo = 1e300, hi = -1e300;
  for (const EyePoint& q : r.points) {
    const double x = delay_ps(q.delay_v - r.anchor_v);
    lo = std::min(lo, x);
    hi = std::max(hi, x);
    if (point_ratio(q) > 0.0) lowest = std::min(lowest, point_ratio(q));
    highest = std::max(highest, point_ratio(q));
  }
  if (!(hi > lo)) hi = lo + 1.0;
  // Up to the decade above the highest ratio: a fast count stops at its
  // top, decades below 1.
  const double floor = floor_decade(lowest);
  const Plot p{lo, hi, floor, std::max(floor + 1.0, std::ceil(ratio_log(highest)))};
  std::string s = open_svg(
      id, format("Channel %d bathtub", r.request.channel),
      format("Error ratio against the sampling delay's shift from the sampling point, %d points "
             "at a threshold of %.2f mV; the dashed line is the ratio the opening is taken at, "
             "%.1e.",
             static_cast<int>(r.points.size()), r.threshold_mv, ratio));
  s += axes(p, tick_step(hi - lo, 8), "%.0f", 1.0, "delay from the sampling point (ps)", "BER");
  s += format("<path d=\"M%.1f %.1fH%.1f\" class=\"level\"/>", kLeft, p.py(ratio_log(ratio)),
              kWidth - kRight);
  std::string line = "<path class=\"curve\" d=\"";
  std::string marks;
  char move = 'M';
  for (const EyePoint& q : r.points) {
    const double v = point_ratio(q);
    if (!(v > 0.0)) continue;
    const double x = p.px(delay_ps(q.delay_v - r.anchor_v)), y = p.py(ratio_log(v));
    line += format("%c%.1f %.1f", move, x, y);
    move = 'L';
    marks += q.errors > 0 ? dot(x, y) : ring(x, y);
  }
  return s + line + "\"/>" + marks + "</svg>";
}

std::string eye_map(const EyeScanResult& r, const std::string& id) {
  const int columns = r.delays.points, rows = std::max(1, r.thresholds.points);
  double lo = 1e300, hi = -1e300;
  for (const EyePoint& q : r.points) {
    lo = std::min(lo, delay_ps(q.delay_v - r.anchor_v));
    hi = std::max(hi, delay_ps(q.delay_v - r.anchor_v));
  }
  const double step_ps = columns > 1 ? (hi - lo) / (columns - 1) : 1.0;
  const double floor = floor_decade(smallest_resolved_ratio(r.points));
  // The shades run from the floor to the scan's highest ratio: a fast count
  // stops at its top, so that may lie decades below 1.
  double top = floor + 1.0;
  for (const EyePoint& q : r.points)
    if (q.errors > 0) top = std::max(top, ratio_log(point_ratio(q)));
  const double t0 = sweep_threshold(r.thresholds, 0), t1 = sweep_threshold(r.thresholds, rows - 1);
  const double step_mv = rows > 1 ? (t1 - t0) / (rows - 1) : 1.0;
  // The threshold runs up the y axis; Plot's y is linear here.
  const Plot p{lo - step_ps / 2, hi + step_ps / 2, t0 - step_mv / 2, t1 + step_mv / 2};
  std::string s = open_svg(
      id, format("Channel %d eye", r.request.channel),
      format("Error ratio over %d delays and %d thresholds; the lighter a cell, the lower its "
             "ratio, from %.0e to %.0e; white where no error was counted.",
             columns, rows, std::pow(10.0, floor), std::pow(10.0, top)));
  // Cells edge to edge, without the seams smoothing would leave between them.
  std::string grid = format(
      "<g shape-rendering=\"crispEdges\"><rect x=\"%.1f\" y=\"%.1f\" "
      "width=\"%.1f\" height=\"%.1f\" class=\"frame\"/>",
      kLeft, kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom);
  const double cell_w = p.px(p.x0 + step_ps) - p.px(p.x0);
  const double cell_h = p.py(p.y0) - p.py(p.y0 + step_mv);
  // Each row's runs of one shade as one rectangle: the map's size stays
  // that of its edges.
  for (int t = 0; t < rows; ++t) {
    int run_start = 0, run_shade = -1;
    auto close = [&](int end) {
      if (run_shade > 0)
        grid += format("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" class=\"s%d\"/>",
                       p.px(lo + (run_start - 0.5) * step_ps), p.py(t0 + (t + 0.5) * step_mv),
                       cell_w * (end - run_start), cell_h, run_shade);
    };
    for (int d = 0; d < columns; ++d) {
      const auto i = static_cast<std::size_t>(d * rows + t);
      int shade = 0;
      if (i < r.points.size() && r.points[i].errors > 0) {
        const double v = ratio_log(point_ratio(r.points[i]));
        shade = std::clamp(1 + static_cast<int>((v - floor) / (top - floor) * (kShades - 1) + 0.5),
                           1, kShades);
      }
      if (shade != run_shade) {
        close(d);
        run_start = d;
        run_shade = shade;
      }
    }
    close(columns);
  }
  s += grid + "</g>";
  const double x_step = tick_step(hi - lo, 8);
  for (double x = std::ceil(p.x0 / x_step) * x_step; x <= p.x1; x += x_step)
    s += format("<text x=\"%.1f\" y=\"%.1f\" class=\"xl\">%.0f</text>", p.px(x),
                kHeight - kBottom + 14, x);
  const double y_step = tick_step(t1 - t0, 6);
  for (double y = std::ceil(p.y0 / y_step) * y_step; y <= p.y1; y += y_step)
    s += format("<text x=\"%.1f\" y=\"%.1f\" class=\"yl\">%.0f</text>", kLeft - 4, p.py(y) + 4, y);
  s += format("<text x=\"%.1f\" y=\"%.1f\" class=\"xl\">delay from the sampling point (ps)</text>",
              (kLeft + kWidth - kRight) / 2, kHeight - 4);
  s += "<text x=\"4\" y=\"14\" class=\"yl\" style=\"text-anchor:start\">threshold (mV)</text>";
  return s + "</svg>";
}

}  // namespace

std::string ratio_chart_svg(int channel, double from, double to) {
  if (!(to > from)) to = from + 1.0;
  const HistoryBins h = bin_history(channel, from, to, kChartSlots);
  const auto length = static_cast<double>(static_cast<std::int64_t>(
      channel == 1 || channel == 2 ? channelStats[channel].sampleLength : 0));
  const double lowest = length > 1.0 ? std::min(h.lowest, 1.0 / length) : h.lowest;
  const TimeUnit unit = time_unit(to - from);
  const Plot p{0.0, to - from, floor_decade(lowest), 0.0};
  int errored = 0, clean = 0, syncs = 0;
  std::string marks;
  const double slot = (to - from) / kChartSlots;
  for (int b = 0; b < kChartSlots; ++b) {
    const HistoryBin& bin = h.bins[static_cast<std::size_t>(b)];
    const double x = p.px((b + 0.5) * slot);
    if (bin.worst > 0.0f) {
      marks += dot(x, p.py(ratio_log(bin.worst)));
      ++errored;
    } else if (bin.bound > 0.0f) {
      marks += ring(x, p.py(ratio_log(bin.bound)));
      ++clean;
    }
    if (bin.sync_lost) {
      marks += triangle(x, kTop + 16, false, "sync");
      ++syncs;
    }
  }
  for (const double t : h.link_lost) marks += triangle(p.px(t - from), kTop, true, "link");
  std::string s = open_svg(
      format("ratio%d", channel), format("Channel %d error ratio over the run", channel),
      format("%d of %d time slots with errors, %d without errors at their bound; the link was "
             "lost %d times and the pattern sync %d times.",
             errored, errored + clean, clean, static_cast<int>(h.link_lost.size()), syncs));
  s += axes(p, tick_step((to - from) / unit.seconds, 8) * unit.seconds, "%g", unit.seconds,
            format("time from the run's start (%s)", unit.name), "BER");
  return s + marks + "</svg>";
}

std::string eye_scan_svg(const EyeScanResult& scan) {
  const std::string id = format("eye%d", scan.request.channel);
  return scan.request.two_d ? eye_map(scan, id) : bathtub(scan, id);
}
