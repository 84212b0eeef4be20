// The eye's contours at 1e-6, 1e-9 and 1e-12 of a two-dimensional scan, in
// ps and mV from the eye's centre (from each row's and column's tails on a
// full grid, from the centre's fits on an adaptive scan, and which it was),
// and the eye mask when one is loaded: green when it passes, red when it
// fails, with its margin.
#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "eye_scan/eye_mask.h"
#include "eye_scan/eye_scan.h"

namespace kd71::qt {

inline constexpr double kContourRatios[] = {1e-6, 1e-9, 1e-12};

class EyeContourView : public QWidget {
 public:
  explicit EyeContourView(QWidget* parent = nullptr);

  void show_scan(const EyeScanResult& result, const std::optional<kd71::eye::eye_mask>& mask);
  // The contours drawn, in the order of kContourRatios (empty where the eye is closed).
  const std::vector<std::vector<kd71::eye::ContourPoint>>& contours() const { return contours_; }
  const kd71::eye::mask_test& mask_result() const { return mask_test_; }
  const std::string& source() const { return source_; }

  QSize sizeHint() const override { return {420, 380}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::string why_not_;
  std::string source_;  // where the 1e-12 contour came from
  std::vector<std::vector<kd71::eye::ContourPoint>> contours_;
  std::optional<kd71::eye::eye_mask> mask_;
  kd71::eye::mask_test mask_test_;
  double half_period_ = 50.0;
  double mv_lo_ = -50.0, mv_hi_ = 50.0;
};

}  // namespace kd71::qt
