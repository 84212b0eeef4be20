// The "Eye Scan" window (Tools > "Eye Scan..."): the scan's settings, its
// Start and Stop, its progress, the bathtub and the two-dimensional eye as
// the points come in, the eye's width, height and centre at a chosen ratio,
// "Apply Centre" (the centre to the channel's sliders), and the export of
// the points to CSV and of the plots to PNG. An adaptive scan adds its
// bathtub on the Q scale with the walls' fitted lines, and (two-dimensional)
// the eye's contours with the mask "Mask..." loads; "Export Report..."
// writes the JSON report. Closing it stops a scan.
#pragma once

#include <QWidget>
#include <optional>

#include "eye_scan/eye_mask.h"
#include "eye_scan/eye_scan.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace kd71::qt {

class BathtubChart;
class EyeContourView;
class EyeMapView;
class QScaleView;

inline constexpr int kEyeWindowRefreshMs = 200;
// Object names of the window and its parts, for finding them.
inline constexpr const char* kEyeScanWindowName = "eye_scan_window";
inline constexpr const char* kEyeScanActionName = "eye_scan";

class EyeScanWindow : public QWidget {
 public:
  explicit EyeScanWindow(QWidget* parent = nullptr);

  // The scan the settings describe.
  EyeScanRequest request() const;
  // Follows the scan: its plots, figures, progress and the buttons that
  // may be pressed.
  void refresh();
  // The plots as one picture.
  QImage plots_picture() const;
  // The mask the contours are tested against ("Mask..." loads one).
  void set_mask(const kd71::eye::eye_mask& mask);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void start();
  void apply_centre();
  void export_points();
  void export_report();
  void load_mask();
  void save_plots();
  void show_threshold_range();
  void say(const QString& text);
  double chosen_ratio() const;

  QComboBox* channel_ = nullptr;
  QComboBox* kind_ = nullptr;
  QComboBox* method_ = nullptr;
  QSpinBox* delay_steps_ = nullptr;
  QComboBox* span_ = nullptr;
  QSpinBox* threshold_points_ = nullptr;
  QCheckBox* init_range_ = nullptr;
  QDoubleSpinBox* threshold_lo_ = nullptr;
  QDoubleSpinBox* threshold_hi_ = nullptr;
  QComboBox* resolve_ = nullptr;
  QComboBox* at_ratio_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* apply_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* save_plot_ = nullptr;
  QPushButton* report_ = nullptr;
  QPushButton* mask_button_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* status_ = nullptr;
  QWidget* plots_ = nullptr;
  BathtubChart* bathtub_ = nullptr;
  EyeMapView* eye_ = nullptr;
  QScaleView* q_scale_ = nullptr;
  EyeContourView* contours_ = nullptr;
  std::optional<kd71::eye::eye_mask> mask_;
  QTimer* timer_ = nullptr;
  // What the plots last showed.
  int shown_points_ = -1;
  EyeScanState shown_state_ = EyeScanState::Idle;
  double shown_ratio_ = -1.0;
  float shown_threshold_ = 0.0f;
};

// Puts a "Tools" menu with "Eye Scan..." (Ctrl+E) into the main window's
// menu bar; the command opens the window (one for the program).
void add_eye_scan_menu(QMainWindow* window);

}  // namespace kd71::qt
