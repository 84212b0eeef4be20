#include "eye_scan/eye_mask.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "platform/os/c_locale.h"


namespace kd71::eye {
namespace {

constexpr double kMinMaskRatio = 1e-15;
constexpr double kMaxMaskRatio = 1e-6;
// Points tried along each edge of the mask: an edge may cross the contour
// between its corners.
constexpr int kEdgeSamples = 64;

// How far from the centre, along the ray through `p`, the contour lies, as
// a multiple of p's own distance; infinity when the ray misses it.
double reach(const std::vector<ContourPoint>& contour, const ContourPoint& p) {
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < contour.size(); ++i) {
    const ContourPoint& a = contour[i];
    const ContourPoint& b = contour[(i + 1) % contour.size()];
    // s p = a + u (b - a), s > 0, 0 <= u <= 1.
    const double ex = b.ps - a.ps, ey = b.mv - a.mv;
    const double det = p.ps * (-ey) - p.mv * (-ex);
    if (std::fabs(det) < 1e-300) continue;
    const double s = (a.ps * (-ey) - a.mv * (-ex)) / det;
    const double u = (p.ps * a.mv - p.mv * a.ps) / det;
    if (s > 0.0 && u >= 0.0 && u <= 1.0) best = std::min(best, s);
  }
  return best;
}

// Whether the polygon encloses the origin (crossings of the ray to the right).
bool encloses_centre(const std::vector<ContourPoint>& poly) {
  bool inside = false;
  for (std::size_t i = 0, k = poly.size() - 1; i < poly.size(); k = i++) {
    const ContourPoint &a = poly[i], &b = poly[k];
    if ((a.mv > 0.0) != (b.mv > 0.0) && 0.0 < a.ps + (0.0 - a.mv) * (b.ps - a.ps) / (b.mv - a.mv))
      inside = !inside;
  }
  return inside;
}

}  // namespace

bool parse_eye_mask(const std::string& text, eye_mask* mask, std::string* why) {
  const nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) {
    *why = "the mask is no JSON object";
    return false;
  }
  eye_mask m;
  if (j.contains("name") && j["name"].is_string()) m.name = j["name"].get<std::string>();
  if (!j.contains("ratio") || !j["ratio"].is_number()) {
    *why = "the mask has no \"ratio\" number";
    return false;
  }
  m.ratio = j["ratio"].get<double>();
  if (!j.contains("polygon") || !j["polygon"].is_array()) {
    *why = "the mask has no \"polygon\" list of [ps, mV] corners";
    return false;
  }
  for (const nlohmann::json& corner : j["polygon"]) {
    if (!corner.is_array() || corner.size() != 2 || !corner[0].is_number() ||
        !corner[1].is_number()) {
      *why = "each corner of the mask's \"polygon\" is [ps, mV]";
      return false;
    }
    m.polygon.push_back({corner[0].get<double>(), corner[1].get<double>()});
  }
  *why = mask_problem(m);
  if (!why->empty()) return false;
  *mask = m;
  return true;
}

std::string mask_problem(const eye_mask& m) {
  if (!(m.ratio >= kMinMaskRatio && m.ratio <= kMaxMaskRatio))
    return "the mask's ratio lies from 1e-15 to 1e-6";
  if (m.polygon.size() < 3) return "the mask's polygon has at least three corners";
  if (!encloses_centre(m.polygon)) return "the mask's polygon does not enclose the eye's centre";
  return "";
}

bool read_eye_mask(const std::string& path, eye_mask* mask, std::string* why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *why = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return parse_eye_mask(text.str(), mask, why);
}

mask_test test_eye_mask(const eye_mask& mask, std::vector<ContourPoint> contour) {
  mask_test t;
  t.contour = std::move(contour);
  if (t.contour.empty()) {
    t.tested = true;  // the eye is closed at the mask's ratio: nothing fits
    t.margin_percent = -100.0;
    return t;
  }
  double grow = std::numeric_limits<double>::infinity();
  const std::vector<ContourPoint>& m = mask.polygon;
  for (std::size_t i = 0; i < m.size(); ++i) {
    const ContourPoint &a = m[i], &b = m[(i + 1) % m.size()];
    for (int k = 0; k < kEdgeSamples; ++k) {
      const double u = static_cast<double>(k) / kEdgeSamples;
      const ContourPoint p{a.ps + u * (b.ps - a.ps), a.mv + u * (b.mv - a.mv)};
      if (p.ps != 0.0 || p.mv != 0.0) grow = std::min(grow, reach(t.contour, p));
    }
  }
  t.tested = std::isfinite(grow);
  if (!t.tested) {
    t.why_not = "the contour does not surround the mask";
    return t;
  }
  t.pass = grow >= 1.0;
  t.margin_percent = (grow - 1.0) * 100.0;
  return t;
}

std::string mask_summary(int channel, const eye_mask& mask, const mask_test& t) {
  std::string line = kd71::c_locale::format("CH%d eye mask", channel);
  if (!mask.name.empty()) line += " \"" + mask.name + "\"";
  line += kd71::c_locale::format(" at %.0e: ", mask.ratio);
  if (!t.tested) return line + "not tested: " + t.why_not;
  return line + kd71::c_locale::format("%s, margin %.1f %%", t.pass ? "pass" : "fail",
                                       t.margin_percent);
}

}  // namespace kd71::eye
