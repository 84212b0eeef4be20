#include "eye_scan/eye_json_report.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "eye_scan/eye_figures.h"
#include "eye_scan/eye_scan_report.h"
#include "eye_scan/jitter_fit.h"
#include "eye_scan/scan_contour.h"
#include "platform/os/atomic_file.h"

namespace kd71::eye {
namespace {

using nlohmann::json;

constexpr double kQualifyingRatio = 1e-12;
constexpr int kIndent = 2;

// A figure, or null where it was not found.
json figure(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }

json fit_json(const tail_fit& f) {
  return {{"points", f.points}, {"r2", figure(f.r2)}, {"edge", figure(f.edge)},
          {"sigma", figure(f.sigma)}, {"usable", f.usable}};
}

}  // namespace

std::string eye_report_json(const EyeScanResult& r, double ratio, const mask_test* mask) {
  const jitter_figures j = scan_jitter(r, kQualifyingRatio);
  const vertical_figures v = scan_vertical(r, j, kQualifyingRatio);
  const jitter_figures ja = scan_jitter(r, ratio);
  const vertical_figures va = scan_vertical(r, ja, ratio);
  const EyeReport e = eye_report(r, kQualifyingRatio);
  json notes = json::object();
  if (r.state != EyeScanState::Finished && !r.message.empty()) notes["scan"] = r.message;
  if (!j.found) notes["jitter"] = j.why_not;
  if (!v.found) notes["vertical"] = v.why_not;
  if (!mask)
    notes["mask"] = "no mask was given";
  else if (!mask->tested)
    notes["mask"] = mask->why_not;

  json out;
  out["channel"] = r.request.channel;
  out["rate_mbps"] = r.rate_mhz;
  out["rj_ps"] = figure(j.rj_ps);
  out["dj_ps"] = figure(j.dj_ps);
  out["tj_1e12_ps"] = figure(j.tj_ps);
  out["width_1e12_ps"] = figure(j.width_ps);
  out["fit_r2"] = figure(j.fit_r2);
  out["q_factor"] = figure(v.q_factor);
  out["height_1e12_mv"] = figure(v.height_mv);
  double centre_v = kNoFigure;
  if (e.found) centre_v = e.centre_v;
  out["centre_delay_v"] = figure(centre_v);
  out["centre_threshold_mv"] =
      figure(v.found ? v.best_threshold_mv : r.request.two_d ? kNoFigure : r.threshold_mv);
  out["points"] = r.points.size();
  out["scan_s"] = r.scan_s;
  out["mask"] = mask && mask->tested
                    ? json{{"pass", mask->pass}, {"margin_percent", mask->margin_percent}}
                    : json(nullptr);
  out["notes"] = notes;
  out["adaptive"] = r.request.adaptive;
  out["two_d"] = r.request.two_d;
  out["ratio"] = ratio;
  out["at_ratio"] = {{"tj_ps", figure(ja.tj_ps)},
                     {"width_ps", figure(ja.width_ps)},
                     {"height_mv", figure(va.height_mv)}};
  out["jitter"] = {{"left", fit_json(j.left)}, {"right", fit_json(j.right)},
                   {"centre_ps", figure(j.centre_ps)}, {"bit_period_ps", figure(j.bit_period_ps)}};
  const scan_contour c = contour_of_scan(r, j, v, kQualifyingRatio);
  json contour = json::array();
  for (const ContourPoint& p : c.points) contour.push_back({p.ps, p.mv});
  out["contour_1e12"] =
      c.why_not.empty() ? json{{"source", contour_source(c)}, {"points", contour}} : json(nullptr);
  out["vertical"] = {{"ones", fit_json(v.ones)},
                     {"zeros", fit_json(v.zeros)},
                     {"one_mv", figure(v.one_mv)},
                     {"zero_mv", figure(v.zero_mv)},
                     {"one_sigma_mv", figure(v.one_sigma_mv)},
                     {"zero_sigma_mv", figure(v.zero_sigma_mv)}};
  return out.dump(kIndent) + "\n";
}

bool write_eye_report_json(const std::string& path, const EyeScanResult& r, double ratio,
                           std::string* error, const mask_test* mask) {
  return kd71::platform::write_file_atomically(path, eye_report_json(r, ratio, mask), error);
}

}  // namespace kd71::eye
